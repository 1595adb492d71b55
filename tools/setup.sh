#!/usr/bin/env bash
# Installs what building, running and testing KIV need on Debian 12, as root. Installs only what is
# missing, so it is quick to run again.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev   # native build, sanitizers, libFuzzer
  g++-mingw-w64-x86-64-posix                # the Windows cross compiler (posix threads)
  googletest                                # GoogleTest sources for both toolchains
  wine wine64 xvfb                          # running and testing kiv.exe
  fonts-noto-cjk                            # Japanese text under Wine
  fonts-wine                                # Wine's Tahoma, the window's design face
  imagemagick                               # screenshots
  python3
)

# Release: the installer's compiler.
packages+=(
  nsis                                      # makensis, for KIV-<version>-setup.exe
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
