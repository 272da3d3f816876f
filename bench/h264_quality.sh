#!/usr/bin/env bash
# The README's quality table: the example project (data/example, its own effects and captions)
# at 640 x 480 and 1280 x 720, each of the five qualities made into an MP4 as kalidor-cli export
# makes it now (H.264) and as it was made before (MPEG-4 part 2: ffmpeg's mpeg4 encoder at the
# quality's bit rate, from the same frames), with the PSNR of each movie against the movie's own
# frames (kalidor-cli frames: what the encoder was given) and its size. Prints a Markdown table.
# Candidate x264 presets can be measured beside the entry's own, through an ffmpeg on PATH that
# puts them in place of it, as bench/h264_bench.sh does.
# Usage: bench/h264_quality.sh [preset...]    e.g. bench/h264_quality.sh ultrafast superfast
set -euo pipefail
cd "$(dirname "$0")/.."
candidates=("$@")
scripts/build.sh > /dev/null
bin=$PWD/build/bin
ffmpeg=$(command -v ffmpeg)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/tools"
cat > "$work/tools/ffmpeg" <<SH
#!/usr/bin/env bash
args=() prev=
for a in "\$@"; do
  [ "\$prev" = -preset ] && a=\$KALIDOR_BENCH_X264
  args+=("\$a"); prev=\$a
done
exec $ffmpeg "\${args[@]}"
SH
chmod +x "$work/tools/ffmpeg"

rates=(4000 2000 1000 768 384)
names=("最高画質" "高画質" "通常画質" "低画質" "最低画質")
# psnr MOVIE FRAMES: the mean PSNR (Y, U and V weighted as ffmpeg weighs them) of the movie against the frames
psnr() {
  "$ffmpeg" -hide_banner -nostats -i "$1" -r 30 -i "$2/%6d.jpg" \
    -lavfi "[1:v]format=yuv420p[ref];[0:v][ref]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR .*average:\([0-9.inf]*\).*/\1/p' | tail -1 | awk '{ printf "%.1f", $1 }'
}
kib() { echo $(($(stat -c %s "$1") / 1024)); }

header="| size | quality | kbit/s | MPEG-4 part 2: PSNR, size | H.264 now: PSNR, size |"
rule="|---|---|---|---|---|"
for c in "${candidates[@]}"; do header+=" $c |"; rule+="---|"; done
echo "$header"
echo "$rule"
for size in 640x480 1280x720; do
  project=$work/example-$size
  cp -r data/example "$project"
  "$bin/peer-project" "$project" "$size" keep
  "$bin/kalidor-cli" frames "$project" "$work/frames-$size" > /dev/null 2>&1
  seconds=$("$bin/kalidor-cli" info "$project" | sed -n 's/^TotalSeconds[^0-9]*\([0-9]*\).*/\1/p')
  for q in 0 1 2 3 4; do
    now=$work/now-$size-$q.mp4 before=$work/before-$size-$q.mp4
    "$bin/kalidor-cli" export "$project" --quality "$q" --out "$now" > /dev/null 2>&1
    "$ffmpeg" -v error -y -r 30 -i "$work/frames-$size/%6d.jpg" -vcodec mpeg4 -f mp4 -b:v "${rates[$q]}k" \
      -s "$size" -t "$seconds.1" "$before"
    row="| ${size/x/ × } | $q ${names[$q]} | ${rates[$q]} | $(psnr "$before" "$work/frames-$size") dB, $(kib "$before") KiB | $(psnr "$now" "$work/frames-$size") dB, $(kib "$now") KiB |"
    for c in "${candidates[@]}"; do
      movie=$work/$c-$size-$q.mp4
      KALIDOR_BENCH_X264=$c PATH="$work/tools:$PATH" "$bin/kalidor-cli" export "$project" --quality "$q" --out "$movie" \
        > /dev/null 2>&1
      row+=" $(psnr "$movie" "$work/frames-$size") dB, $(kib "$movie") KiB |"
    done
    echo "$row"
  done
done
