# Sourced by the Xvfb checks before they start the program: the arguments <kalidor executable>
# <example project folder> [screenshot folder] read, and a scratch home, runtime folder and
# workspace holding the example project as 「例」, removed on exit. The checks wait on what the
# program shows through the accessibility bus, on a session bus of their own (xvfb-run ...
# dbus-run-session -- bash ...): without it they are skipped (77).
command -v dbus-run-session >/dev/null && [ -x /usr/libexec/at-spi-bus-launcher ] &&
  /usr/bin/python3 -c "import pyatspi" 2>/dev/null ||
  { echo "skipped: needs dbus-run-session, at-spi2-core and python3-pyatspi (scripts/setup.sh installs them)"; exit 77; }
program=$(realpath "$1")
example=$(realpath "$2")
shots=${3:+$(realpath "$3")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Orvane/Kalidor/project" "$work/run"
chmod 700 "$work/run"
cp -r "$example" "$work/home/Orvane/Kalidor/project/例"
here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
export KALIDOR_HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PROGRAM="$program" HOME="$work" SHOTS="$shots"
export STEPS="$here/window_steps.sh" BUS="$here/bus.py" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
