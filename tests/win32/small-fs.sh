#!/usr/bin/env bash
# A tiny file system for the full-disk save test: a 64 KiB tmpfs mounted at DIR.
#   small-fs.sh --mount DIR     mounts it; where mounting is not allowed, writes why to DIR.skip
#   small-fs.sh --unmount DIR   unmounts it and removes DIR
set -u
dir=$2
release() {
  mountpoint -q "$dir" 2>/dev/null && umount "$dir"
  rm -rf "$dir" "$dir.skip"
}
case "$1" in
  --mount)
    release
    mkdir -p "$dir"
    if ! reason=$(mount -t tmpfs -o size=64k,mode=0777 kiv-small-fs "$dir" 2>&1); then
      echo "no small file system: mounting a 64 KiB tmpfs failed here (${reason:-no reason given})" \
        >"$dir.skip"
    fi
    ;;
  --unmount) release ;;
  *) echo "usage: small-fs.sh --mount|--unmount DIR" >&2; exit 2 ;;
esac
exit 0
