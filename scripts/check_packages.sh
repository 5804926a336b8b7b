#!/usr/bin/env bash
# Checks what scripts/package.sh made in build/packages/, as a user would
# take it:
#   - the Debian packages hold what they should and depend on the Debian 12
#     packages that hold the libraries and data the platform uses; installed
#     with apt-get, they build and run the install host through pkg-config
#     and find_package against the system's copy; removed, they leave
#     nothing behind;
#   - the Windows SDK alone (unpacked, nothing else from the project)
#     cross-compiles the install host with mingw, through the mingw import
#     library and through the MSVC one, and the host runs under Wine.
# Needs to be root, or sudo, for apt-get.
# Usage: check_packages.sh <scratch dir>
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scratch=$1
rm -rf "$scratch"
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
packages=$root/build/packages
version=$(sed -n 's/^#define KORVANE_\(MAJOR_VERSION\|MINOR_VERSION\|PATCHLEVEL\) \([0-9]*\)$/\2/p' include/korvane.h |
          paste -sd.)
status=0
fail() { echo "packages: $*"; status=1; }
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

runtime_deb=$(ls "$packages"/libkorvane1-5-1_"$version"-1_*.deb)
dev_deb=$(ls "$packages"/libkorvane-dev_"$version"-1_*.deb)
sdk_zip=$packages/korvane-$version-win32.zip

# --- contents and dependencies ----------------------------------------------
contents() { dpkg-deb -c "$1" | awk '{ print $6 }' | sed 's|^\./|/|'; }
expect_in() { # listing file...
  local listing=$1 file; shift
  for file in "$@"; do grep -qx "$file" <<<"$listing" || fail "$file is not in the package"; done
}
runtime_files=$(contents "$runtime_deb")
dev_files=$(contents "$dev_deb")
expect_in "$runtime_files" "/usr/lib/libKorvane1_5.so.$version" /usr/lib/libKorvane1_5.so.1 \
  "/usr/lib/libwinplatform.so.$version" /usr/lib/libwinplatform.so.1 /usr/share/doc/korvane/README.md
expect_in "$dev_files" /usr/include/korvane/korvane.h /usr/include/korvane/korvane_exports.inc \
  /usr/include/korvane/win32/windows.h /usr/include/korvane/win32/ddraw.h /usr/include/korvane/machine/machine.h \
  /usr/lib/libKorvane1_5.so /usr/lib/libwinplatform.so /usr/lib/pkgconfig/korvane.pc \
  /usr/lib/cmake/Korvane/KorvaneConfig.cmake /usr/lib/cmake/Korvane/KorvaneConfigVersion.cmake
grep -q '^/usr/include/[^/]*$' <<<"$(grep -v '/$' <<<"$dev_files")" && fail "a header lies straight in /usr/include"
grep -q '/usr/include' <<<"$runtime_files" && fail "the runtime package holds headers"
depends=$(dpkg-deb -f "$runtime_deb" Depends)
for needed in libmikmod3 libfluidsynth3 timgm6mb-soundfont libavformat59 libavcodec59 libavutil57 libswscale6 \
              libswresample4 libsdl2-2.0-0 libfreetype6 libfontconfig1 fonts-dejavu-core libstdc++6 libc6; do
  tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$needed" ||
    fail "the runtime package does not depend on $needed ($depends)"
done
[ "$(dpkg-deb -f "$dev_deb" Depends)" = "libkorvane1-5-1 (= $version-1)" ] || fail "the -dev package's dependency"
echo "packages: $(basename "$runtime_deb") $(du -k "$runtime_deb" | cut -f1) KiB, depends on: $depends"
echo "packages: $(basename "$dev_deb") $(du -k "$dev_deb" | cut -f1) KiB"

# --- installed with apt-get, used, removed ------------------------------------
remove_packages() { $SUDO apt-get remove --purge -y -q libkorvane-dev libkorvane1-5-1 >/dev/null 2>&1 || true; }
trap remove_packages EXIT
if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$runtime_deb" "$dev_deb" \
     >"$scratch/apt-install.log" 2>&1; then
  # shellcheck disable=SC2046
  if cc -std=c11 -Wall -Werror "$root/tests/install/host.c" -o "$scratch/host_system" $(pkg-config --cflags --libs korvane); then
    (cd "$scratch" && ./host_system) || fail "the host built against the installed packages failed"
  else
    fail "the host did not build against the installed packages (pkg-config)"
  fi
  if cmake -S "$root/tests/install" -B "$scratch/cmake-system" >/dev/null && cmake --build "$scratch/cmake-system" >/dev/null; then
    (cd "$scratch" && "$scratch/cmake-system/install_host") || fail "the find_package host failed against the packages"
  else
    fail "the host did not build against the installed packages (find_package)"
  fi
  remove_packages
  for file in $(grep -v '/$' <<<"$runtime_files"$'\n'"$dev_files"); do
    [ -e "$file" ] || [ -L "$file" ] && fail "$file is left after removing the packages"
  done
else
  tail -n 20 "$scratch/apt-install.log"
  fail "apt-get could not install the packages"
fi
trap - EXIT

# --- the Windows SDK alone -----------------------------------------------------
(cd "$scratch" && cmake -E tar xf "$sdk_zip")
sdk=$scratch/korvane-$version-win32
for f in bin/Korvane1_5.dll include/korvane.h include/korvane_exports.inc lib/Korvane1_5.def lib/libKorvane1_5.dll.a \
         lib/Korvane1_5.lib README.md; do
  [ -f "$sdk/$f" ] || fail "the SDK lacks $f"
done
echo "packages: $(basename "$sdk_zip") $(du -k "$sdk_zip" | cut -f1) KiB"
mkdir -p "$scratch/wine"
cp "$sdk/bin/Korvane1_5.dll" "$scratch/wine/"
for import in libKorvane1_5.dll.a Korvane1_5.lib; do
  if i686-w64-mingw32-gcc -std=c11 -Wall -Werror "$root/tests/install/host.c" -I"$sdk/include" \
       "$sdk/lib/$import" -o "$scratch/wine/host_${import%%.*}.exe"; then
    (cd "$scratch/wine" && bash "$root/scripts/wine-run.sh" "$scratch/wine/host_${import%%.*}.exe") ||
      fail "the host linked through $import failed under Wine"
  else
    fail "the host did not link against the SDK through $import"
  fi
done

[ $status -eq 0 ] && echo "packages: contents, dependencies, apt-get install and removal, and the Windows SDK under Wine all as expected"
exit $status
