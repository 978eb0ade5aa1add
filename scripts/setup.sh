#!/usr/bin/env bash
# Installs, only when missing, every Debian package the build and the tests
# need. Safe to run again.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev
  libgtest-dev libgmock-dev
  fonts-dejavu-core
  fonts-ipafont-gothic
  ffmpeg dvdauthor mkvtoolnix genisoimage handbrake-cli lsdvd
  fuse3 python3-fusepy
  libdvdread-dev libdvdnav-dev
  libavcodec-dev libavformat-dev libavutil-dev
  clang libclang-rt-14-dev
  desktop-file-utils dpkg-dev file
  xfsprogs btrfs-progs
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
