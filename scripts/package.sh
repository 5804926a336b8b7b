#!/usr/bin/env bash
# Makes what a user installs, into build/packages/:
#   libkorvane1-5-1_<version>-1_<arch>.deb  the shared objects (runtime)
#   libkorvane-dev_<version>-1_<arch>.deb   korvane.h with the platform's
#                                           headers, the machine interface,
#                                           pkg-config and CMake files
#   korvane-<version>-win32.zip             the Windows SDK: Korvane1_5.dll,
#                                           korvane.h and its export list,
#                                           the .def, mingw and MSVC import
#                                           libraries, the README
# The Debian packages' dependencies are the Debian 12 packages that hold the
# libraries the shared objects load (found with dpkg), and the data the
# platform reads (the General MIDI sound font, the DejaVu fonts).
# Usage: package.sh [--linux BUILD_DIR] [--windows BUILD_DIR]
#   Builds of the project to package (native, and i686 mingw); without
#   them, release builds are made in build/package-linux and
#   build/package-windows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
linux_build="" windows_build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --linux) linux_build=$2; shift 2 ;;
    --windows) windows_build=$2; shift 2 ;;
    *) echo "usage: $0 [--linux BUILD_DIR] [--windows BUILD_DIR]" >&2; exit 2 ;;
  esac
done

version=$(sed -n 's/^#define KORVANE_\(MAJOR_VERSION\|MINOR_VERSION\|PATCHLEVEL\) \([0-9]*\)$/\2/p' include/korvane.h |
          paste -sd.)
major=${version%%.*}
out=$root/build/packages
stage=$root/build/package-stage
rm -rf "$out" "$stage"
mkdir -p "$out" "$stage"

if [ -z "$linux_build" ]; then
  linux_build=build/package-linux
  cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_BENCHMARKS=OFF \
    -DKORVANE_EXAMPLES=OFF >/dev/null
  cmake --build "$linux_build" --target Korvane1_5 winplatform
fi

# --- Debian packages ---------------------------------------------------------
arch=$(dpkg --print-architecture)
runtime=libkorvane${version%.*}-$major
runtime=${runtime//./-}
dev=libkorvane-dev
revision=$version-1
maintainer="Korvane developers <developers@korvane.invalid>"

DESTDIR=$stage/$runtime cmake --install "$linux_build" --prefix /usr --component runtime --strip >/dev/null
DESTDIR=$stage/$dev cmake --install "$linux_build" --prefix /usr --component development >/dev/null
DESTDIR=$stage/$dev cmake --install "$linux_build" --prefix /usr --component machine >/dev/null

# The packages that hold what the shared objects load, other than each other.
library_packages() {
  local object needed path owner
  for object in "$stage/$runtime"/usr/lib/*.so.*; do
    [ -L "$object" ] && continue
    readelf -d "$object" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'
  done | sort -u | while read -r needed; do
    case "$needed" in libKorvane1_5.so.*|libwinplatform.so.*) continue ;; esac
    path=$(ldconfig -p | awk -v n="$needed" '$1 == n && /x86-64|x86_64/ { print $NF; exit }')
    [ -n "$path" ] || { echo "package: no library $needed on this machine" >&2; exit 1; }
    owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n 1 | cut -d: -f1)
    [ -n "$owner" ] || owner=$(dpkg -S "$path" 2>/dev/null | head -n 1 | cut -d: -f1)
    [ -n "$owner" ] || { echo "package: no Debian package holds $path" >&2; exit 1; }
    echo "$owner"
  done | sort -u
}
depends=$( (library_packages; printf '%s\n' timgm6mb-soundfont fonts-dejavu-core) | sort -u | paste -sd, | sed 's/,/, /g')

write_control() { # package section depends description...
  local package=$1 section=$2 depends=$3; shift 3
  mkdir -p "$stage/$package/DEBIAN"
  {
    echo "Package: $package"
    echo "Version: $revision"
    echo "Architecture: $arch"
    echo "Section: $section"
    echo "Priority: optional"
    echo "Maintainer: $maintainer"
    echo "Installed-Size: $(du -sk --exclude=DEBIAN "$stage/$package" | cut -f1)"
    echo "Depends: $depends"
    printf 'Description: %s\n' "$1"
    shift
    for line in "$@"; do printf ' %s\n' "$line"; done
  } > "$stage/$package/DEBIAN/control"
}
write_control "$runtime" libs "$depends" \
  "Korvane $version game-programming library (shared objects)" \
  "A game-programming library with flat exports: display, bitmaps and blits," \
  "Direct3D 7 rendering, 3D maths, input, sound, streamed waves, module music," \
  "CD audio, MIDI and a media window, on its own Win32 / DirectX 7 platform."
# The dynamic linker's cache is brought up to date after installing and
# removing.
echo "activate-noawait ldconfig" > "$stage/$runtime/DEBIAN/triggers"
write_control "$dev" libdevel "$runtime (= $revision)" \
  "Korvane $version game-programming library (development files)" \
  "korvane.h with the platform's Win32 / DirectX 7 headers under" \
  "/usr/include/korvane, the machine interface for test authors, and the" \
  "pkg-config (korvane) and CMake (find_package(Korvane)) files."
for package in "$runtime" "$dev"; do
  dpkg-deb --root-owner-group --build "$stage/$package" "$out/${package}_${revision}_${arch}.deb" >/dev/null
done

# --- Windows SDK -------------------------------------------------------------
if [ -z "$windows_build" ]; then
  windows_build=build/package-windows
  cmake -S . -B "$windows_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_EXAMPLES=OFF >/dev/null
  cmake --build "$windows_build" --target Korvane1_5
fi
sdk=$stage/korvane-$version-win32
mkdir -p "$sdk/bin" "$sdk/include" "$sdk/lib"
cp "$windows_build/bin/Korvane1_5.dll" "$sdk/bin/"
cp include/korvane.h include/korvane_exports.inc "$sdk/include/"
cp "$windows_build/exports/Korvane1_5.def" "$sdk/lib/"
cp "$windows_build/libKorvane1_5.dll.a" "$sdk/lib/"
# MSVC's linker takes an import library made from the .def by LLVM's dlltool.
dlltool=$(command -v llvm-dlltool || command -v llvm-dlltool-14)
"$dlltool" -m i386 -d "$sdk/lib/Korvane1_5.def" -D Korvane1_5.dll -l "$sdk/lib/Korvane1_5.lib"
cp README.md "$sdk/"
(cd "$stage" && cmake -E tar cf "$out/korvane-$version-win32.zip" --format=zip "korvane-$version-win32")

ls -l "$out"
