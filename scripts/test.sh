#!/usr/bin/env bash
# The whole test run: installs what is missing, checks that the includes
# keep to the layers (scripts/check_structure.py), builds the native library
# and the Windows DLL, and runs every test — native suites (one case per process,
# then each program whole with its cases shuffled), the install check, the export checks, the
# platform header fidelity check, the sanitizer build (both ways), a
# ThreadSanitizer build of the music and sound tests, the fuzz runs, and the
# Windows host programs under Wine. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/install-deps.sh

step() { printf '\n=== %s ===\n' "$*"; }
suites=0
failures=()
run_suite() {
  local name=$1; shift
  suites=$((suites + 1))
  if "$@"; then echo "--- $name: passed"; return 0; fi
  echo "--- $name: FAILED"; failures+=("$name"); return 1
}
# A suite that cannot run because what it needs failed to build counts as
# failed, so the summary still names it.
not_run() {
  suites=$((suites + 1))
  echo "--- $1: FAILED (not run: $2)"; failures+=("$1")
}
# Configures and builds one build folder: build <folder> <cmake options...>.
build() {
  local folder=$1; shift
  cmake -S . -B "$folder" -G Ninja "$@" >/dev/null && cmake --build "$folder" -j "$jobs"
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
  for program in "$build"/tests/*_test "$build"/platform/tests/*_test; do
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

# The suites that need a desktop, on a virtual one: the window driver under
# X with a window manager, and the sound card through SDL's disk audio
# driver, whose output file the suite compares with its WAV recording.
# Elsewhere these suites skip. Usage: run_on_desktop <build dir> [NAME=value ...].
run_on_desktop() {
  local build=$1 status=0 program
  shift
  for program in tests/display_window_test platform/tests/audio_sound_card_test; do
    if env "$@" SDL_DISKAUDIOFILE="$root/$build/disk-audio.raw" bash scripts/run-on-desktop.sh \
        "$build/$program" --gtest_shuffle --gtest_random_seed="$shuffle_seed" \
        >"$build/desktop-${program##*/}.log" 2>&1; then
      echo "${program##*/}: passed on the virtual desktop"; grep -h 'presentation on\|sound card:' "$build/desktop-${program##*/}.log" || true
    else
      echo "${program##*/}: FAILED on the virtual desktop"; tail -n 40 "$build/desktop-${program##*/}.log"; status=1
    fi
  done
  return $status
}

step "structure: includes point down the layers, no circle"
run_suite structure eval "python3 scripts/check_structure.py --self-test && python3 scripts/check_structure.py" || true

step "native build"
if run_suite "native build" build build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
  step "native tests"
  run_suite native ctest --test-dir build/linux -j "$jobs" --output-on-failure --timeout 300 || true
  step "native tests, each program in one process, shuffled"
  run_suite native-shuffled run_shuffled build/linux || true
  step "window and sound card on a virtual desktop (Xvfb, openbox, SDL's disk audio)"
  run_suite desktop run_on_desktop build/linux || true
  step "install: the installed tree, moved, builds and runs hosts through pkg-config and find_package"
  run_suite install bash scripts/check_install.sh build/linux build/install-check || true
else
  not_run native "the native build failed"
  not_run desktop "the native build failed"
  not_run install "the native build failed"
fi

step "sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
if run_suite "sanitizer build" build build/asan -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON \
    -DKORVANE_BENCHMARKS=OFF -DKORVANE_EXAMPLES=OFF; then
  step "sanitizer tests"
  run_suite sanitizer env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan -j "$jobs" --output-on-failure --timeout 300 -E 'Fidelity' || true
  step "sanitizer tests, each program in one process, shuffled"
  run_suite sanitizer-shuffled run_shuffled build/asan ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1 || true
  step "sanitizer build: window and sound card on a virtual desktop"
  # SDL draws without OpenGL here: Mesa's software OpenGL runs generated code
  # whose allocations the leak checker cannot attribute to any library.
  run_suite sanitizer-desktop run_on_desktop build/asan ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions="$root/scripts/lsan-desktop.supp" UBSAN_OPTIONS=print_stacktrace=1 \
    SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 || true
else
  not_run sanitizer "the sanitizer build failed"
  not_run sanitizer-desktop "the sanitizer build failed"
fi

step "thread sanitizer build of the music, sound and desktop tests"
# The module player ticks on the multimedia-timer thread while the host
# thread drives it: its music and sound test programs run under
# ThreadSanitizer, whole and shuffled. So do the window and sound card
# suites, whose drivers run threads of their own, on the virtual desktop.
tsan_programs=(tests/music_player_test tests/music_driver_test tests/music_modules_test tests/sound_device_test
               tests/sound_effects_test tests/sound_files_test platform/tests/winmm_mmio_test
               platform/tests/dsound_buffers_test tests/sound_stream_test)
run_tsan() {
  local program status=0
  for program in "${tsan_programs[@]}"; do
    if TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" KORVANE_TESTDATA="$root/../shared/testdata" \
        build/tsan/"$program" --gtest_shuffle --gtest_random_seed="$shuffle_seed" >"build/tsan/${program##*/}.log" 2>&1; then
      echo "${program##*/}: passed under ThreadSanitizer"
    else
      echo "${program##*/}: FAILED under ThreadSanitizer"; tail -n 60 "build/tsan/${program##*/}.log"; status=1
    fi
  done
  return $status
}
tsan_flags="-fsanitize=thread -fno-omit-frame-pointer"
if run_suite "thread sanitizer build" eval 'cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVANE_BENCHMARKS=OFF -DKORVANE_EXAMPLES=OFF -DCMAKE_CXX_FLAGS="$tsan_flags" -DCMAKE_C_FLAGS="$tsan_flags" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null &&
    cmake --build build/tsan -j "$jobs" --target "${tsan_programs[@]##*/}" mikmod_reference_render \
      display_window_test audio_sound_card_test'; then
  run_suite thread-sanitizer run_tsan || true
  run_suite thread-sanitizer-desktop run_on_desktop build/tsan \
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/scripts/tsan-desktop.supp" || true
else
  not_run thread-sanitizer "the thread sanitizer build failed"
  not_run thread-sanitizer-desktop "the thread sanitizer build failed"
fi

step "fuzzing the BMP reader (libFuzzer, clang, 30 s)"
run_suite fuzz bash scripts/fuzz-bmp-reader.sh build/fuzz 30 || true
step "fuzzing WAVE files, text and module files through the exports (libFuzzer, clang, 20 s each, fixed seed)"
run_suite fuzz-library bash scripts/fuzz-library.sh build/fuzz 20 || true

step "Windows DLL build (i686-w64-mingw32)"
if run_suite "Windows build" build build/windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release; then
  step "Windows tests under Wine"
  # The host programs and the conformance suites run under Wine on a 24-bit
  # virtual screen (Wine then offers 32-bit display modes).
  run_suite wine xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir build/windows --output-on-failure --timeout 600 -E 'WineD3d16' || true
  # The 16-bit Direct3D run needs a 16-bit X screen for Wine's 16-bit modes.
  run_suite wine-16bit xvfb-run -a -s "-screen 0 1024x768x16" \
    ctest --test-dir build/windows --output-on-failure --timeout 600 -R 'WineD3d16' || true
  step "packages: the Debian packages installed, used and removed; the Windows SDK alone under Wine"
  run_suite packages eval 'bash scripts/package.sh --linux build/linux --windows build/windows &&
    bash scripts/check_packages.sh build/packages-check' || true
else
  not_run wine "the Windows build failed"
  not_run packages "the Windows build failed"
fi

step "summary"
echo "suites: $((suites - ${#failures[@]})) passed, ${#failures[@]} failed"
if [ ${#failures[@]} -ne 0 ]; then
  echo "failed: ${failures[*]}"
  exit 1
fi
