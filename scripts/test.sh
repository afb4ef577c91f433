#!/usr/bin/env bash
# Sets up, builds and runs every test: the Linux build with AddressSanitizer
# and UndefinedBehaviorSanitizer, the optimised build, and the Windows
# build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test
jobs=$(nproc)

echo "== Linux, debug with sanitizers"
cmake --preset debug >/dev/null
cmake --build --preset debug -j"$jobs"
ctest --preset debug -j"$jobs"

echo "== Linux, release"
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
ctest --preset release -j"$jobs"

if [[ -x scripts/fuzz.sh ]]; then
  echo "== Fuzzers"
  scripts/fuzz.sh
fi

echo "== Windows, cross-built, under Wine"
scripts/test-windows.sh
