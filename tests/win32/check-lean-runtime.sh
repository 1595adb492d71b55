#!/usr/bin/env bash
# Reads a program's link map (ld -Map): every C++ runtime error hook that LeanRuntime.cpp replaces
# comes from LeanRuntime.cpp, and the runtime's own objects that define them are not linked at all
# (they would bring back what the replacements keep out).
#   check-lean-runtime.sh PROGRAM.map
set -euo pipefail
map=$1
[ -s "$map" ] || { echo "check-lean-runtime: no link map at $map" >&2; exit 1; }

hooks=(
  _ZSt17__throw_bad_allocv
  _ZSt28__throw_bad_array_new_lengthv
  _ZSt20__throw_length_errorPKc
  _ZSt19__throw_logic_errorPKc
  _ZSt24__throw_out_of_range_fmtPKcz
  _ZSt25__throw_bad_function_callv
  _ZN9__gnu_cxx27__verbose_terminate_handlerEv
)

status=0
for hook in "${hooks[@]}"; do
  # The code section of the function ("... .text.unlikely.<name>" or ".text$<name>") and the input
  # file it came from: on the same line, or on the next when the section's name is long.
  from=$(awk -v hook="$hook" '
    function named(section,   n, mark) {
      n = length(section) - length(hook)
      mark = substr(section, n, 1)
      return n > 1 && substr(section, n + 1) == hook && (mark == "." || mark == "$") &&
             section ~ /^\.text/
    }
    named($1) {
      if (NF < 4) getline
      print $NF
      exit
    }' "$map")
  case "$from" in
    *"(LeanRuntime.cpp.obj)" | */LeanRuntime.cpp.obj) ;;
    "") echo "check-lean-runtime: $hook is not linked" >&2; status=1 ;;
    *) echo "check-lean-runtime: $hook comes from $from, not from LeanRuntime.cpp" >&2; status=1 ;;
  esac
done

if runtime=$(grep -Eo 'libstdc\+\+\.a\((functexcept|functional|vterminate)\.o\)' "$map" | sort -u) &&
   [ -n "$runtime" ]; then
  echo "check-lean-runtime: the runtime's own error hooks are linked:" >&2
  printf '  %s\n' $runtime >&2
  status=1
fi
[ $status = 0 ] && echo "check-lean-runtime: ${#hooks[@]} hooks, all from LeanRuntime.cpp"
exit $status
