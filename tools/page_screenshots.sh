#!/bin/bash
# The screenshots of each page at scale 1 and 2 for the README: the program under Xvfb in a
# clean home whose Pictures folder holds the example's photos, with the example project open, in
# the interface language given (ja, the default, or en: docs/en/).
# Usage: tools/page_screenshots.sh <kalidor executable> <example project folder> <output folder> [language]
set -euo pipefail
here=$(dirname "$(realpath "$0")")
language=${4:-ja}
source "$here/../tests/desktop/scratch_home.sh"
export KALIDOR_LANGUAGE=$language
# The home holds only the user's folders: the workspace and runtime folder live beside it.
export HOME="$work/user"
mkdir -p "$HOME/Pictures" "$HOME/Desktop" "$HOME/Documents" "$HOME/.config"
if [ "$language" = ja ]; then
  names=(丘.jpg 塔.bmp 夕焼け.jpg)
else  # the user's files and project as an English user would name them
  names=(hills.jpg tower.bmp sunset.jpg)
  mv "$work/home/Orvane/Kalidor/project/例" "$work/home/Orvane/Kalidor/project/Trip"
fi
cp "$example/hills.jpg" "$HOME/Pictures/${names[0]}"
cp "$example/tower.bmp" "$HOME/Pictures/${names[1]}"
cp "$example/夕焼け.jpg" "$HOME/Pictures/${names[2]}"
printf 'XDG_PICTURES_DIR="$HOME/Pictures"\nXDG_DESKTOP_DIR="$HOME/Desktop"\nXDG_DOCUMENTS_DIR="$HOME/Documents"\n' \
  > "$HOME/.config/user-dirs.dirs"

shoot() {  # <scale>
  local scale=$1 pages=(picture action movie) xs=(280 460 640)
  export QT_SCALE_FACTOR=$scale
  "$PROGRAM" & local pid=$!
  source "$STEPS"
  wid=$(xdotool search --sync --onlyvisible --name '^Kalidor$' | head -n 1)
  sleep 2
  # The example project, the list's first, chosen, shown, and opened with Enter.
  xdotool windowfocus --sync "$wid" && sleep 0.5 && xdotool key Home && sleep 1
  import -window "$wid" "$SHOTS/project-page-scale$scale.png"
  xdotool key Return && sleep 2
  # The browser in the Pictures folder: from Documents, which has the focus, to the place box,
  # down from Documents to the home, into its folder tree, and "P".
  xdotool key Tab Tab && sleep 0.3 && xdotool key Down && sleep 1 && xdotool key Tab && sleep 0.3
  xdotool type P && sleep 3
  for i in 0 1 2; do
    [ "$i" = 0 ] || { at $((scale * ${xs[$i]})) $((scale * 30)) && xdotool click 1; sleep 3; }
    # The preview has the keyboard: a frame in the middle of the first picture's zoom.
    [ "$i" != 2 ] || { xdotool key --repeat 45 --delay 30 Right; sleep 3; }
    import -window "$wid" "$SHOTS/${pages[$i]}-page-scale$scale.png"
  done
  kill "$pid"; wait "$pid" || true
}
shoot 1
shoot 2
