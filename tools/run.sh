#!/usr/bin/env bash
# Set-up, build, then runs kiv.exe under Wine with the given arguments (e.g. /w). Without a
# display it runs on a virtual one, saves a screenshot and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target kiv

export KIV_WINE_STATE=$top/build/run-wine
wine=$top/tests/win32/wine-run.sh
exe=$top/build/windows/kiv.exe

if [ -n "${DISPLAY:-}" ]; then
  [ -d "$KIV_WINE_STATE/prefix" ] || "$wine" --setup
  exec "$wine" "$exe" "$@"
fi

# No display: a virtual one for this run only.
"$wine" --setup
trap '"$wine" --teardown' EXIT
"$wine" "$exe" "$@" &
sleep "${KIV_SCREENSHOT_DELAY:-4}"
mkdir -p "$top/build/screenshots"
shot=$top/build/screenshots/kiv$(printf '%s' "$*" | tr -c 'A-Za-z0-9' '_').png
DISPLAY=$(cat "$KIV_WINE_STATE/display") import -window root "$shot"
echo "screenshot: $shot"
# A resident run would wait for a user who is not there; the one-shot runs have ended by now.
wait_seconds=2
for _ in $(seq 1 $((wait_seconds * 10))); do
  jobs -r | grep -q . || break
  sleep 0.1
done
