#!/usr/bin/env bash
# Installs, through apt-get and only when something is missing, the packages
# of one of two sets:
#   demo  what building and running the example host needs: the compiler,
#         CMake, FreeType, fontconfig and the DejaVu fonts for GDI text, and
#         SDL2 for the window and sound card drivers;
#   test  (the default) all of that, plus GoogleTest (its sources too, which
#         the Windows build compiles with mingw), Google Benchmark, clang and
#         its runtime for the fuzzer, the mingw cross toolchain, Wine with its
#         32-bit half (and the 32-bit OpenGL that Wine's DirectDraw needs for
#         flip chains and video memory), a virtual X display, and the
#         desktop the window suites run on: a window manager (openbox) and
#         the X tools that inject input and read the screen back.
# Usage: install-deps.sh [demo|test]
set -euo pipefail
set_name=${1:-test}

demo_packages=(
  build-essential cmake ninja-build pkg-config
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libsdl2-dev
)
test_packages=(
  "${demo_packages[@]}" python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-dev
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine32:i386 wine64
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
  xvfb xauth
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
