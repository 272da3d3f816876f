#!/usr/bin/env bash
# The storyboard as a person uses it, under Xvfb with xdotool: the example project opened, an
# action given to a panel with the add button (leaving for the project page must then ask about
# the unsaved change), an action dragged with Shift held onto another panel (a copy: the list
# keeps its names), a panel double-clicked (the movie page's preview shows it), typed into and
# deleted (it must go), 元に戻す from the strip's right-click menu (it comes back with the typed
# caption, as it was) and Ctrl+Shift+Z (it goes again), each saved and checked.
# Usage: storyboard_clicks.sh <kalidor executable> <example project folder> [screenshot folder]
set -euo pipefail
source "$(dirname "$(realpath "$0")")/scratch_home.sh"
export WORK="$work"

xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -euo pipefail -c '
  "$PROGRAM" & pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  source "$STEPS"
  shot() { [ -z "$SHOTS" ] || import -window root "$SHOTS/$1.png"; }
  info() { "$(dirname "$PROGRAM")/kalidor-cli" info "$KALIDOR_HOME/Orvane/Kalidor/project/例"; }
  # Panel i of the strip: its thumbnail, at the window'"'"'s bottom; its caption box below it.
  panel() { at $((15 + 200 * $1 + 66 + 53)) 531; }
  caption() { at $((15 + 200 * $1 + 7 + 60)) 626; }
  # The third panel: shown, or gone.
  third() { bus showing "縮小画像 003"; }
  no_third() { ! third; }

  shown 例
  at 309 147; xdotool click --repeat 2 --delay 80 1; shown 画像を追加
  at 462 32; xdotool click 1; shown アクションを追加
  # The third picture gets the zoom in (the list'"'"'s second name) with the add button.
  panel 2; xdotool click 1
  at 60 155; xdotool click 1; focus ズームイン
  at 359 438; xdotool click 1
  shot action-given
  # Leaving for the project page asks; Escape answers No and the page stays.
  at 104 32; xdotool click 1
  into "^確認\$" "after the add button"
  xdotool key Escape; gone "^確認\$"
  # The zoom out (the third name) dragged onto the first panel with Shift held, twice: had the
  # first drag taken the name out of the list, the second would give the next one. A drag
  # within the program is handled in the order of the pointer'"'"'s events, which --sync keeps.
  for _ in 1 2; do
    at 60 168; xdotool keydown shift mousedown 1
    for x in 70 90 120 100; do at $x 300; done
    panel 0; xdotool mouseup 1 keyup shift
  done
  focus ズームアウト "(the dragged name)"
  shot shift-drag
  # A double-clicked panel shows its picture in the movie page'"'"'s preview and stays selected:
  # back on the picture page, typed into (the caption box does not select), the delete button
  # deletes it.
  at 287 32; xdotool click 1; shown 画像を追加
  panel 1; xdotool click --repeat 2 --delay 80 1; shown 動画を作成
  shot double-clicked
  at 287 32; xdotool click 1; shown 画像を追加
  caption 1; xdotool click 1 key End; xdotool type --delay 30 " Q"
  wait_until 30 "the caption typed" bus text "文字 002" " Q\$"
  at 824 438; xdotool click 1
  into "^確認\$" "after the delete button"
  xdotool key Return; gone "^確認\$"; wait_until 30 "the panel deleted" no_third
  shot deleted
  # Saved: Yes, then OK; then the pictures there must be.
  save() {
    at 792 32; xdotool click 1
    into "^確認\$" "after the save button"; xdotool key Return
    into "^Kalidor\$" "saved"; xdotool key Return; gone "^Kalidor\$"
    pictures() { info | grep -q "^pictures: $1"; }
    wait_until 30 "$2" pictures "$1" || { info; exit 1; }
  }
  save 2 "the double-clicked panel was not deleted"
  # The right-click menu of the strip'"'"'s free space names the step; its first entry, 元に戻す,
  # brings the deleted panel back. Ctrl+Shift+Z deletes it again.
  menu() { [ "$(xdotool search --onlyvisible --pid "$pid" | wc -l)" -gt 1 ]; }
  at 640 560; xdotool click 3; wait_until 30 "the right-click menu" menu
  shot edit-menu
  at 680 572; xdotool click 1; wait_until 30 "the deleted panel back" third
  shot undone
  save 3 "元に戻す did not bring the deleted panel back"
  info | grep -q "^  2\. hills\.jpg | 3 s | .* | \"Green hills 緑の丘 Q\" |" ||
    { echo "the panel came back without the caption typed into it:"; info; exit 1; }
  at 600 300; xdotool click 1 key ctrl+shift+z; wait_until 30 "the panel deleted again" no_third
  save 2 "Ctrl+Shift+Z did not delete the panel again"
  info | grep -q "^  1\. 夕焼け\.jpg | 4 s | apZoomOut " || { echo "the Shift drag gave no action:"; info; exit 1; }
  info | grep -q "^  2\. tower\.bmp | 3 s | apZoomIN " || { echo "the add button gave no action:"; info; exit 1; }
  kill -TERM "$pid"; wait "$pid"
'
echo "storyboard clicks check passed"
