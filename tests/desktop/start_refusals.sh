#!/usr/bin/env bash
# A start that cannot go on says why and ends with status 1, never aborting: each row runs the
# desktop program (offscreen) in an environment of its own, waits for the reason on standard
# error, closes the notice with SIGTERM and checks the status.
# Usage: start_refusals.sh <kalidor executable>
set -euo pipefail
program=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || { echo "skipped: only root can run as a user the user database does not know"; exit 77; }
work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill -KILL "$pid" 2> /dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"  # the stranger passes through to its own folders
stranger=54321
while getent passwd "$stranger" > /dev/null; do stranger=$((stranger + 1)); done
mkdir -p "$work/run" "$work/data"
chown -R "$stranger:$stranger" "$work/run" "$work/data"
chmod 700 "$work/run"
# The build may sit in a folder the stranger cannot enter (root's home on CI): run a copy.
install -m 755 "$program" "$work/kalidor"
program="$work/kalidor"

# name | environment | what standard error must say
rows=(
  "data home but no home|XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run|作業フォルダを作成できません no home folder for XDG_STATE_HOME"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name environment expected <<< "$row"
  # shellcheck disable=SC2086
  setpriv --reuid="$stranger" --regid="$stranger" --clear-groups \
    env -i QT_QPA_PLATFORM=offscreen $environment "$program" 2> "$work/err" & pid=$!
  for _ in $(seq 300); do
    grep -q "kalidor: " "$work/err" && break
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
  done
  grep -qF "kalidor: $expected" "$work/err" || { echo "$name: expected \"$expected\", got:"; cat "$work/err"; exit 1; }
  kill -TERM "$pid" 2> /dev/null || true
  status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" = 1 ] || { echo "$name: exit status $status, expected 1"; cat "$work/err"; exit 1; }
done
echo "start refusals: ${#rows[@]} passed"
