#!/usr/bin/env bash
# The main job with the keyboard alone, under Xvfb with `xdotool key` (no pointer, no click):
# the example project opened with Enter in the list, two pictures chosen in the browser's grid
# and added with 画像を追加, the fourth panel chosen on the action page and given ズームイン with
# アクションを追加, a movie path chosen through 参照, 動画を作成, the finished 状況 dialog closed
# with Enter, the project saved; then the movie (ffprobe) and the project (kalidor-cli) checked.
# Without a window manager each new window is given the keyboard as one would give it
# (`xdotool windowfocus`); every Tab is counted, and after each step the check waits until the
# accessibility bus reports the focus where the step leads, so the Tab order is checked too.
# Usage: keyboard_walk.sh <kalidor executable> <example project folder> [screenshot folder]
set -euo pipefail
source "$(dirname "$(realpath "$0")")/scratch_home.sh"
mkdir -p "$work/Documents" "$work/out"
cp "$example/hills.jpg" "$work/Documents/a.jpg"
cp "$example/tower.bmp" "$work/Documents/b.bmp"
cp "$example/夕焼け.jpg" "$work/Documents/c.jpg"
export WORK="$work"

xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -euo pipefail -c '
  source "$STEPS"
  "$PROGRAM" & pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  shot() { [ -z "$SHOTS" ] || import -window root "$SHOTS/$1.png"; }
  # Keys as typed; a count of one key. After each step the check waits until the keyboard
  # focus is where the step leads (the bus says so), which checks the Tab order too.
  key() { xdotool key --delay 60 "$@"; }
  tabs() { xdotool key --delay 30 $(printf "$1 %.0s" $(seq "$2")); }
  # The keyboard to the newest shown window of that name other than the main one.
  give() {
    local w
    w=$(newest "$1" "($2)") || exit 1
    xdotool windowfocus --sync "$w"
  }
  project="$KALIDOR_HOME/Orvane/Kalidor/project/例"
  info() { "$(dirname "$PROGRAM")/kalidor-cli" info "$project"; }
  xdotool windowfocus --sync "$wid"
  shown 例

  # The project list has the keyboard: its first project, Enter.
  key Home Return; focus デスクトップ "(the picture page)"
  # The picture page: デスクトップ has the focus; ドキュメント, the places, the folders, the grid.
  tabs Tab 4; focus a.jpg "(the grid)"
  key Home shift+Right; focus b.bmp "(the grid)"
  shot keyboard-grid
  # 前へ, 後ろへ, 画像を追加: the two pictures go to the end of the storyboard.
  tabs Tab 3; focus 画像を追加; key space
  shown "縮小画像 005"
  wait_until 60 "the added pictures copied into the project" test -f "$project/a.jpg" -a -f "$project/b.bmp"
  shot keyboard-added
  # Back from 画像を追加, which has the focus again, to the menu'"'"'s アクション選択.
  focus 画像を追加 "(after adding)"; tabs shift+Tab 10; focus アクション選択; key space
  focus なし "(the action list)"
  # 動画保存, プロジェクト保存, the target, the list, the two buttons, then four stops a panel:
  # the fourth panel'"'"'s thumbnail, chosen with Space.
  tabs Tab 19; focus "縮小画像 004"; key space
  # Back to the list: ズームイン, the next name, then アクションを追加.
  tabs shift+Tab 15; focus なし "(the action list)"; key Down; focus ズームイン; tabs Tab 1; focus アクションを追加; key space
  shot keyboard-action
  # アクションを追加 back to the menu'"'"'s 動画保存: the list, the target, プロジェクト保存, 動画保存.
  tabs shift+Tab 4; focus 動画保存; key space
  # The movie page: the preview has the keyboard; round the menu and the settings to 参照 of
  # the save place, which opens the file dialog with the focus in its name box.
  focus プレビュー "(the movie page)"; tabs Tab 13; focus 参照; key space
  give "保存" "after 参照"
  focus "ファイル名(N):" "(the file dialog)"
  xdotool type --delay 10 "$WORK/out/movie"; key Return
  gone "保存"
  xdotool windowfocus --sync "$wid"; focus 参照 "(back from the file dialog)"
  wait_until 30 "the movie path in the box" bus text 保存場所 "out/movie"
  # 参照 to 動画を作成.
  tabs Tab 1; focus 動画を作成; key space
  give "^状況\$" "after 動画を作成"
  shown 動画作成の進み具合
  wait_until 120 "the movie made" test -e "$WORK/out/movie.MP4" -a ! -e "$project/tmp"
  focus 閉じる "(the finished 状況 dialog)"
  shot keyboard-finished
  key Return
  gone "^状況\$" || { echo "Enter did not close the finished 状況 dialog"; exit 1; }
  # Saved with the keys: the focus came back to 動画を作成; back over the settings to
  # プロジェクト保存, Yes, then OK.
  xdotool windowfocus --sync "$wid"; focus 動画を作成 "(after the 状況 dialog)"
  tabs shift+Tab 9; focus プロジェクト保存; key space
  give "^確認\$" "after プロジェクト保存"; key Return
  give "^Kalidor\$" "saved"; key Return
  saved() { info | grep -q "^pictures: 5"; }
  wait_until 30 "the two pictures added and saved" saved || { info; exit 1; }
  info | grep -q "^  4\. .* | apZoomIN " || { echo "the fourth picture has no ズームイン:"; info; exit 1; }
  total=$(info | sed -n "s/^TotalFrames: //p")
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 \
           "$WORK/out/movie.MP4")
  # The closing black frames come after the pictures'"'"' frames.
  [ "$frames" -gt "$total" ] || { echo "movie: $frames frames for $total"; exit 1; }
  kill -TERM "$pid"; wait "$pid"
'
echo "keyboard walk passed"
