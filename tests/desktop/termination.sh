#!/usr/bin/env bash
# SIGTERM ends the desktop program promptly whatever it shows, with status 0: a start-up notice
# (the signal must not be lost when the main loop starts afterwards), and the main window with
# unsaved changes (no question may wait for an answer nobody gives).
# Usage: termination.sh <kalidor executable> <example project folder>
set -euo pipefail
source "$(dirname "$(realpath "$0")")/scratch_home.sh"
export WORK="$work"

xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -euo pipefail -c '
  source "$STEPS"
  ended() { ! kill -0 "$1" 2>/dev/null; }
  ends_on_term() {
    kill -TERM "$1"
    wait_until 30 "the end after SIGTERM $2" ended "$1" || { kill -KILL "$1"; exit 1; }
    wait "$1" || { echo "$2: exit status $?"; exit 1; }
  }

  # A start-up notice: a folder in place of a menu image makes the first page switch fail.
  home=$KALIDOR_HOME
  export KALIDOR_HOME="$WORK/broken"
  mkdir -p "$KALIDOR_HOME/Orvane/Kalidor/img/menu01_02.png"
  "$PROGRAM" & pid=$!
  timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" >/dev/null
  ends_on_term "$pid" "during a start-up notice"

  # Unsaved changes: the example project opened and its ratio changed on the movie page.
  export KALIDOR_HOME=$home
  "$PROGRAM" & pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  shown 例
  at 309 147; xdotool click --repeat 2 --delay 80 1; shown 画像を追加
  at 638 32; xdotool click 1; shown 動画を作成
  at 182 182; xdotool click 1; wait_until 30 "the ratio 16:9 chosen" bus is "16：9" checked
  [ -z "${SHOT:-}" ] || import -window root "$SHOT"
  ends_on_term "$pid" "with unsaved changes"
'
echo "termination check passed"
