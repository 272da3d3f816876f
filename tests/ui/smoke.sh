#!/usr/bin/env bash
# Starts the real desktop program under Xvfb on a scratch workspace holding one project:
# waits for its window, checks title and size, takes a screenshot that must not be blank,
# checks that a second instance leaves the first running, and ends it with SIGTERM, which
# must quit cleanly (exit status 0).
# Usage: smoke.sh <kalidor executable> <example project folder> [screenshot path]
set -euo pipefail
program=$(realpath "$1")
example=$(realpath "$2")
shot=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Orvane/Kalidor/project" "$work/run"
chmod 700 "$work/run"
cp -r "$example" "$work/home/Orvane/Kalidor/project/例"
export KALIDOR_HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PROGRAM="$program" WORK="$work"

xvfb-run -a -s "-screen 0 1280x800x24" bash -euo pipefail -c '
  "$PROGRAM" & first=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  [ "$(xdotool getwindowname "$wid")" = Kalidor ] || { echo "wrong title"; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  [ "$WIDTH" = 950 ] && [ "$HEIGHT" = 686 ] || { echo "size ${WIDTH}x${HEIGHT}, expected 950x686"; exit 1; }
  # The first paint may follow the mapping; poll for a picture that is not one flat colour.
  deviation=0
  for _ in $(seq 40); do
    import -window root "$WORK/shot.png"
    deviation=$(convert "$WORK/shot.png" -format "%[fx:standard_deviation]" info:)
    [ "$deviation" != 0 ] && break
    sleep 0.25
  done
  [ "$deviation" != 0 ] || { echo "blank screenshot"; exit 1; }
  # A second instance shows its notice and must leave the first untouched.
  "$PROGRAM" & second=$!
  timeout 30 bash -c "until [ \$(xdotool search --onlyvisible --name \"^Kalidor\$\" | wc -l) -ge 2 ]; do sleep 0.2; done"
  mains=0
  for w in $(xdotool search --onlyvisible --name "^Kalidor$"); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" = 950 ] && [ "$HEIGHT" = 686 ] && mains=$((mains + 1))
  done
  [ "$mains" = 1 ] || { echo "a second main window opened"; exit 1; }
  kill "$second"; wait "$second" || true
  kill -0 "$first" || { echo "first instance ended"; exit 1; }
  kill -TERM "$first"
  wait "$first" || { echo "exit status $? after SIGTERM"; exit 1; }
'
[ -z "$shot" ] || cp "$work/shot.png" "$shot"
echo "smoke check passed"
