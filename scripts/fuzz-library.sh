#!/usr/bin/env bash
# Builds the WAVE-file, text and module-file fuzzers (libFuzzer, clang, through the
# library's exports) and runs each for a bounded time with a fixed seed over
# the seed corpora kept in fuzz/corpus. Usage: fuzz-library.sh [build dir]
# [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
seconds=${2:-20}

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 --target wave_file_fuzzer text_fuzzer module_loader_fuzzer
# The fuzzers work in a scratch folder of their own: corpus paths are absolute.
root=$(pwd)
case $build in /*) ;; *) build="$root/$build" ;; esac
for target in wave_file text module_loader; do
  # New inputs go to the build folder's corpus, never into fuzz/corpus.
  mkdir -p "$build/corpus-$target"
  echo "--- $target: $seconds s"
  ASAN_OPTIONS=detect_leaks=1 "$build/${target}_fuzzer" -seed=1 -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "$build/corpus-$target" "$root/fuzz/corpus/$target"
done
# The MIDI file reader of the platform's sequencer.
cmake --build "$build" -j 2 --target midi_parser_fuzzer
mkdir -p "$build/corpus-midi_parser" && echo "--- midi_parser: $seconds s" && ASAN_OPTIONS=detect_leaks=1 "$build/midi_parser_fuzzer" -seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$build/corpus-midi_parser" "$root/fuzz/corpus/midi_parser"
