#!/usr/bin/env bash
# The whole test run: installs what is missing, builds the native library and
# the Windows DLL, and runs every test — native suites, the export checks,
# the platform header fidelity check, the sanitizer build, and the Windows
# host programs under Wine. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/install-deps.sh

step() { printf '\n=== %s ===\n' "$*"; }
failures=()
run_suite() {
  local name=$1; shift
  if "$@"; then echo "--- $name: passed"; else echo "--- $name: FAILED"; failures+=("$name"); fi
}

step "native build"
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/linux -j "$jobs"
step "native tests"
run_suite native ctest --test-dir build/linux -j "$jobs" --output-on-failure --timeout 300

step "sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON \
  -DKORVANE_BENCHMARKS=OFF -DKORVANE_EXAMPLES=OFF >/dev/null
cmake --build build/asan -j "$jobs"
step "sanitizer tests"
run_suite sanitizer env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure --timeout 300 -E 'Fidelity'

step "fuzzing the BMP reader (libFuzzer, clang, 30 s)"
run_suite fuzz bash scripts/fuzz-bmp-reader.sh build/fuzz 30
step "fuzzing WAVE files and text through the exports (libFuzzer, clang, 20 s each, fixed seed)"
run_suite fuzz-library bash scripts/fuzz-library.sh build/fuzz 20

step "Windows DLL build (i686-w64-mingw32)"
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j "$jobs"
step "Windows tests under Wine"
run_suite wine xvfb-run -a -s "-screen 0 1024x768x24" \
  ctest --test-dir build/windows --output-on-failure --timeout 600

step "summary"
echo "suites: $((4 - ${#failures[@]})) passed, ${#failures[@]} failed"
if [ ${#failures[@]} -ne 0 ]; then
  echo "failed: ${failures[*]}"
  exit 1
fi
