#!/usr/bin/env bash
# Set-up, then every build and every test: the native core (plain and under ASan/UBSan), the
# libFuzzer targets (short runs), and kiv.exe with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

# The checked-in icons are what their generator draws, byte for byte.
python3 tools/make_icons.py --check

# Release: one time stamp for every file of the release, the same for the two builds compared at
# the end by tools/release-check.sh (the copy there has no history to take the commit's time from).
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)}
export SOURCE_DATE_EPOCH

for preset in linux linux-asan fuzz windows; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# Release: the zip and the installer (the installer's Wine test ran with the windows preset), their
# checksums, the same kiv.exe in both, and a second build from another folder at another time that
# must give the same bytes.
bash tools/release-check.sh
