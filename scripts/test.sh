#!/usr/bin/env bash
# The whole test run: installs what is missing, builds the native library and
# the Windows DLL, and runs every test — native suites (one case per process,
# then each program whole with its cases shuffled), the export checks, the
# platform header fidelity check, the sanitizer build (both ways), and the
# Windows host programs under Wine. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/install-deps.sh

step() { printf '\n=== %s ===\n' "$*"; }
failures=()
suites=0
run_suite() {
  local name=$1; shift
  suites=$((suites + 1))
  if "$@"; then echo "--- $name: passed"; else echo "--- $name: FAILED"; failures+=("$name"); fi
}

# Each native test program once more, all its cases in one process in a
# shuffled order, beside the one-case-per-process runs of ctest: no case may
# lean on running alone or after another. The seed is fixed and printed so a
# failing order can be replayed (KORVANE_SHUFFLE_SEED picks another).
# Usage: run_shuffled <build dir> [NAME=value ...] (the environment of the runs).
shuffle_seed=${KORVANE_SHUFFLE_SEED:-4242}
run_shuffled() {
  local build=$1 status=0 program name log
  shift
  echo "shuffle seed: $shuffle_seed"
  for program in "$build"/tests/*_test; do
    [ -x "$program" ] || continue
    name=$(basename "$program")
    log="$build/shuffled-$name.log"
    if env "$@" KORVANE_TESTDATA="$root/../shared/testdata" "$program" --gtest_shuffle \
        --gtest_random_seed="$shuffle_seed" >"$log" 2>&1; then
      echo "$name: passed in one process"
    else
      echo "$name: FAILED in one process (seed $shuffle_seed)"; tail -n 40 "$log"; status=1
    fi
  done
  return $status
}

step "native build"
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/linux -j "$jobs"
step "native tests"
run_suite native ctest --test-dir build/linux -j "$jobs" --output-on-failure --timeout 300
step "native tests, each program in one process, shuffled"
run_suite native-shuffled run_shuffled build/linux

step "sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON \
  -DKORVANE_BENCHMARKS=OFF -DKORVANE_EXAMPLES=OFF >/dev/null
cmake --build build/asan -j "$jobs"
step "sanitizer tests"
run_suite sanitizer env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure --timeout 300 -E 'Fidelity'
step "sanitizer tests, each program in one process, shuffled"
run_suite sanitizer-shuffled run_shuffled build/asan ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1

step "fuzzing the BMP reader (libFuzzer, clang, 30 s)"
run_suite fuzz bash scripts/fuzz-bmp-reader.sh build/fuzz 30

step "Windows DLL build (i686-w64-mingw32)"
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j "$jobs"
step "Windows tests under Wine"
run_suite wine xvfb-run -a -s "-screen 0 1024x768x24" \
  ctest --test-dir build/windows --output-on-failure --timeout 600

step "summary"
echo "suites: $((suites - ${#failures[@]})) passed, ${#failures[@]} failed"
if [ ${#failures[@]} -ne 0 ]; then
  echo "failed: ${failures[*]}"
  exit 1
fi
