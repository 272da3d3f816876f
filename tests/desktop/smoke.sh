#!/usr/bin/env bash
# Starts the real desktop program under Xvfb on a scratch workspace holding one project:
# waits for its window, checks title and size, takes a screenshot that must not be blank,
# checks that a second instance raises the first and leaves it running, exports the project through its
# save-movie page as a user would (open it, play the preview with ▶ and work it with the arrow
# keys, Home, End and Space, 200 wide, a movie path typed into the file dialog, the make button,
# the progress dialog's Close) and checks the movie with ffprobe, saves the project and checks
# that the keys left its format and quality as they were, and ends it with SIGTERM, which must
# quit cleanly (exit status 0).
# Usage: smoke.sh <kalidor executable> <example project folder> [screenshot path] [movie page screenshot path]
set -euo pipefail
source "$(dirname "$(realpath "$0")")/scratch_home.sh"
shot=${3:-}
mkdir -p "$work/out"
export WORK="$work" PAGESHOT="${4:+$(realpath "$4")}"

xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -euo pipefail -c '
  source "$STEPS"
  "$PROGRAM" & first=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  [ "$(xdotool getwindowname "$wid")" = Kalidor ] || { echo "wrong title"; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  [ "$WIDTH" = 950 ] && [ "$HEIGHT" = 686 ] || { echo "size ${WIDTH}x${HEIGHT}, expected 950x686"; exit 1; }
  # The first paint may follow the mapping: a picture that is not one flat colour.
  painted() {
    import -window root "$WORK/shot.png"
    [ "$(convert "$WORK/shot.png" -format "%[fx:standard_deviation]" info:)" != 0 ]
  }
  wait_until 30 "a screenshot that is not blank" painted
  # A second instance brings the first to the front and ends, opening no window of its own.
  timeout 30 "$PROGRAM" 2>"$WORK/second.txt" || { echo "second instance: exit status $?"; cat "$WORK/second.txt"; exit 1; }
  grep -q "brought to the front" "$WORK/second.txt" || { echo "second instance said:"; cat "$WORK/second.txt"; exit 1; }
  [ "$(xdotool search --onlyvisible --name "^Kalidor$" | wc -l)" = 1 ] || { echo "a second window opened"; exit 1; }
  kill -0 "$first" || { echo "first instance ended"; exit 1; }
  # Places inside the main window: the first project, the movie page button, the width box,
  # the movie path browse button, the make button and the save button.
  shown 例
  at 309 147; xdotool click --repeat 2 --delay 80 1; shown 画像を追加
  at 638 32; xdotool click 1; shown 動画を作成
  # The preview'"'"'s ▶, then the keys: they work the player, never the format or the quality.
  at 76 644; xdotool click 1; shown 一時停止
  xdotool key Right Right Left End; shown 再生 "00:10 / 00:10"
  xdotool key Home space; shown 一時停止 "00:01 / 00:10"
  xdotool key space Right; shown 再生
  [ -z "$PAGESHOT" ] || import -window root "$PAGESHOT"
  # Every keystroke counts and odd widths become even at once, so a width of even prefixes.
  at 120 251; xdotool click --repeat 3 1; xdotool key ctrl+a; xdotool type --delay 30 200
  at 872 219; xdotool click 1
  # The name box of the file dialog has the focus.
  into "保存"
  xdotool type --delay 10 "$WORK/out/movie"; xdotool key Return
  gone "保存"; wait_until 30 "the movie path in the box" bus text 保存場所 "out/movie"
  at 703 280; xdotool click 1
  status=$(newest "^状況$" "after the make button")
  project="$KALIDOR_HOME/Orvane/Kalidor/project/例"
  wait_until 60 "the movie from the save-movie page" test -e "$WORK/out/movie.MP4" -a ! -e "$project/tmp"
  probe=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=width,height,nb_read_frames \
          -of csv=p=0 "$WORK/out/movie.MP4")
  [ "$probe" = "200,150,303" ] || { echo "movie: expected 200,150,303, got $probe"; exit 1; }
  # Close, the right button of the finished progress dialog, gives the main window back.
  shown 閉じる
  eval "$(xdotool getwindowgeometry --shell "$status")"
  xdotool mousemove --sync --window "$status" $((WIDTH / 2 + 86)) $((HEIGHT - 20)) click 1
  gone "^状況\$"
  # The project saved (its new width included), so that quitting has nothing to ask. Keys go to
  # the window under the pointer: Return answers Yes, then OK.
  at 792 32; xdotool click 1
  into "^確認\$"; xdotool key Return
  into "^Kalidor\$"; xdotool key Return
  resized() { "$(dirname "$PROGRAM")/kalidor-cli" info "$project" | grep -q "size: 200 x 150"; }
  wait_until 30 "the project saved with its new size" resized
  info=$("$(dirname "$PROGRAM")/kalidor-cli" info "$project")
  grep -q "^format: MP4 (MovType 0)$" <<<"$info" && grep -q "^quality: 高画質 (MovQuality 1)$" <<<"$info" ||
    { echo "the keys changed a setting:"; echo "$info"; exit 1; }
  kill -TERM "$first"
  wait "$first" || { echo "exit status $? after SIGTERM"; exit 1; }
'
[ -z "$shot" ] || cp "$work/shot.png" "$shot"
echo "smoke check passed"
