#!/usr/bin/env bash
# Times the MP4 export (H.264) of a 1280 x 720 project of ten pictures zooming in, 6 s each
# (bench/peer_projects.sh's W1, 1,803 frames), against the AVI export of the same project and
# against melt (the MLT framework's renderer) making H.264 of the same pictures with the same
# x264 preset at the same bit rate (4000 kbit/s, quality 0), alternating the runs over the rounds
# so that all see the same machine. Prints each run, the medians and the ratios MP4 / AVI (at
# most 1.6 is asked) and melt / MP4, with each movie's size.
# Candidate x264 settings are timed beside them, each as "preset" or "preset:threads" (the
# encoder's threads; without, x264's own choice), through an ffmpeg on PATH that puts them in
# place of the entry's: this is how the entry's preset (kH264Preset) was chosen.
# Usage: bench/h264_bench.sh [rounds, default 3] [candidate...]
#   e.g. bench/h264_bench.sh 3 ultrafast superfast veryfast:1 veryfast:2 faster
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
shift || true
candidates=("$@")
source bench/peer_projects.sh
prepare_peer_bench

# The ffmpeg a candidate runs: the real one with its preset and threads in the entry's place.
mkdir "$work/tools"
cat > "$work/tools/ffmpeg" <<SH
#!/usr/bin/env bash
preset=\${KALIDOR_BENCH_X264%%:*} threads=
[[ \$KALIDOR_BENCH_X264 == *:* ]] && threads=\${KALIDOR_BENCH_X264#*:}
args=() prev= x264=false
for a in "\$@"; do
  if [ "\$prev" = -preset ]; then a=\$preset; x264=true; fi
  args+=("\$a"); prev=\$a
done
if \$x264 && [ -n "\$threads" ]; then
  out=\${args[-1]}; unset 'args[-1]'; args+=(-threads "\$threads" "\$out")
fi
exec $(command -v ffmpeg) "\${args[@]}"
SH
chmod +x "$work/tools/ffmpeg"

now() { echo "${EPOCHREALTIME/,/.}"; }
sub() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a - b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
kib() { echo $(($(stat -c %s "$1") / 1024)); }

# run NAME: one timed run of the way NAME (avi, mp4, melt or a candidate); prints its seconds
run() {
  local name=$1 start end
  start=$(now)
  case $name in
    avi) "$bin/kalidor-cli" export "$work/W1" --quality 0 --format avi --out "$work/avi.avi" > /dev/null 2>&1 ;;
    mp4) "$bin/kalidor-cli" export "$work/W1" --quality 0 --out "$work/mp4.mp4" > /dev/null 2>&1 ;;
    melt)
      local cut=()
      for p in "${pictures[@]}"; do
        cut+=("$p" out=179 -attach-cut affine "transition.rect=0=0 0 1280 720;179=-128 -72 1536 864")
      done
      melt -quiet -profile "$work/W1.profile" "${cut[@]}" -consumer "avformat:$work/melt.mp4" vcodec=libx264 \
        preset="$preset" vb=4000k an=1 > /dev/null 2>&1 ;;
    *) KALIDOR_BENCH_X264=$name PATH="$work/tools:$PATH" \
         "$bin/kalidor-cli" export "$work/W1" --quality 0 --out "$work/$name.mp4" > /dev/null 2>&1 ;;
  esac
  end=$(now)
  sub "$end" "$start"
}
printf 'description=W1\nframe_rate_num=30\nframe_rate_den=1\nwidth=1280\nheight=720\nprogressive=1\nsample_aspect_num=1\nsample_aspect_den=1\ndisplay_aspect_num=16\ndisplay_aspect_den=9\n' \
  > "$work/W1.profile"

ways=(avi mp4 melt "${candidates[@]}")
for w in "${ways[@]}"; do : > "$work/$w.times"; done
for ((r = 1; r <= rounds; r++)); do
  line="round $r:"
  # Each round starts with another way, so no way always runs on a machine just warmed up.
  for ((i = 0; i < ${#ways[@]}; i++)); do
    w=${ways[$(((i + r - 1) % ${#ways[@]}))]}
    t=$(run "$w")
    echo "$t" >> "$work/$w.times"
    line+=" $w $t s,"
  done
  echo "${line%,}"
done

file_of() { case $1 in avi) echo "$work/avi.avi" ;; mp4) echo "$work/mp4.mp4" ;; melt) echo "$work/melt.mp4" ;; *) echo "$work/$1.mp4" ;; esac; }
avi=$(median < "$work/avi.times")
mp4=$(median < "$work/mp4.times")
echo "medians (x264 preset of the entry: $preset):"
for w in "${ways[@]}"; do
  t=$(median < "$work/$w.times")
  printf '  %-14s %7.2f s  %s / AVI %s  %6d KiB\n' "$w" "$t" "$w" "$(ratio "$t" "$avi")" "$(kib "$(file_of "$w")")"
done
echo "MP4 / AVI $(ratio "$mp4" "$avi") (at most 1.60 asked), melt / MP4 $(ratio "$(median < "$work/melt.times")" "$mp4")"
