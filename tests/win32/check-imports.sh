#!/usr/bin/env bash
# Compares the functions an executable imports with the checked-in list ("dll!function" per line,
# "#" starts a comment). Every entry there exists since Windows Vista; an import that is not on
# the list fails until someone has checked its minimum system and added it.
#   check-imports.sh PROGRAM.exe LIST
set -euo pipefail
exe=$1
list=$2

actual=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '
  /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
  /^[[:space:]]*$/ { dll = ""; next }
  dll != "" && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print dll "!" $3 }
' | sort -u)
expected=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$list" | grep -v '^$' | sort -u)

new=$(comm -23 <(printf '%s\n' "$actual") <(printf '%s\n' "$expected"))
gone=$(comm -13 <(printf '%s\n' "$actual") <(printf '%s\n' "$expected"))
[ -n "$actual" ] || { echo "check-imports: no imports read from $exe" >&2; exit 1; }
status=0
if [ -n "$new" ]; then
  echo "check-imports: $(basename "$exe") imports functions that are not in $list." >&2
  echo "Check that each exists since Windows Vista (or look it up at run time), then add it:" >&2
  printf '  %s\n' $new >&2
  status=1
fi
if [ -n "$gone" ]; then
  echo "check-imports: no longer imported, remove from $list:" >&2
  printf '  %s\n' $gone >&2
  status=1
fi
[ $status = 0 ] && echo "check-imports: $(printf '%s\n' "$actual" | wc -l) imports, all on the list"
exit $status
