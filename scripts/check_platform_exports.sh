#!/usr/bin/env bash
# Checks what libwinplatform.so exports: the C names its headers declare
# (Win32 functions, GUIDs, data formats), every one of them, and functions of
# the machine interface (machine::...), and nothing else — no internal
# namespace, no template instantiation. With the platform's object files it
# also finds machine interface functions that were defined but left hidden.
# Usage: check_platform_exports.sh <libwinplatform.so> <declared names> [objects...]
set -euo pipefail
library=$1 names=$2
shift 2

# Defined dynamic symbols, demangled, one per line ("T name" or "D name").
exported=$(nm -D --defined-only -C "$library" | awk '{ type = $2; $1 = ""; $2 = ""; sub(/^  */, ""); print type " " $0 }')
exported_names=$(printf '%s\n' "$exported" | cut -d' ' -f2- | sort -u)

status=0
report() {
  local title=$1 list=$2
  if [ -n "$list" ]; then
    echo "$title:"; printf '%s\n' "$list" | sed 's/^/  /'
    status=1
  fi
}

declared=$(sort -u "$names")
is_declared() { grep -qxF -- "$1" <<<"$declared"; }

unexpected=$(printf '%s\n' "$exported_names" | while IFS= read -r name; do
  [ -z "$name" ] && continue
  case "$name" in
    # A machine interface function, never a template instantiated over a machine interface
    # type (its demangled name starts with its return type).
    machine::*) [[ $name =~ ^machine::[A-Za-z0-9_:]*(\[abi:[A-Za-z0-9]+\])*\( ]] || printf '%s\n' "$name" ;;
    *) is_declared "$name" || printf '%s\n' "$name" ;;
  esac
done)
report "exported but neither declared in the platform headers nor part of the machine interface" "$unexpected"

missing=$(comm -23 <(printf '%s\n' "$declared") <(printf '%s\n' "$exported_names"))
report "declared in the platform headers but not exported" "$missing"

if [ $# -gt 0 ]; then
  # Global functions of the machine interface defined in the objects.
  defined=$(nm -C --defined-only "$@" 2>/dev/null | awk '$2 == "T" { $1 = ""; $2 = ""; sub(/^  */, ""); print }' |
    grep '^machine::' | sort -u || true)
  hidden=$(comm -23 <(printf '%s\n' "$defined") <(printf '%s\n' "$exported_names" | grep '^machine::' || true))
  report "machine interface functions defined but not exported (declare them in a 'namespace machine MACHINE_API' block)" "$hidden"
fi

if [ $status -eq 0 ]; then
  echo "$(printf '%s\n' "$exported_names" | grep -vc '^machine::') Win32/DirectX names and" \
       "$(printf '%s\n' "$exported_names" | grep -c '^machine::') machine interface functions exported, nothing else"
fi
exit $status
