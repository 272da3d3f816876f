#!/usr/bin/env bash
# Builds the engine and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build-asan/build.ninja ] ||
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKALIDOR_SANITIZE=ON -DKALIDOR_BUILD_BENCH=OFF
ninja -C build-asan -j2
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$PWD/scripts/lsan.supp":print_suppressions=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j2
