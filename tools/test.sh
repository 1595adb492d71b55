#!/usr/bin/env bash
# Set-up, then every build and every test: the native core (plain and under ASan/UBSan), the
# libFuzzer targets (short runs), and kiv.exe with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

for preset in linux linux-asan fuzz windows; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
