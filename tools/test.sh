#!/usr/bin/env bash
# Set-up, then every build and every test: the native core (plain and under ASan/UBSan), the
# libFuzzer targets (short runs), and kiv.exe with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

# The checked-in icons are what their generator draws, byte for byte.
python3 tools/make_icons.py --check

# Release: one time stamp for every file of the release, the same for the two builds compared at
# the end (the copy there has no history to take the commit's time from).
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)}
export SOURCE_DATE_EPOCH

for preset in linux linux-asan fuzz windows; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# Release: the zip and the installer (the installer's Wine test ran with the windows preset), their
# checksums, the same kiv.exe in both, and a second build from another folder that must give the
# same bytes.
echo "=== release"
cmake --build --preset windows --target package
release=build/windows/release
(cd "$release" && sha256sum -c SHA256SUMS)
python3 - "$release"/KIV-*-win64.zip build/windows/kiv.exe <<'PY'
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
names = sorted(archive.namelist())
expected = ["LICENSE.txt", "README.txt", "THIRD-PARTY-NOTICES.txt", "kiv.exe"]
assert names == expected, f"zip holds {names}, not {expected}"
assert archive.read("kiv.exe") == open(sys.argv[2], "rb").read(), "the zip's kiv.exe is not the one built"
assert archive.read("README.txt").startswith(b"\xef\xbb\xbf"), "README.txt lacks its UTF-8 mark"
PY

repro=$(mktemp -d /tmp/kiv-repro-XXXXXX)
trap 'rm -rf "$repro"' EXIT
git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$repro"
(cd "$repro" && cmake --preset windows -DKIV_WINE_TESTS=OFF >/dev/null &&
  cmake --build --preset windows --target package >/dev/null)
for artefact in kiv.exe release/KIV-*-setup.exe release/KIV-*-win64.zip release/SHA256SUMS; do
  first=$(sha256sum build/windows/$artefact | cut -d' ' -f1)
  second=$(sha256sum "$repro"/build/windows/$artefact | cut -d' ' -f1)
  [ "$first" = "$second" ] || { echo "release: $artefact differs between two builds" >&2; exit 1; }
done
echo "release: two builds from two folders are identical"
for artefact in build/windows/kiv.exe "$release"/KIV-*-setup.exe "$release"/KIV-*-win64.zip; do
  printf '%10d bytes  %s  %s\n' "$(stat -c %s "$artefact")" "$(sha256sum "$artefact" | cut -d' ' -f1)" \
    "$(basename "$artefact")"
done
