#!/usr/bin/env bash
# Checks that lib/ffmpeg, which decodes the frames itself, makes the movie plain ffmpeg makes
# reading the same frame files: for the bundled example and the peer benchmark's projects W1 and
# W2 (or the project folders given), the same frame count and a PSNR of at least 45 dB on every
# frame. Usage: bench/colour_check.sh [project-folder...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh > /dev/null
bin=$PWD/build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source bench/peer_projects.sh
projects=("$@")
if [ ${#projects[@]} -eq 0 ]; then
  cp -r data/example "$work/example"
  make_peer_projects "$work" "$bin"
  projects=("$work/example" "$work/W1" "$work/W2")
fi
failed=0
for project in "${projects[@]}"; do
  project=${project%/}
  rm -rf "$project/tmp"
  "$bin/kalidor-cli" frames "$project" "$project/tmp" > /dev/null 2>&1
  # The project's encoder line, with the movie in $work: split as the runner splits it.
  line=$("$bin/kalidor-cli" info "$project" | sed -n 's/^encoder: lib\/ffmpeg //p')
  eval "set -- ${line% \"*\"}"
  "$bin/lib/ffmpeg" "$@" "$work/new.mp4" > "$work/log" 2>&1 || { cat "$work/log"; exit 1; }
  plain=()
  while [ $# -gt 0 ]; do
    case $1 in
      -b) plain+=(-b:v "${2%b}"); shift ;;
      -ab) plain+=(-b:a "${2%b}"); shift ;;
      libfaac) plain+=(aac) ;;
      *) plain+=("$1") ;;
    esac
    shift
  done
  ffmpeg -v error "${plain[@]}" "$work/plain.mp4"
  rm -rf "$project/tmp"
  count() { ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 "$1"; }
  a=$(count "$work/new.mp4"); b=$(count "$work/plain.mp4")
  low=$(ffmpeg -v error -i "$work/new.mp4" -i "$work/plain.mp4" -lavfi "[0:v][1:v]psnr=stats_file=-" -f null - |
        sed -n 's/.*psnr_avg:\([^ ]*\).*/\1/p' | sed 's/inf/1000/' | sort -g | head -1)
  verdict=ok
  if [ "$a" != "$b" ] || awk -v l="$low" 'BEGIN { exit !(l < 45) }'; then verdict=FAILED; failed=1; fi
  printf '%s: %s frames (plain ffmpeg %s), lowest frame PSNR %s dB: %s\n' "$(basename "$project")" "$a" "$b" "$low" "$verdict"
done
exit $failed
