#!/usr/bin/env bash
# Installs the Debian packages Ovik needs, only those that are missing.
#   scripts/setup.sh           what building and running the Linux program needs
#   scripts/setup.sh --package also what installing it needs (README,
#                              Installing): the Debian package's tools, the
#                              release build's benchmarks, man to read ovik(1)
#   scripts/setup.sh --test    also what every test needs (Windows build, Wine,
#                              OpenMPI for ovik-mpi, ...), --package's included
#   scripts/setup.sh --fuzz    also what the libFuzzer runs need (clang)
#   scripts/setup.sh --all     all of these, and the tools bench/compare runs
set -euo pipefail

mode=${1:-}
case "$mode" in
  ""|--package|--test|--fuzz|--all) ;;
  *) echo "usage: $0 [--package|--test|--fuzz|--all]" >&2; exit 2 ;;
esac

packages=(build-essential cmake ninja-build ccache pkg-config libncurses-dev
          libcli11-dev libutf8proc-dev nlohmann-json3-dev libsqlite3-dev
          libext2fs-dev xfslibs-dev)
if [[ $mode == --package || $mode == --test || $mode == --all ]]; then
  packages+=(libbenchmark-dev dpkg-dev file man-db)
fi
if [[ $mode == --test || $mode == --all ]]; then
  packages+=(googletest libgtest-dev libgmock-dev tmux
             g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
             wine64 xvfb xauth python3 chromium x11-utils
             btrfs-progs e2fsprogs xfsprogs strace libopenmpi-dev openmpi-bin
             ntfs-3g fuse3 locales fonts-dejavu-core fonts-ipafont-gothic)
fi
if [[ $mode == --fuzz || $mode == --all ]]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [[ $mode == --all ]]; then
  packages+=(hyperfine gdu time imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || {
      echo "setup: run this as root, or install sudo, to install: ${missing[*]}" >&2
      exit 1
    }
    sudo_cmd=(sudo)
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi
