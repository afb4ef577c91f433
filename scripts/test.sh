#!/usr/bin/env bash
# Sets up, builds and runs every test: the Linux build with AddressSanitizer
# and UndefinedBehaviorSanitizer, the optimised build, the scan tests under
# ThreadSanitizer, the fuzzers, and the Windows build under Wine.
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

echo "== Linux, ThreadSanitizer: the scan tests (the parallel walk)"
# The deep-tree test on the in-memory tree walks with one thread only and
# takes most of the time under ThreadSanitizer, so it is left to the
# other builds.
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j"$jobs" --target ovik_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  build/tsan/tests/ovik_tests --gtest_brief=1 \
  --gtest_filter='Scan*:-ScanTest.DeepTreeKeepsFewDirectoriesOpen'

if [[ -x scripts/fuzz.sh ]]; then
  echo "== Fuzzers"
  scripts/fuzz.sh
fi

echo "== Windows, cross-built, under Wine"
scripts/test-windows.sh
