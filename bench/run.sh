#!/usr/bin/env bash
# Benchmarks kiv.exe against bare baselines under Wine, in a throwaway prefix, and prints the
# table. The full mode also writes bench/RESULTS.md; the fast mode (few runs, for the test
# command) fails only on a figure it could not produce or on a wrong exact count (broadcasts,
# handles), never on timing.
#   bench/run.sh [--fast] [--build-dir DIR]
# Without --build-dir it builds the windows preset into build/windows first.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

fast=0
build=
while [ $# -gt 0 ]; do
  case "$1" in
    --fast) fast=1 ;;
    --build-dir) build=$2; shift ;;
    *) echo "usage: bench/run.sh [--fast] [--build-dir DIR]" >&2; exit 2 ;;
  esac
  shift
done

if [ -z "$build" ]; then
  bash tools/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target kiv kiv_counting bench_driver wheel_toggle tray_resident
  build=$top/build/windows
fi
build=$(cd "$build" && pwd)
kiv=$build/kiv.exe
for program in "$kiv" "$build"/bench/{kiv_counting,bench_driver,wheel_toggle,tray_resident}.exe; do
  [ -f "$program" ] || { echo "bench: missing $program" >&2; exit 2; }
done

# --- Figures read on the host ------------------------------------------------------------------

size=$(stat -c %s "$kiv")
size_budget=$((160 * 1024))
size_met=$([ "$size" -le "$size_budget" ] && echo met || echo '**missed**')

# System DLLs: what every Windows installation has. Anything else (a compiler runtime) misses.
system_dll='^(kernel32|user32|gdi32|shell32|comctl32|ole32|oleaut32|advapi32|msvcrt|ntdll|shlwapi|uxtheme|version|comdlg32|imm32|api-ms-win-.*)\.dll$'
imports=$(x86_64-w64-mingw32-objdump -p "$kiv" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
foreign=$(printf '%s\n' "$imports" | grep -Ev "$system_dll" || true)
imports_met=$([ -z "$foreign" ] && echo met || echo '**missed**')
imports_list=$(printf '%s\n' "$imports" | paste -sd, - | sed 's/,/, /g')

# --- Figures measured inside Wine --------------------------------------------------------------

export KIV_WINE_STATE
KIV_WINE_STATE=$(mktemp -d /tmp/kiv-bench-wine.XXXXXX)
wine=$top/tests/win32/wine-run.sh
trap '"$wine" --teardown >/dev/null 2>&1 || true' EXIT
# One CPU for everything in the prefix (server, display, driver, the programs measured): Wine's
# process start-up varies far less when its processes do not move between CPUs.
cpu_index=$(($(nproc) - 1))
pin=(taskset -c "$cpu_index")
"${pin[@]}" "$wine" --setup

windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
figures=$KIV_WINE_STATE/figures.txt
if [ $fast = 1 ]; then
  runs=(--pairs 4 --warmups 1 --toggles 50 --memory-runs 1)
else
  runs=(--pairs 64 --warmups 3 --toggles 1000 --memory-runs 7)
fi
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')
"${pin[@]}" "$wine" "$build/bench/bench_driver.exe" \
  --kiv "$(windows_path "$kiv")" \
  --counting "$(windows_path "$build/bench/kiv_counting.exe")" \
  --toggle "$(windows_path "$build/bench/wheel_toggle.exe")" \
  --tray "$(windows_path "$build/bench/tray_resident.exe")" \
  --out "$(windows_path "$figures")" "${runs[@]}" || true
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
[ -s "$figures" ] || { echo "bench: the driver produced no figures" >&2; exit 1; }

# --- Table -------------------------------------------------------------------------------------

table() {
  echo '| Figure | Measured | Budget | Verdict |'
  echo '|---|---|---|---|'
  echo "| \`kiv.exe\` size | $size bytes ($(awk "BEGIN{printf \"%.1f\", $size/1024}") KiB) | ≤ 160 KiB | $size_met |"
  echo "| Imported DLLs | $imports_list | system DLLs only | $imports_met |"
  sed -n 's/^row\t//p' "$figures"
}

details() {
  sed -n 's/^detail\t/- /p' "$figures"
}

echo
table
echo
details

# Every figure must be there; exact counts must be right. Timing misses fail the full mode only.
expected=(latency latency-control memory broadcast-run-page-line broadcast-run-line-page
  broadcast-speed broadcast-resident-start broadcast-noop-page broadcast-dblclick-page-line
  broadcast-noop-line broadcast-dblclick-line-page broadcast-routing broadcast-noop-speed handles
  handles-memory)
status=0
for id in "${expected[@]}"; do
  grep -q "^check	$id	" "$figures" || { echo "bench: figure $id missing" >&2; status=1; }
done
if grep -Eq '^check	[^	]+	missing	' "$figures"; then
  echo "bench: figures not produced:" $(awk -F'\t' '$1=="check" && $3=="missing" {print $2}' "$figures") >&2
  status=1
fi
if grep -Eq '^check	[^	]+	fail	exact$' "$figures"; then
  echo "bench: wrong exact counts:" $(awk -F'\t' '$1=="check" && $3=="fail" && $4=="exact" {print $2}' "$figures") >&2
  status=1
fi

if [ $fast = 1 ]; then
  echo "bench: fast mode (timing figures are not judged here)"
  exit $status
fi

if grep -Eq '^check	[^	]+	fail	timing$' "$figures" || [ "$size_met" != met ] || [ "$imports_met" != met ]; then
  echo "bench: budgets missed:" $(awk -F'\t' '$1=="check" && $3=="fail" && $4=="timing" {print $2}' "$figures") \
    $([ "$size_met" = met ] || echo size) $([ "$imports_met" = met ] || echo imports) >&2
  status=1
fi

# The settings file's peak memory, measured natively (the test command checks its budgets too).
memory_table=
if [ $fast = 0 ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target settings_memory >/dev/null
  if ! memory_table=$("$top"/build/linux/bench/memory/settings_memory --check); then
    echo "bench: budgets missed: settings file memory" >&2
    status=1
  fi
  echo "$memory_table"
fi

cpu=$(sed -n 's/^model name\s*:\s*//p' /proc/cpuinfo | head -1)
revision=${KIV_BENCH_REVISION:-$(git -C "$top" describe --always --dirty 2>/dev/null || echo unknown)}
wine_version=$(wine --version 2>/dev/null || echo unknown)
{
  echo '# KIV benchmark results'
  echo
  echo "Measured $started at revision $revision with \`bench/run.sh\`."
  echo
  echo "Machine: $(nproc) CPU cores ($cpu), $(uname -sr), $wine_version. The Wine prefix and"
  echo "everything in it ran on CPU $cpu_index alone. Load average (1/5/15 min): $load_before before,"
  echo "$load_after after."
  echo
  table
  echo
  details
  echo
  echo '## Settings file memory'
  echo
  echo 'Peak memory while the store reads and saves the costliest files it accepts (16 MiB at most),'
  echo 'as a multiple of the file'"'"'s size; budget: reading 4x, saving 10x.'
  echo
  echo "$memory_table"
  echo
  cat <<'EOF'
## How

- **Latency**: the driver (`bench/bench_driver.cpp`, running inside the same Wine prefix) owns a
  hidden top-level window and stamps with QueryPerformanceCounter the arrival of the first
  WM_SETTINGCHANGE with wParam SPI_SETWHEELSCROLLLINES after it calls CreateProcess. The two
  programs run in pairs, in ABBA order, each pair from the same staged starting mode (page or line,
  written to `HKCU\Control Panel\Desktop\WheelScrollLines`, alternating every two pairs so that
  each order sees each direction). Each process is left to exit by itself (KIV quits about a
  second after writing); before the next start the driver waits until the prefix's host processes
  (wineserver, desktop, services, display; read through `Z:\proc`) have used no CPU for 200 ms,
  so that no teardown overlaps the next start. The whole prefix runs pinned to one CPU
  (`taskset`), which halves the start-to-start spread of Wine's process start-up. Warm-up starts
  come first and are the only ones discarded. The figure is the median of the per-pair ratios;
  the control is the same design with the baseline in both roles, interleaved pair by pair with
  the real pairs so that both see the same load. Only the load of other programs on the host is
  outside the method's control: the load average is recorded above.
- **Resident memory**: working set from GetProcessMemoryInfo (OpenProcess from the driver) 2 s
  after start, median of several starts of each program in alternating order. Wine reports no
  private bytes and its GetGuiResources is a stub, hence the working set.
- **Broadcasts**: every WM_SETTINGCHANGE the listener receives during the action (for the one-shot
  runs, during the whole process lifetime). Tray double-clicks and menu commands are sent to the
  `KIVTrayIcon` window as the shell and the menu would send them.
- **Settings file memory**: `bench/memory/settings_memory.cpp` runs the store natively with every
  allocation counted by its own operator new; the figure is the peak above what was held before
  the read or the save, over the file's size. The files are in the program's own form, so that
  the store accepts and saves them: millions of short lines, millions of distinct sections, one
  long line (ANSI, whose text takes two bytes a character), and short lines in UTF-16.
- **Handles**: `kiv_counting.exe`, built from the same sources with `KIV_COUNT_HANDLES`, keeps
  counts of live icons, menus, fonts and windows in its handle wrappers (`src/win32/Handles.h`) and
  answers a registered query message on its tray window. Counts are taken after two warm-up
  double-clicks (the second mode's icon is loaded on first use and kept) and after the run.
EOF
} >"$top/bench/RESULTS.md"
echo "bench: wrote bench/RESULTS.md"
exit $status
