# Steps of the Xvfb checks that drive the desktop program with xdotool, sourced by them. Each
# works on the main window whose id is in $wid.

# The pointer to a place inside the main window.
at() { xdotool mousemove --sync --window "$wid" "$1" "$2"; }

# The newest visible window of that name other than the main window, waited for.
newest() {
  local w=""
  for _ in $(seq 100); do
    w=$(xdotool search --onlyvisible --name "$1" | grep -v "^$wid\$" | tail -n 1 || true)
    [ -n "$w" ] && break
    sleep 0.1
  done
  [ -n "$w" ] || { echo "no window named $1 ${2:-}" >&2; return 1; }
  sleep 0.3
  echo "$w"
}

# Without a window manager keys go to the window under the pointer: this waits for the newest
# visible window of that name other than the main window and puts the pointer into it.
into() {
  local w
  w=$(newest "$@") || exit 1
  xdotool mousemove --sync --window "$w" 20 20
}

# Waits until no window of that name but the main one is shown.
gone() {
  timeout 10 bash -c "while xdotool search --onlyvisible --name \"$1\" | grep -v \"^$wid\$\" >/dev/null; do sleep 0.1; done"
}
