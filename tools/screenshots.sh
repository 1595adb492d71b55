#!/usr/bin/env bash
# Retakes the README's screenshots (docs/window-100.png, docs/window-150.png, docs/tray-menu.png)
# under Wine on a virtual display, in the Japanese locale that KIV's users have.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target kiv tray_menu_probe

export KIV_WINE_STATE=$top/build/screenshot-wine
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
wine=$top/tests/win32/wine-run.sh
exe=$top/build/windows/kiv.exe
unset DISPLAY
"$wine" --setup
trap '"$wine" --teardown' EXIT
display=$(cat "$KIV_WINE_STATE/display")
shot=$KIV_WINE_STATE/shot.png

set_dpi() {
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
}

# The window alone: on the black screen, trimming leaves exactly the window.
for scale in 100:96 150:144; do
  set_dpi "${scale#*:}"
  "$wine" "$exe" /w &
  sleep 4
  DISPLAY=$display import -window root "$shot"
  convert "$shot" -trim +repage "docs/window-${scale%%:*}.png"
  "$wine" taskkill /im kiv.exe >/dev/null 2>&1 || true
  wait
done

# The tray icon's menu, opened as a right-click on the icon would open it; trimmed to the
# notification area and the menu.
set_dpi 96
"$wine" "$exe" /t &
sleep 4
"$wine" "$top/build/windows/tools/tray_menu_probe.exe" 40 60
sleep 2
DISPLAY=$display import -window root "$shot"
convert "$shot" -trim +repage docs/tray-menu.png
"$wine" taskkill /im kiv.exe >/dev/null 2>&1 || true
wait
echo "screenshots: docs/window-100.png docs/window-150.png docs/tray-menu.png"
