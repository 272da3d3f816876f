#!/usr/bin/env bash
# Unsaved edits survive a SIGTERM: a caption typed into the example project, the program ended
# with SIGTERM (project.dat untouched), started again; Esc at the question puts the edits off to
# the next start (nothing opened, the copy kept), where Enter restores them, and a save writes them.
# Usage: recovery.sh <kalidor executable> <example project folder> [screenshot folder]
set -euo pipefail
source "$(dirname "$(realpath "$0")")/scratch_home.sh"
export EXAMPLE="$example"

xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -euo pipefail -c '
  source "$STEPS"
  shot() { [ -z "$SHOTS" ] || import -window root "$SHOTS/$1.png"; }
  project="$KALIDOR_HOME/Orvane/Kalidor/project/例"
  copy="$KALIDOR_HOME/state/kalidor/recovery/copy.dat"
  start() {
    "$PROGRAM" & pid=$!
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  }

  start
  shown 例
  at 309 147; xdotool click --repeat 2 --delay 80 1; shown "文字 001"
  at 82 626; xdotool click 1 key End; xdotool type --delay 30 " RECOVERED"
  wait_until 30 "a recovery copy after an edit" test -f "$copy"
  kill -TERM "$pid"; wait "$pid" || { echo "exit status $? after SIGTERM"; exit 1; }
  cmp -s "$project/project.dat" "$EXAMPLE/project.dat" || { echo "project.dat changed without a save"; exit 1; }

  start
  into "^確認\$" "at the next start"; xdotool key Escape; gone "^確認\$"
  wait_until 30 "the copy put off to the next start" bash -c "ls -d \"\$KALIDOR_HOME\"/state/kalidor/deferred-* >/dev/null 2>&1"
  bus showing "文字 001" && { echo "Esc at the question opened the project"; exit 1; }
  kill -TERM "$pid"; wait "$pid"

  start
  into "^確認\$" "at the start after"; shot question; xdotool key Return; gone "^確認\$"
  wait_until 30 "the restored caption shown" bus text "文字 001" RECOVERED
  shot restored
  at 792 32; xdotool click 1
  into "^確認\$" "after the save button"; xdotool key Return
  into "^Kalidor\$" "saved"; xdotool key Return; gone "^Kalidor\$"
  "$(dirname "$PROGRAM")/kalidor-cli" info "$project" | grep -q "RECOVERED" ||
    { echo "the restored caption was not saved:"; "$(dirname "$PROGRAM")/kalidor-cli" info "$project"; exit 1; }
  wait_until 30 "the save to remove the recovery copy" test ! -e "$copy"
  kill -TERM "$pid"; wait "$pid"
'
echo "recovery check passed"
