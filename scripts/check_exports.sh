#!/usr/bin/env bash
# Checks that a built library exports exactly the names of the export list,
# undecorated, and (for the DLL) that it imports only system DLLs.
# Usage: check_exports.sh linux|windows <library> <export_names.txt>
set -euo pipefail
kind=$1 library=$2 names=$3

expected=$(sort "$names")
case "$kind" in
  linux)
    actual=$(nm -D --defined-only "$library" | awk 'NF == 3 && $2 ~ /^[TWi]$/ { print $3 }' | sort)
    ;;
  windows)
    dump=$(i686-w64-mingw32-objdump -p "$library")
    actual=$(printf '%s\n' "$dump" |
      awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { on = 0 } on { print $NF }' | sort)
    imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ { print toupper($3) }' | sort -u)
    allowed='^(KERNEL32|USER32|GDI32|OLE32|DDRAW|DSOUND|DINPUT|WINMM|MSVFW32|COMDLG32|ADVAPI32|MSVCRT|API-MS-WIN-CRT-.*)\.DLL$'
    bad=$(printf '%s\n' "$imports" | grep -Ev "$allowed" || true)
    if [ -n "$bad" ]; then
      echo "the DLL imports non-system DLLs:"; echo "$bad"; exit 1
    fi
    ;;
  *) echo "unknown kind $kind"; exit 2 ;;
esac

missing=$(comm -23 <(printf '%s\n' "$expected") <(printf '%s\n' "$actual"))
extra=$(comm -13 <(printf '%s\n' "$expected") <(printf '%s\n' "$actual"))
if [ -n "$missing" ] || [ -n "$extra" ]; then
  [ -n "$missing" ] && { echo "declared but not exported:"; echo "$missing"; }
  [ -n "$extra" ] && { echo "exported but not declared:"; echo "$extra"; }
  exit 1
fi
echo "$(printf '%s\n' "$expected" | wc -l) exports, exactly as declared"
