#!/usr/bin/env bash
# Installs, through apt-get and only when something is missing, the packages
# of one of two sets:
#   demo  what building and running the example host needs: the compiler,
#         CMake, FreeType, fontconfig and the DejaVu fonts for GDI text,
#         libmikmod for module music, FluidSynth with a General MIDI sound
#         font for the MIDI sequencer, FFmpeg's libraries for the media
#         window's video, and SDL2 for the window and sound card drivers;
#   test  (the default) all of that, plus GoogleTest (its sources too, which
#         the Windows build compiles with mingw), Google Benchmark with SDL2,
#         SDL2_ttf and pixman for the side-by-side 2D comparison and OSMesa
#         for the rasteriser's, zlib for the packed reference images, clang
#         and its runtime for the fuzzer, the mingw cross toolchain, Wine with
#         its 32-bit half (and the 32-bit OpenGL that Wine's DirectDraw needs
#         for flip chains and video memory), a virtual X display with the
#         desktop the window suites run on (openbox and the X tools that
#         inject input and read the screen back), LLVM's tools (llvm-dlltool
#         makes the Windows SDK's MSVC import library), and dpkg-dev for fetching
#         libmikmod's source for the Windows build.
# Usage: install-deps.sh [demo|test]
set -euo pipefail
set_name=${1:-test}

demo_packages=(
  build-essential cmake ninja-build pkg-config
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libmikmod-dev
  libfluidsynth-dev timgm6mb-soundfont
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libsdl2-dev
)
test_packages=(
  "${demo_packages[@]}" python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsdl2-dev libsdl2-ttf-dev libpixman-1-dev libosmesa6-dev
  clang libclang-rt-dev
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine32:i386 wine64
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
  xvfb xauth
  dpkg-dev llvm-14
  zlib1g-dev
  openbox xdotool x11-apps x11-utils
)

case "$set_name" in
  demo) packages=("${demo_packages[@]}") ;;
  test) packages=("${test_packages[@]}") ;;
  *) echo "usage: $0 [demo|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# Only the Wine half needs the 32-bit architecture.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
