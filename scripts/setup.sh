#!/usr/bin/env bash
# Installs the Debian packages Ovik needs, only those that are missing.
#   scripts/setup.sh          what building and running the Linux program needs
#   scripts/setup.sh --test   also what every test needs (Windows build, Wine, ...)
set -euo pipefail

packages=(build-essential cmake pkg-config libncurses-dev libutf8proc-dev
          nlohmann-json3-dev)
if [[ "${1:-}" == "--test" || "${1:-}" == "--all" ]]; then
  packages+=(googletest libgtest-dev libgmock-dev libbenchmark-dev tmux
             clang libclang-rt-14-dev
             g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
             wine64 xvfb xauth python3 chromium x11-utils)
fi
if [[ "${1:-}" == "--all" ]]; then
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
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
