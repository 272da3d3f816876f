#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds-per-target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ -f build-fuzz/build.ninja ] ||
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALIDOR_FUZZ=ON
ninja -C build-fuzz -j2
status=0
for target in build-fuzz/bin/fuzz_*; do
  name=$(basename "$target")
  corpus=tests/fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  seeds=()
  [ -d "$corpus" ] && seeds=("$corpus")
  echo "== $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/" "$work" "${seeds[@]}" >"$work/log" 2>&1; then
    tail -n 40 "$work/log"
    echo "$name found a problem; the input is in $work"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$work/log" | tail -n 2
    rm -rf "$work"
  fi
done
exit $status
