#!/usr/bin/env bash
# Unsaved edits survive a SIGTERM: a caption typed into the example project, the program ended
# with SIGTERM (project.dat untouched), started again; Enter at the question restores the edits,
# which a save then writes.
# Usage: recovery.sh <kalidor executable> <example project folder> [screenshot folder]
set -euo pipefail
source "$(dirname "$(realpath "$0")")/scratch_home.sh"
export EXAMPLE="$example"

xvfb-run -a -s "-screen 0 1280x800x24" bash -euo pipefail -c '
  source "$STEPS"
  shot() { [ -z "$SHOTS" ] || import -window root "$SHOTS/$1.png"; }
  project="$KALIDOR_HOME/Orvane/Kalidor/project/例"
  copy="$KALIDOR_HOME/state/kalidor/recovery/copy.dat"
  start() {
    "$PROGRAM" & pid=$!
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  }

  start
  at 309 147; xdotool click --repeat 2 --delay 80 1; sleep 0.5
  at 82 626; xdotool click 1 key End; xdotool type --delay 30 " RECOVERED"
  timeout 10 bash -c "until [ -f \"$copy\" ]; do sleep 0.1; done" || { echo "no recovery copy after an edit"; exit 1; }
  kill -TERM "$pid"; wait "$pid" || { echo "exit status $? after SIGTERM"; exit 1; }
  cmp -s "$project/project.dat" "$EXAMPLE/project.dat" || { echo "project.dat changed without a save"; exit 1; }

  start
  into "^確認\$" "at the next start"; shot question; xdotool key Return; gone "^確認\$"; sleep 0.5
  shot restored
  at 792 32; xdotool click 1
  into "^確認\$" "after the save button"; xdotool key Return
  into "^Kalidor\$" "saved"; xdotool key Return; gone "^Kalidor\$"
  "$(dirname "$PROGRAM")/kalidor-cli" info "$project" | grep -q "RECOVERED" ||
    { echo "the restored caption was not saved:"; "$(dirname "$PROGRAM")/kalidor-cli" info "$project"; exit 1; }
  timeout 10 bash -c "while [ -e \"$copy\" ]; do sleep 0.1; done" || { echo "the save left the recovery copy"; exit 1; }
  kill -TERM "$pid"; wait "$pid"
'
echo "recovery check passed"
