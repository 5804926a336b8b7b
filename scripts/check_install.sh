#!/usr/bin/env bash
# Installs a native build into a scratch prefix, moves the installed tree
# elsewhere (it must not depend on where it was installed), and builds and
# runs a host written outside the project against it two ways, as a user
# would: with pkg-config and with CMake's find_package. Also checks the
# shared objects' versioned names and that nothing lands outside the
# package's own include folder.
# Usage: check_install.sh <build dir> <scratch dir>
set -euo pipefail
build=$1 scratch=$2
root=$(cd "$(dirname "$0")/.." && pwd)
rm -rf "$scratch"
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)

cmake --install "$build" --prefix "$scratch/installed" >/dev/null
mv "$scratch/installed" "$scratch/moved"
prefix=$scratch/moved
status=0
fail() { echo "install: $*"; status=1; }

# What the tree holds, and nothing in the system-wide places of a prefix.
for f in include/korvane/korvane.h include/korvane/korvane_exports.inc include/korvane/win32/windows.h \
         include/korvane/machine/machine.h lib/pkgconfig/korvane.pc lib/cmake/Korvane/KorvaneConfig.cmake \
         lib/cmake/Korvane/KorvaneConfigVersion.cmake share/doc/korvane/README.md; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
stray=$(find "$prefix/include" -maxdepth 1 -type f | sed "s|$prefix/||")
[ -z "$stray" ] || fail "headers outside include/korvane: $stray"
for library in Korvane1_5 winplatform; do
  soname=$(readelf -d "$prefix/lib/lib$library.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  [ "$soname" = "lib$library.so.1" ] || fail "lib$library.so has SONAME '$soname'"
done

# pkg-config, as a Makefile would use it.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
libdir=$(pkg-config --variable=libdir korvane)
# shellcheck disable=SC2046
cc -std=c11 -Wall -Werror "$root/tests/install/host.c" -o "$scratch/host_pkgconfig" \
  $(pkg-config --cflags --libs korvane) -Wl,-rpath,"$libdir" || fail "the pkg-config build failed"
(cd "$scratch" && ./host_pkgconfig) || fail "the pkg-config host failed"

# The machine interface's headers, for test authors, compile on their own.
# shellcheck disable=SC2046
echo '#include <machine/machine.h>
#include <machine/machine_display.h>
int main() { machine::reset(); return 0; }' |
  c++ -std=c++17 -x c++ - -o "$scratch/machine_host" $(pkg-config --cflags --libs korvane) -Wl,-rpath,"$libdir" ||
  fail "a program using the machine interface did not build"
(cd "$scratch" && ./machine_host) || fail "the machine interface program failed"

# find_package, as a CMake project would use it.
if cmake -S "$root/tests/install" -B "$scratch/cmake-host" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null &&
   cmake --build "$scratch/cmake-host" >/dev/null; then
  (cd "$scratch" && "$scratch/cmake-host/install_host") || fail "the find_package host failed"
else
  fail "the find_package build failed"
fi

[ $status -eq 0 ] && echo "install: the moved tree builds and runs hosts through pkg-config and find_package"
exit $status
