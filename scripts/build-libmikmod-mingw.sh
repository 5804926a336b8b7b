#!/usr/bin/env bash
# Cross-builds libmikmod for the 32-bit Windows DLL from Debian's own source
# package (never kept in the repository): adds a deb-src entry when the
# machine has none, fetches the source with apt, configures it out of tree
# for i686-w64-mingw32 as a static library without output drivers that need
# non-system DLLs, and installs it into a cache prefix. Runs only when the
# cached library is missing.
# Usage: build-libmikmod-mingw.sh <cache folder>
set -euo pipefail
cache=${1:?usage: build-libmikmod-mingw.sh <cache folder>}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
prefix="$cache/prefix"
if [ -f "$prefix/lib/libmikmod.a" ] && [ -f "$prefix/include/mikmod.h" ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# A source entry for the suites the machine already installs binaries from.
if ! apt-get source --print-uris libmikmod >/dev/null 2>&1; then
  list=/etc/apt/sources.list.d/korvane-bookworm-src.sources
  if [ ! -f "$list" ]; then
    $SUDO tee "$list" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  fi
  $SUDO apt-get update -q
fi
command -v dpkg-source >/dev/null || { $SUDO apt-get install -y -q --no-install-recommends dpkg-dev; }

source_dir="$cache/source"
rm -rf "$source_dir" "$cache/build"
mkdir -p "$source_dir" "$cache/build"
(cd "$source_dir" && apt-get source -q libmikmod)
tree=$(find "$source_dir" -mindepth 1 -maxdepth 1 -type d -name 'libmikmod-*' | head -n 1)
[ -n "$tree" ] || { echo "libmikmod source not found after apt-get source" >&2; exit 1; }

# Only the sound drivers of Windows itself (DirectSound, WinMM) stay; the
# library registers its own driver anyway. No threads: the library serialises
# every call into the player itself.
cd "$cache/build"
"$tree/configure" --host=i686-w64-mingw32 --prefix="$prefix" \
  --disable-shared --enable-static --disable-threads \
  --disable-alsa --disable-pulseaudio --disable-sdl --disable-openal --disable-esd --disable-nas \
  --disable-oss --disable-sndio --disable-xaudio2 --disable-dl --disable-simd \
  CFLAGS="-O2 -msse2 -mfpmath=sse" >"$cache/configure.log" 2>&1 ||
  { tail -n 40 "$cache/configure.log" >&2; exit 1; }
make -j"$(nproc 2>/dev/null || echo 2)" >"$cache/make.log" 2>&1 || { tail -n 40 "$cache/make.log" >&2; exit 1; }
make install >"$cache/install.log" 2>&1 || { tail -n 40 "$cache/install.log" >&2; exit 1; }
test -f "$prefix/lib/libmikmod.a"
