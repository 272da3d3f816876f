#!/usr/bin/env bash
# What a screen reader finds on each page of the real program, read through the accessibility
# bus (at-spi2-core, on a session bus of its own) under Xvfb, and one press made with the
# keyboard: screen_reader.py. Skipped (77) without the bus or its Python client.
# Usage: screen_reader.sh <kalidor executable> <example project folder>
set -euo pipefail
program=$(realpath "$1")
example=$(realpath "$2")
command -v dbus-run-session >/dev/null && [ -x /usr/libexec/at-spi-bus-launcher ] &&
  /usr/bin/python3 -c "import pyatspi" 2>/dev/null ||
  { echo "skipped: needs dbus-run-session, at-spi2-core and python3-pyatspi"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Orvane/Kalidor/project" "$work/run"
chmod 700 "$work/run"
cp -r "$example" "$work/home/Orvane/Kalidor/project/例"
# Qt offers its objects on the bus only when a screen reader is said to run, or when told to.
export KALIDOR_HOME="$work/home" XDG_RUNTIME_DIR="$work/run" HOME="$work" PROGRAM="$program" EXAMPLE="$example"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 CHECK="$(dirname "$(realpath "$0")")/screen_reader.py"

xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -euo pipefail -c '
  "$PROGRAM" & pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  # No window manager: the keyboard is given to the window as one would.
  xdotool windowfocus --sync "$wid"
  WID="$wid" /usr/bin/python3 "$CHECK"
  kill -TERM "$pid"; wait "$pid"
'
