#!/usr/bin/env bash
# Checks that no program holds two copies of the library or the platform: a
# program that has their objects linked in must not also load the shared
# library that exports the same functions (the two copies would keep two
# machines, and calls would reach one or the other depending on the symbol).
# Usage: check_single_platform.sh <shared libraries...> -- <programs...>
set -euo pipefail

libraries=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do libraries+=("$1"); shift; done
[ $# -gt 0 ] && shift
[ ${#libraries[@]} -gt 0 ] && [ $# -gt 0 ] || { echo "usage: $0 <libraries...> -- <programs...>"; exit 2; }

needed_of() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
global_definitions() { nm --defined-only "$1" | awk 'NF == 3 && $2 ~ /^[TDRBW]$/ { print $3 }' | sort -u; }

# A program's project libraries, with those they load in turn.
loaded_libraries() {
  local pending=("$1") seen="" item name lib
  while [ ${#pending[@]} -gt 0 ]; do
    item=${pending[0]}; pending=("${pending[@]:1}")
    for name in $(needed_of "$item"); do
      for lib in "${libraries[@]}"; do
        if [ "$(basename "$lib")" = "$name" ] && ! grep -qxF -- "$lib" <<<"$seen"; then
          seen+="$lib"$'\n'; pending+=("$lib"); printf '%s\n' "$lib"
        fi
      done
    done
  done
}

status=0
checked=0
for program in "$@"; do
  checked=$((checked + 1))
  definitions=$(global_definitions "$program")
  for lib in $(loaded_libraries "$program"); do
    twice=$(comm -12 <(printf '%s\n' "$definitions") \
      <(nm -D --defined-only "$lib" | awk 'NF == 3 { print $3 }' | sort -u) | head -5)
    if [ -n "$twice" ]; then
      echo "$(basename "$program") has its own copy of what $(basename "$lib") exports, and loads it too, e.g.:"
      printf '%s\n' "$twice" | sed 's/^/  /'
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "$checked programs, each with one copy of the library and the platform"
exit $status
