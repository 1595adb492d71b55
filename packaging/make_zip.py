"""Writes the release's zip from the folder of staged files.

    python3 make_zip.py --epoch SECONDS --output ZIP FOLDER

Every byte follows from the files' contents, their names and the release's time: the entries
come in name order, each with the release's time, the same permissions and the same compression,
and no extra field, so nothing of the files' times, owners or modes on disk gets in.
"""
import argparse
import os
import sys
import time
import zipfile

# A regular file that its owner may write and everyone may read, as CMake installs a file.
FILE_MODE = 0o100644
# Zip's "version made by": Unix, so that the mode above means what it says.
MADE_ON_UNIX = 3
COMPRESS_LEVEL = 9


def entry_time(epoch):
    """A zip entry keeps a local date and time without a zone, from 1980 on, in steps of two
    seconds: the release's time in UTC makes it the same on every build machine."""
    stamp = time.gmtime(epoch)
    if stamp.tm_year < 1980 or stamp.tm_year > 2107:
        sys.exit(f"make_zip: the release time {epoch} is outside what a zip entry can hold")
    return stamp[:6]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--epoch", type=int, required=True, help="the release's time (seconds)")
    parser.add_argument("--output", required=True, help="the zip to write")
    parser.add_argument("folder", help="the staged files, each at the top of the zip")
    args = parser.parse_args()

    date_time = entry_time(args.epoch)
    names = sorted(os.listdir(args.folder))
    if not names:
        sys.exit(f"make_zip: {args.folder} holds no files")
    for name in names:
        if not os.path.isfile(os.path.join(args.folder, name)):
            sys.exit(f"make_zip: {name} in {args.folder} is not a file; the release has no folders")

    # Written beside the zip and renamed at the end: a failed run leaves no half zip behind.
    part = args.output + ".part"
    with zipfile.ZipFile(part, "w") as archive:
        for name in names:
            with open(os.path.join(args.folder, name), "rb") as staged:
                data = staged.read()
            entry = zipfile.ZipInfo(name, date_time)
            entry.create_system = MADE_ON_UNIX
            entry.external_attr = FILE_MODE << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compress_type=zipfile.ZIP_DEFLATED,
                             compresslevel=COMPRESS_LEVEL)
    os.replace(part, args.output)


if __name__ == "__main__":
    main()
