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
program=$(realpath "$1")
example=$(realpath "$2")
shot=${3:-}
pageshot=${4:+$(realpath "$4")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Orvane/Kalidor/project" "$work/run" "$work/out"
chmod 700 "$work/run"
cp -r "$example" "$work/home/Orvane/Kalidor/project/例"
export KALIDOR_HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PROGRAM="$program" WORK="$work" HOME="$work" PAGESHOT="$pageshot"
export STEPS="$(dirname "$(realpath "$0")")/window_steps.sh"

xvfb-run -a -s "-screen 0 1280x800x24" bash -euo pipefail -c '
  "$PROGRAM" & first=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Kalidor$" | head -n 1)
  [ "$(xdotool getwindowname "$wid")" = Kalidor ] || { echo "wrong title"; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  [ "$WIDTH" = 950 ] && [ "$HEIGHT" = 686 ] || { echo "size ${WIDTH}x${HEIGHT}, expected 950x686"; exit 1; }
  # The first paint may follow the mapping; poll for a picture that is not one flat colour.
  deviation=0
  for _ in $(seq 40); do
    import -window root "$WORK/shot.png"
    deviation=$(convert "$WORK/shot.png" -format "%[fx:standard_deviation]" info:)
    [ "$deviation" != 0 ] && break
    sleep 0.25
  done
  [ "$deviation" != 0 ] || { echo "blank screenshot"; exit 1; }
  # A second instance brings the first to the front and ends, opening no window of its own.
  timeout 30 "$PROGRAM" 2>"$WORK/second.txt" || { echo "second instance: exit status $?"; cat "$WORK/second.txt"; exit 1; }
  grep -q "brought to the front" "$WORK/second.txt" || { echo "second instance said:"; cat "$WORK/second.txt"; exit 1; }
  [ "$(xdotool search --onlyvisible --name "^Kalidor$" | wc -l)" = 1 ] || { echo "a second window opened"; exit 1; }
  kill -0 "$first" || { echo "first instance ended"; exit 1; }
  # Places inside the main window: the first project, the movie page button, the width box,
  # the movie path browse button, the make button and the save button.
  source "$STEPS"
  at 309 147; xdotool click --repeat 2 --delay 80 1; sleep 0.5
  at 638 32; xdotool click 1; sleep 0.3
  # The preview'"'"'s ▶, then the keys: they work the player, never the format or the quality.
  at 76 644; xdotool click 1; sleep 0.6
  xdotool key Right Right Left End Home space; sleep 0.4; xdotool key space Right; sleep 0.3
  [ -z "$PAGESHOT" ] || import -window root "$PAGESHOT"
  # Every keystroke counts and odd widths become even at once, so a width of even prefixes.
  at 120 251; xdotool click --repeat 3 1; xdotool key ctrl+a; xdotool type --delay 30 200
  at 872 219; xdotool click 1
  # The name box of the file dialog has the focus.
  into "保存"
  xdotool type --delay 10 "$WORK/out/movie"; xdotool key Return
  sleep 0.5
  at 703 280; xdotool click 1
  status=$(timeout 20 xdotool search --sync --onlyvisible --name "^状況$" | head -n 1)
  project="$KALIDOR_HOME/Orvane/Kalidor/project/例"
  timeout 60 bash -c "until [ -e \"$WORK/out/movie.MP4\" ] && [ ! -e \"$project/tmp\" ]; do sleep 0.2; done" ||
    { echo "no movie from the save-movie page"; exit 1; }
  probe=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=width,height,nb_read_frames \
          -of csv=p=0 "$WORK/out/movie.MP4")
  [ "$probe" = "200,150,303" ] || { echo "movie: expected 200,150,303, got $probe"; exit 1; }
  # Close, the right button of the progress dialog, gives the main window back.
  eval "$(xdotool getwindowgeometry --shell "$status")"
  xdotool mousemove --sync --window "$status" $((WIDTH / 2 + 86)) $((HEIGHT - 20)) click 1
  timeout 10 bash -c "while xdotool search --onlyvisible --name \"^状況\$\" >/dev/null; do sleep 0.2; done" ||
    { echo "the progress dialog did not close"; exit 1; }
  # The project saved (its new width included), so that quitting has nothing to ask. Keys go to
  # the window under the pointer: Return answers Yes, then OK.
  at 792 32; xdotool click 1
  into "^確認\$"; xdotool key Return
  into "^Kalidor\$"; xdotool key Return
  timeout 10 bash -c "until grep -q \"size: 200 x 150\" <(\"\$(dirname \"$PROGRAM\")/kalidor-cli\" info \"$project\"); do sleep 0.2; done" ||
    { echo "the project was not saved with its new size"; exit 1; }
  info=$("$(dirname "$PROGRAM")/kalidor-cli" info "$project")
  grep -q "^format: MP4 (MovType 0)$" <<<"$info" && grep -q "^quality: 高画質 (MovQuality 1)$" <<<"$info" ||
    { echo "the keys changed a setting:"; echo "$info"; exit 1; }
  kill -TERM "$first"
  wait "$first" || { echo "exit status $? after SIGTERM"; exit 1; }
'
[ -z "$shot" ] || cp "$work/shot.png" "$shot"
echo "smoke check passed"
