#!/usr/bin/env bash
# Runs Windows programs under Wine for the tests, in a throwaway prefix of their own.
#   wine-run.sh --setup       new prefix (wineboot once), and an Xvfb display when none is set
#   wine-run.sh --teardown    stops what --setup started and removes the prefix
#   wine-run.sh PROGRAM ARGS  runs PROGRAM in that prefix (the CMake cross-compiling emulator)
# State lives in $KIV_WINE_STATE (default: a folder per user under /tmp).
set -euo pipefail

state=${KIV_WINE_STATE:-/tmp/kiv-wine-$(id -u)}
export WINEPREFIX=$state/prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: they would open dialogs and add minutes.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

wine_bin() { command -v wine64 >/dev/null && [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64 || echo wine; }

use_display() {
  if [ -f "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
  fi
}

start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { echo ":$n" >"$state/display"; return 0; }
      sleep 0.1
    done
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    rm -f "$state/xvfb.pid"
  done
  echo "wine-run: could not start Xvfb" >&2
  return 1
}

teardown() {
  [ -d "$state" ] || return 0
  use_display
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
  fi
  rm -rf "$state"
}

setup() {
  local callers_display=${DISPLAY:-}
  teardown
  DISPLAY=$callers_display
  mkdir -p "$state"
  if [ -z "${DISPLAY:-}" ]; then start_xvfb; else echo "$DISPLAY" >"$state/display"; fi
  use_display
  if ! "$(wine_bin)" wineboot --init </dev/null >"$state/wineboot.log" 2>&1; then
    # Seen rarely right after the previous run's teardown: its server still on the way out.
    sleep 2
    "$(wine_bin)" wineboot --init </dev/null >>"$state/wineboot.log" 2>&1 ||
      { cat "$state/wineboot.log" >&2; return 1; }
  fi
  # Without a window manager Wine waits on every hide unless windows are unmanaged.
  "$(wine_bin)" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # Wine's own UI fonts have no Japanese: link the CJK font behind the faces KIV may get.
  local face
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "MS UI Gothic" "Microsoft Sans Serif"; do
    "$(wine_bin)" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'NotoSansCJK-Regular.ttc,Noto Sans CJK JP' /f >/dev/null 2>&1
  done
  # Wine's own Tahoma (package fonts-wine), the face the window was designed with, where the
  # locale's UI font is Tahoma: Wine does not pick it up from its data folder by itself.
  cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
  # Keep one server for the whole run instead of one start-up per test.
  wineserver -p </dev/null >/dev/null 2>&1
}

case "${1:-}" in
  --setup) setup ;;
  --teardown) teardown ;;
  "") echo "usage: wine-run.sh --setup | --teardown | PROGRAM [ARGS...]" >&2; exit 2 ;;
  *)
    use_display
    [ -d "$WINEPREFIX" ] || { echo "wine-run: no prefix; run --setup first" >&2; exit 2; }
    # Wine leaves helper processes (services, the desktop) running that inherit our output; a
    # file instead of the caller's pipe keeps them from holding the caller up after we exit.
    out=$(mktemp "$state/out.XXXXXX")
    rc=0
    "$(wine_bin)" "$@" </dev/null >"$out" 2>&1 || rc=$?
    cat "$out"
    rm -f "$out"
    exit $rc
    ;;
esac
