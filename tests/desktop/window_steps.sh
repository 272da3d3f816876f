# Steps of the Xvfb checks that drive the desktop program with xdotool, sourced by them. Each
# works on the main window whose id is in $wid. They wait on what the program shows (a window,
# what the accessibility bus reports, a file), never for a set time.

# Runs the command every tenth of a second until it succeeds; after `seconds` says what did not
# come and fails. Usage: wait_until <seconds> <what is awaited> <command> [arguments...]
wait_until() {
  local seconds=$1 what=$2 end
  shift 2
  end=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || { echo "not within $seconds s: $what" >&2; return 1; }
    sleep 0.1
  done
}

# What the program shows, asked through the accessibility bus (bus.py lists the questions).
bus() { /usr/bin/python3 "$BUS" "$@" 2>/dev/null; }
# Waits until the bus shows these objects, or the object named $1 with the keyboard focus.
shown() { wait_until 30 "$* on the screen" bus showing "$@"; }
focus() { wait_until 30 "the keyboard focus on $1 ${2:-}" bus is "$1" focused; }

# The pointer to a place inside the main window.
at() { xdotool mousemove --sync --window "$wid" "$1" "$2"; }

# The newest visible window of that name other than the main window (its id); none: fails.
other_window() { xdotool search --onlyvisible --name "$1" | grep -v "^$wid\$" | tail -n 1 | grep .; }
no_other_window() { ! other_window "$1" >/dev/null; }
# Whether the window has the keyboard.
has_keys() { [ "$(xdotool getwindowfocus)" = "$1" ]; }

# The newest visible window of that name other than the main window, waited for.
newest() {
  wait_until 30 "a window named $1 ${2:-}" other_window "$1" >/dev/null && other_window "$1"
}

# A question or message: the newest visible window of that name other than the main window,
# waited for until the program has given it the keyboard, with the pointer put into it.
into() {
  local w
  w=$(newest "$@") || exit 1
  wait_until 30 "the keyboard in the window named $1 ${2:-}" has_keys "$w" || exit 1
  xdotool mousemove --sync --window "$w" 20 20
}

# Waits until no window of that name but the main one is shown.
gone() { wait_until 30 "the window named $1 to close" no_other_window "$1"; }
