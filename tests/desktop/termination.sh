#!/usr/bin/env bash
# SIGTERM ends the desktop program promptly whatever it shows, with status 0: a start-up notice
# (the signal must not be lost when the main loop starts afterwards), and the main window with
# unsaved changes (no question may wait for an answer nobody gives).
# Usage: termination.sh <kalidor executable> <example project folder>
set -euo pipefail
program=$(realpath "$1")
example=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" PROGRAM="$program" EXAMPLE="$example" WORK="$work" HOME="$work"
export STEPS="$(dirname "$(realpath "$0")")/window_steps.sh"

xvfb-run -a -s "-screen 0 1280x800x24" bash -euo pipefail -c '
  ends_on_term() {
    kill -TERM "$1"
    for _ in $(seq 50); do
      kill -0 "$1" 2>/dev/null || { wait "$1" || { echo "$2: exit status $?"; exit 1; }; return 0; }
      sleep 0.1
    done
    echo "$2: still running 5 s after SIGTERM"; kill -KILL "$1"; exit 1
  }

  # A start-up notice: a folder in place of a menu image makes the first page switch fail.
  export KALIDOR_HOME="$WORK/broken"
  mkdir -p "$KALIDOR_HOME/Orvane/Kalidor/img/menu01_02.png"
  "$PROGRAM" & pid=$!
  timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" >/dev/null
  ends_on_term "$pid" "during a start-up notice"

  # Unsaved changes: the example project opened and its ratio changed on the movie page.
  export KALIDOR_HOME="$WORK/home"
  mkdir -p "$KALIDOR_HOME/Orvane/Kalidor/project"
  cp -r "$EXAMPLE" "$KALIDOR_HOME/Orvane/Kalidor/project/例"
  "$PROGRAM" & pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  source "$STEPS"
  at 309 147; xdotool click --repeat 2 --delay 80 1; sleep 0.5
  at 638 32; xdotool click 1; sleep 0.3
  at 182 182; xdotool click 1; sleep 0.3
  [ -z "${SHOT:-}" ] || import -window root "$SHOT"
  ends_on_term "$pid" "with unsaved changes"
'
echo "termination check passed"
