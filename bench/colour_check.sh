#!/usr/bin/env bash
# Checks that lib/ffmpeg, which decodes the frames itself, gives the encoder the pictures plain
# ffmpeg gives it reading the same frame files: for the bundled example and the peer benchmark's
# projects W1 and W2 (or the project folders given), the raw frames the encoder receives (written
# out as rawvideo) have the same count and a PSNR of at least 45 dB on every frame. The movies
# at the project's bit rate are compared too and their lowest frame PSNR is printed: where the
# bit rate starves the encoder (fine grain at 1280 x 720), two encodes of pictures that differ by
# one level here and there differ much more than that, so only the inputs are held to 45 dB.
# For scale, plain ffmpeg decoding the frames with its other IDCT (-idct int) is compared too.
# Usage: bench/colour_check.sh [project-folder...]
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
  plain=() raw=(-y) inputs=0
  while [ $# -gt 0 ]; do  # every option but -y has a value
    case $1 in
      -y) plain+=(-y); shift; continue ;;
      -b) plain+=(-b:v "${2%b}") ;;
      -ab) plain+=(-b:a "${2%b}") ;;
      -acodec) plain+=(-acodec "${2/libfaac/aac}") ;;
      *) plain+=("$1" "$2") ;;
    esac
    case $1 in
      -r | -s | -t) raw+=("$1" "$2") ;;
      -i) inputs=$((inputs + 1)); [ $inputs -gt 1 ] || raw+=(-i "$2") ;;
    esac
    shift 2
  done
  ffmpeg -v error "${plain[@]}" "$work/plain.mp4"
  # The same with ffmpeg's other integer IDCT: how far two encodes of nearly equal inputs drift.
  ffmpeg -v error -idct int "${plain[@]}" "$work/plain-int.mp4"
  "$bin/lib/ffmpeg" "${raw[@]}" -vcodec rawvideo -f nut "$work/new.nut" > "$work/log" 2>&1 || { cat "$work/log"; exit 1; }
  ffmpeg -v error "${raw[@]}" -vcodec rawvideo -pix_fmt yuv420p -f nut "$work/plain.nut"
  rm -rf "$project/tmp"
  count() { ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 "$1"; }
  lowest() {
    ffmpeg -v error -i "$1" -i "$2" -lavfi "[0:v][1:v]psnr=stats_file=-" -f null - |
      sed -n 's/.*psnr_avg:\([^ ]*\).*/\1/p' | sed 's/inf/1000/' | awk 'NR == 1 || $1 < low { low = $1 } END { print low }'
  }
  a=$(count "$work/new.nut"); b=$(count "$work/plain.nut")
  low=$(lowest "$work/new.nut" "$work/plain.nut"); movie=$(lowest "$work/new.mp4" "$work/plain.mp4")
  drift=$(lowest "$work/plain-int.mp4" "$work/plain.mp4")
  rm -f "$work"/*.nut
  verdict=ok
  if [ "$a" != "$b" ] || awk -v l="$low" 'BEGIN { exit !(l < 45) }'; then verdict=FAILED; failed=1; fi
  printf '%s: %s frames (plain ffmpeg %s), lowest frame PSNR of the encoder input %s dB: %s; of the movies %s dB (plain ffmpeg with -idct int: %s dB)\n' \
    "$(basename "$project")" "$a" "$b" "$low" "$verdict" "$movie" "$drift"
done
exit $failed
