#!/usr/bin/env bash
# The main job with the keyboard alone, under Xvfb with `xdotool key` (no pointer, no click):
# the example project opened with Enter in the list, two pictures chosen in the browser's grid
# and added with 画像を追加, the fourth panel chosen on the action page and given ズームイン with
# アクションを追加, a movie path chosen through 参照, 動画を作成, the finished 状況 dialog closed
# with Enter, the project saved; then the movie (ffprobe) and the project (kalidor-cli) checked.
# Without a window manager each new window is given the keyboard as one would give it
# (`xdotool windowfocus`); every Tab is counted, so the Tab order is checked too.
# Usage: keyboard_walk.sh <kalidor executable> <example project folder> [screenshot folder]
set -euo pipefail
source "$(dirname "$(realpath "$0")")/scratch_home.sh"
mkdir -p "$work/Documents" "$work/out"
cp "$example/hills.jpg" "$work/Documents/a.jpg"
cp "$example/tower.bmp" "$work/Documents/b.bmp"
cp "$example/夕焼け.jpg" "$work/Documents/c.jpg"
export WORK="$work"

xvfb-run -a -s "-screen 0 1280x800x24" bash -euo pipefail -c '
  source "$STEPS"
  "$PROGRAM" & pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  shot() { [ -z "$SHOTS" ] || import -window root "$SHOTS/$1.png"; }
  key() { xdotool key --delay 60 "$@"; sleep 0.3; }
  tabs() { local k=$1; shift; for _ in $(seq "$1"); do xdotool key "$k"; sleep 0.05; done; sleep 0.2; }
  # The keyboard to the newest shown window of that name other than the main one.
  give() {
    local w
    w=$(newest "$1" "($2)") || exit 1
    xdotool windowfocus --sync "$w"
  }
  gone() { timeout 60 bash -c "while xdotool search --onlyvisible --name \"$1\" | grep -v \"^$wid\$\" >/dev/null; do sleep 0.2; done"; }
  project="$KALIDOR_HOME/Orvane/Kalidor/project/例"
  info() { "$(dirname "$PROGRAM")/kalidor-cli" info "$project"; }
  xdotool windowfocus --sync "$wid"; sleep 0.5

  # The project list has the keyboard: its first project, Enter.
  key Home Return
  # The picture page: デスクトップ has the focus; ドキュメント, the places, the folders, the grid.
  tabs Tab 4; key Home shift+Right
  shot keyboard-grid
  # 前へ, 後ろへ, 画像を追加: the two pictures go to the end of the storyboard.
  tabs Tab 3; key space; sleep 3
  shot keyboard-added
  # Back from 画像を追加, which has the focus again, to the menu'"'"'s アクション選択.
  tabs shift+Tab 10; key space
  # 動画保存, プロジェクト保存, the target, the list, the two buttons, then four stops a panel:
  # the fourth panel'"'"'s thumbnail, chosen with Space.
  tabs Tab 19; key space
  # Back to the list: ズームイン, the next name, then アクションを追加.
  tabs shift+Tab 15; key Down; tabs Tab 1; key space
  shot keyboard-action
  # アクションを追加 back to the menu'"'"'s 動画保存: the list, the target, プロジェクト保存, 動画保存.
  tabs shift+Tab 4; key space
  # The movie page: the preview has the keyboard; round the menu and the settings to 参照 of
  # the save place, which opens the file dialog with the focus in its name box.
  tabs Tab 13; key space
  give "保存" "after 参照"
  xdotool type --delay 10 "$WORK/out/movie"; key Return
  gone "保存"
  xdotool windowfocus --sync "$wid"; sleep 0.3
  # 参照 to 動画を作成.
  tabs Tab 1; key space
  give "^状況\$" "after 動画を作成"
  timeout 120 bash -c "until [ -e \"$WORK/out/movie.MP4\" ] && [ ! -e \"$project/tmp\" ]; do sleep 0.3; done" ||
    { echo "no movie"; exit 1; }
  sleep 0.5
  shot keyboard-finished
  key Return
  gone "^状況\$" || { echo "Enter did not close the finished 状況 dialog"; exit 1; }
  # Saved with the keys: the focus came back to 動画を作成; back over the settings to
  # プロジェクト保存, Yes, then OK.
  xdotool windowfocus --sync "$wid"; sleep 0.3
  tabs shift+Tab 9; key space
  give "^確認\$" "after プロジェクト保存"; key Return
  give "^Kalidor\$" "saved"; key Return
  timeout 10 bash -c "until \"$(dirname "$PROGRAM")/kalidor-cli\" info \"$project\" | grep -q \"^pictures: 5\"; do sleep 0.2; done" ||
    { echo "the two pictures were not added:"; info; exit 1; }
  info | grep -q "^  4\. .* | apZoomIN " || { echo "the fourth picture has no ズームイン:"; info; exit 1; }
  total=$(info | sed -n "s/^TotalFrames: //p")
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 \
           "$WORK/out/movie.MP4")
  # The closing black frames come after the pictures'"'"' frames.
  [ "$frames" -gt "$total" ] || { echo "movie: $frames frames for $total"; exit 1; }
  kill -TERM "$pid"; wait "$pid"
'
echo "keyboard walk passed"
