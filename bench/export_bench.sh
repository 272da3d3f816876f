#!/usr/bin/env bash
# Times kalidor-cli export of a 60-second 1280 x 720 project with zoom effects, with the frame
# workers on every core against one frame worker, alternating the two so that both see the same
# machine, and prints the ratio. Usage: bench/export_bench.sh [rounds, default 2]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-2}
scripts/build.sh > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bin/make-example-project "$work/project" --benchmark > /dev/null

seconds() { # runs the export with the given extra options; prints the wall time in seconds
  local start end
  start=$(date +%s.%N)
  build/bin/kalidor-cli export "$work/project" --out "$work/movie.mp4" "$@" > /dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

all=0 one=0
for ((i = 1; i <= rounds; i++)); do
  a=$(seconds); o=$(seconds --workers 1)
  printf 'round %d: all cores %.2f s, one worker %.2f s\n' "$i" "$a" "$o"
  all=$(awk -v x="$all" -v y="$a" 'BEGIN { print x + y }'); one=$(awk -v x="$one" -v y="$o" 'BEGIN { print x + y }')
done
awk -v o="$one" -v a="$all" 'BEGIN { printf "one worker / all cores: %.2f\n", o / a }'
