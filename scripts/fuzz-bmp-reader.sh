#!/usr/bin/env bash
# Builds the BMP reader's fuzzer with clang in its own build folder and runs
# it for a bounded time, with a fixed random seed, over the corpus kept in
# fuzz/corpus/bmp_reader, freshly generated seeds, and the shared real BMP
# files when they are present.
# Usage: fuzz-bmp-reader.sh [build dir] [seconds] [random seed]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
seconds=${2:-30}
seed=${3:-1}

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2
mkdir -p "$build/corpus"
"$build/make_bmp_seeds" "$build/corpus"
shared=()
for dir in ../shared/testdata/bmp/g ../shared/testdata/bmp/q ../shared/testdata/bmp/b; do
  if [ -d "$dir" ]; then shared+=("$dir"); fi
done
# New inputs go to the first folder only, never into the kept corpus or the
# shared files.
"$build/bmp_reader_fuzzer" -seed="$seed" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
  "$build/corpus" fuzz/corpus/bmp_reader "${shared[@]}"
