#!/usr/bin/env bash
# Times kalidor-cli export against melt (the MLT framework's renderer) making the same movies from
# the same ten pictures of 1.9 to 3.1 megapixels (generated here, with grain, landscape and
# portrait), 6 s each, H.264 at 4000 kbit/s (melt with the x264 preset of the encoder entry),
# alternating the runs over the rounds so all see the same machine:
#   W1  1280 x 720, every picture zooming in (melt: an affine zoom from the fitted picture to 1.2x)
#   W2  640 x 480, no effect (melt: plain image producers, which fit the pictures)
# kalidor runs two ways: "now", the encoder taking each frame as it is written, and "before",
# every frame written first (kalidor-cli export --frames-first, or the kalidor-cli in the folder
# $KALIDOR_BASELINE when set, such as a build of an earlier version). Prints each run, the
# medians, the ratios melt / kalidor for both ways, kalidor's seconds in pass 1, 2 and 3, whether
# the two ways made the same movie, and the peak size of the project's tmp/ (as stored, and as it
# would be without hard links) in one more export each way that is not timed.
# Then L, a long movie: 40 pictures of 12 s at 1280 x 720, all zooming in (14,403 frames),
# exported both ways `long rounds` times, timed, and once more each way for the peak of tmp/.
# Usage: bench/peer_bench.sh [rounds, default 3] [long rounds, default 1; 0 leaves L out]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
long_rounds=${2:-1}
source bench/peer_projects.sh
prepare_peer_bench
[ "$long_rounds" -gt 0 ] && make_long_project "$work" "$bin"

profile() { # name width height aspect-w aspect-h
  printf 'description=%s\nframe_rate_num=30\nframe_rate_den=1\nwidth=%d\nheight=%d\nprogressive=1\nsample_aspect_num=1\nsample_aspect_den=1\ndisplay_aspect_num=%d\ndisplay_aspect_den=%d\n' \
    "$1" "$2" "$3" "$4" "$5" > "$work/$1.profile"
}
profile W1 1280 720 16 9
profile W2 640 480 4 3
melt_w1=() melt_w2=()
for p in "${pictures[@]}"; do
  melt_w1+=("$p" out=179 -attach-cut affine "transition.rect=0=0 0 1280 720;179=-128 -72 1536 864")
  melt_w2+=("$p" out=179)
done
now() { echo "${EPOCHREALTIME/,/.}"; }
sub() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a - b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Runs a command and prints its wall time and the seconds of kalidor's three passes, told by
# the first appearance of each pass text in its standard error.
cat > "$work/passes.py" <<'PY'
import subprocess, sys, time
texts = ["画像を動画サイズに変換中".encode(), "画像に効果を適用中".encode(), "動画作成の準備中".encode()]
start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
seen, tail = {}, b""
for chunk in iter(lambda: child.stderr.read1(65536), b""):
    tail = (tail + chunk)[-256:]
    for t in texts:
        if t not in seen and t in tail:
            seen[t] = time.monotonic()
end = time.monotonic()
if child.wait() != 0:
    sys.exit("export failed")
p = [seen.get(t, end) for t in texts] + [end]
print(f"{end - start:.2f} {p[1] - p[0]:.2f} {p[2] - p[1]:.2f} {p[3] - p[2]:.2f}")
PY

# kalidor WAY PROJECT: prints "total pass1 pass2 pass3"; WAY is now or before
kalidor() {
  local cli=$bin/kalidor-cli extra=()
  if [ "$1" = before ]; then
    if [ -n "${KALIDOR_BASELINE:-}" ]; then cli=$KALIDOR_BASELINE/kalidor-cli; else extra=(--frames-first); fi
  fi
  python3 "$work/passes.py" "$cli" export "$work/$2" --quality 0 --out "$work/$2.$1.mp4" "${extra[@]}"
}

# peak WAY PROJECT SECONDS: exports once more, untimed, sampling the size of tmp/ every SECONDS
# (du over the frames would slow down a timed run); prints "peak-bytes peak-bytes-without-links"
peak() {
  local way=$1 w=$2 project=$work/$2 stored flat
  ( while :; do
      du -s --block-size=1 "$project/tmp" 2> /dev/null | cut -f1
      du -sl --block-size=1 "$project/tmp" 2> /dev/null | cut -f1 | sed 's/^/l /'
      sleep "$3"
    done ) > "$work/du.$w.$way" &
  local sampler=$!
  kalidor "$way" "$w" > /dev/null
  kill "$sampler"; wait "$sampler" 2> /dev/null || true
  stored=$(grep -v '^l' "$work/du.$w.$way" | sort -n | tail -1)
  flat=$(grep '^l' "$work/du.$w.$way" | cut -d' ' -f2 | sort -n | tail -1)
  echo "${stored:-0} ${flat:-0}"
}

melt_run() {
  local w=$1 start end
  local -n cut=melt_${w,,}
  start=$(now)
  melt -quiet -profile "$work/$w.profile" "${cut[@]}" -consumer "avformat:$work/$w.melt.mp4" vcodec=libx264 \
    preset="$preset" vb=4000k an=1 \
    > /dev/null 2>&1
  end=$(now)
  sub "$end" "$start"
}

frames() { ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 "$1"; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

same() { cmp -s "$work/$1.now.mp4" "$work/$1.before.mp4" && echo "the same movie" || echo "DIFFERENT movies"; }

mib() { echo $(($1 / 1048576)); }

for w in W1 W2; do
  : > "$work/$w.now"; : > "$work/$w.before"; : > "$work/$w.m"
done
for ((r = 1; r <= rounds; r++)); do
  for w in W1 W2; do
    k=$(kalidor now "$w"); b=$(kalidor before "$w"); m=$(melt_run "$w")
    echo "$k" >> "$work/$w.now"; echo "$b" >> "$work/$w.before"; echo "$m" >> "$work/$w.m"
    read -r total p1 p2 p3 <<< "$k"
    printf 'round %d %s: kalidor %6.2f s (pass 1 %.2f, 2 %.2f, 3 %.2f), before %6.2f s, melt %6.2f s\n' \
      "$r" "$w" "$total" "$p1" "$p2" "$p3" "${b%% *}" "$m"
  done
done
for w in W1 W2; do
  kt=$(cut -d' ' -f1 "$work/$w.now" | median); bt=$(cut -d' ' -f1 "$work/$w.before" | median); mt=$(median < "$work/$w.m")
  p1=$(cut -d' ' -f2 "$work/$w.now" | median); p2=$(cut -d' ' -f3 "$work/$w.now" | median); p3=$(cut -d' ' -f4 "$work/$w.now" | median)
  read -r peak flat <<< "$(peak now "$w" 0.2)"
  read -r bpeak bflat <<< "$(peak before "$w" 0.2)"
  printf '%s medians: kalidor %.2f s (pass 1 %.2f s, pass 2 %.2f s, pass 3 %.2f s), before %.2f s, melt %.2f s\n' \
    "$w" "$kt" "$p1" "$p2" "$p3" "$bt" "$mt"
  printf '%s melt/kalidor %s (before %s), kalidor/before %s, %s; tmp/ peak %d MiB (%d MiB without links), before %d MiB (%d MiB); frames kalidor %s, melt %s\n' \
    "$w" "$(ratio "$mt" "$kt")" "$(ratio "$mt" "$bt")" "$(ratio "$kt" "$bt")" "$(same "$w")" \
    "$(mib "$peak")" "$(mib "$flat")" "$(mib "$bpeak")" "$(mib "$bflat")" "$(frames "$work/$w.now.mp4")" "$(frames "$work/$w.melt.mp4")"
done

[ "$long_rounds" -gt 0 ] || exit 0
: > "$work/L.now"; : > "$work/L.before"
for ((r = 1; r <= long_rounds; r++)); do
  k=$(kalidor now L); b=$(kalidor before L)
  echo "$k" >> "$work/L.now"; echo "$b" >> "$work/L.before"
  printf 'round %d L: kalidor %7.2f s, before %7.2f s\n' "$r" "${k%% *}" "${b%% *}"
done
kt=$(cut -d' ' -f1 "$work/L.now" | median); bt=$(cut -d' ' -f1 "$work/L.before" | median)
read -r peak flat <<< "$(peak now L 1)"
read -r bpeak bflat <<< "$(peak before L 1)"
printf 'L medians: kalidor %.2f s, before %.2f s, kalidor/before %s, %s; tmp/ peak %d MiB (%d MiB without links), before %d MiB (%d MiB), peak/before %s; frames %s\n' \
  "$kt" "$bt" "$(ratio "$kt" "$bt")" "$(same L)" "$(mib "$peak")" "$(mib "$flat")" "$(mib "$bpeak")" "$(mib "$bflat")" \
  "$(ratio "$peak" "$bpeak")" "$(frames "$work/L.now.mp4")"
