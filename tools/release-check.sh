#!/usr/bin/env bash
# The release check: builds the release (zip, installer, SHA256SUMS) with the windows preset,
# checks the checksums and the zip's contents, then builds it once more from a copy of the tree in
# another folder, with the staged files at other times on disk, and requires the same bytes for
# every artefact. tools/test.sh runs it; it can also be run alone (after tools/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

# One release time for both builds (the copy has no history to take the commit's time from). It
# reaches them through their configuration only: the builds run without SOURCE_DATE_EPOCH, as a
# plain build with the presets does, so that no tool can take the time from there instead.
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)}
unset SOURCE_DATE_EPOCH
configure() { SOURCE_DATE_EPOCH=$epoch cmake --preset windows "$@" >/dev/null; }

echo "=== release"
configure
cmake --build --preset windows --target package
release=build/windows/release
(cd "$release" && sha256sum -c SHA256SUMS)
python3 - "$release"/KIV-*-win64.zip build/windows/kiv.exe "$epoch" <<'PY'
import sys, time, zipfile
archive = zipfile.ZipFile(sys.argv[1])
names = sorted(archive.namelist())
expected = ["LICENSE.txt", "README.txt", "THIRD-PARTY-NOTICES.txt", "kiv.exe"]
assert names == expected, f"zip holds {names}, not {expected}"
assert archive.namelist() == expected, f"zip's entries in the order {archive.namelist()}"
assert archive.read("kiv.exe") == open(sys.argv[2], "rb").read(), "the zip's kiv.exe is not the one built"
assert archive.read("README.txt").startswith(b"\xef\xbb\xbf"), "README.txt lacks its UTF-8 mark"
# Each entry's local time is the release time in UTC (to the two seconds a zip can tell).
release = time.gmtime(int(sys.argv[3]))
release = release[:5] + (release.tm_sec // 2 * 2,)
for entry in archive.infolist():
    assert entry.date_time == release, f"{entry.filename} dated {entry.date_time}, not {release}"
PY

# The second build: another folder, later, and its staged files read, written and changed at
# other times than the first build's. Nothing of that may reach the artefacts.
repro=$(mktemp -d /tmp/kiv-repro-XXXXXX)
trap 'rm -rf "$repro"' EXIT
git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$repro"
(
  cd "$repro"
  configure -DKIV_WINE_TESTS=OFF
  cmake --build --preset windows >/dev/null
  # Past a second boundary, so that the times written from here on differ from the first build's
  # in every field a time stamp can hold.
  sleep 2
  stage=build/windows/release/stage
  # Modified now, last read long ago (neither makes the build stage them again), and so changed
  # now as well.
  touch -m "$stage"/*
  touch -a -d @1000000000 "$stage"/*
  cmake --build --preset windows --target package >/dev/null
)
status=0
for artefact in kiv.exe release/KIV-*-setup.exe release/KIV-*-win64.zip release/SHA256SUMS; do
  first=$(echo build/windows/$artefact)
  second=$(echo "$repro"/build/windows/$artefact)
  if ! cmp -s "$first" "$second"; then
    # cmp counts bytes from 1; the offsets named here count from 0.
    offsets=$(cmp -l "$first" "$second" 2>/dev/null | awk '{ print $1 - 1 }' || true)
    echo "release: $(basename "$first") differs between two builds:" \
      "$(stat -c %s "$first") and $(stat -c %s "$second") bytes," \
      "$(echo "$offsets" | grep -c .) bytes differ, at offsets" \
      "$(echo "$offsets" | head -8 | tr '\n' ' ')..." >&2
    status=1
  fi
done
[ "$status" -eq 0 ] || exit 1
echo "release: two builds from two folders at two times are identical"
for artefact in build/windows/kiv.exe "$release"/KIV-*-setup.exe "$release"/KIV-*-win64.zip; do
  printf '%10d bytes  %s  %s\n' "$(stat -c %s "$artefact")" "$(sha256sum "$artefact" | cut -d' ' -f1)" \
    "$(basename "$artefact")"
done
