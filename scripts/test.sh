#!/usr/bin/env bash
# Sets up, builds and runs every test, each build compiling only what it
# runs:
#   1. debug: AddressSanitizer and UndefinedBehaviorSanitizer; the unit
#      tests, the fuzzers' corpus replayed, the program end to end (the
#      report, the terminal dialog in tmux)
#   2. tsan: the scan's tests under ThreadSanitizer (the parallel walk)
#   3. release: the optimised program and benchmarks; the Debian package
#      built, installed, run and removed
#   4. mingw: the Windows program and its tests under Wine
# Longer fuzzing runs on its own: scripts/fuzz.sh.
#   scripts/test.sh --e2e   only the end-to-end tests of the debug build
#                           (ctest label e2e), building only what they run
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}
case "$mode" in
  ""|--e2e) ;;
  *) echo "usage: $0 [--e2e]" >&2; exit 2 ;;
esac
scripts/setup.sh --test
jobs=$(nproc)

started=$SECONDS
stage_started=$SECONDS
stage() {
  if ((SECONDS > started)); then echo "-- $((SECONDS - stage_started)) s"; fi
  stage_started=$SECONDS
  echo "== $*"
}

if [[ $mode == --e2e ]]; then
  stage "Linux, debug with AddressSanitizer and UndefinedBehaviorSanitizer: the program end to end"
  cmake --preset debug >/dev/null
  cmake --build --preset e2e -j"$jobs"
  ctest --preset e2e -j"$jobs"
  stage "done"
  echo "the end-to-end tests passed in $((SECONDS - started)) s"
  exit 0
fi

stage "Linux, debug with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset debug >/dev/null
cmake --build --preset debug -j"$jobs"
ctest --preset debug -j"$jobs"

stage "Linux, ThreadSanitizer: the scan's tests (the parallel walk)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j"$jobs"
ctest --preset tsan -j"$jobs"

stage "Linux, release: the program, the benchmarks and the Debian package"
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
rm -rf build/release/package
cpack --preset deb >/dev/null
debs=(build/release/package/ovik_*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] ||
  { echo "expected one package in build/release/package: ${debs[*]}" >&2; exit 1; }
tests/e2e/package_test.sh "${debs[0]}"

stage "Windows, cross-built, under Wine"
scripts/test-windows.sh

stage "done"
echo "all tests passed in $((SECONDS - started)) s"
