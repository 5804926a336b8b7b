#!/usr/bin/env bash
# Writes libwinplatform.so's version script when its objects are built: the
# C names its headers declare, and the machine interface functions (machine::name(...))
# that the objects define, by their mangled names. Anything else, template
# instantiations over machine interface types included, is local.
# Usage: write_platform_version_script.sh <nm> <declared C names> <output> <objects...>
set -euo pipefail
nm=$1 names=$2 output=$3
shift 3

symbols=$("$nm" -g --defined-only "$@" | awk '$2 == "T" { print $3 }' | sort -u)
control=$(paste <(printf '%s\n' "$symbols") <(printf '%s\n' "$symbols" | c++filt) |
  awk -F '\t' '$2 ~ /^machine::[A-Za-z0-9_:]*(\[abi:[A-Za-z0-9]+\])*\(/ { print $1 }')

{
  printf '{\n  global:\n'
  sed 's/.*/    &;/' "$names"
  [ -n "$control" ] && printf '%s\n' "$control" | sed 's/.*/    &;/'
  printf '  local: *;\n};\n'
} > "$output.new"
mv "$output.new" "$output"
