#!/bin/sh
# Builds the Windows program and its tests with the MinGW-w64 cross
# compiler and runs every Windows test under Wine; the dialog tests run
# on a virtual X display. Exits non-zero on any failure.
#
# Needs the Debian packages ninja-build, g++-mingw-w64-x86-64-posix,
# mingw-w64, googletest, wine64, xvfb and xauth; with --install (and
# root) it installs them first.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/mingw}
JOBS=${JOBS:-2}

if [ "${1:-}" = "--install" ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64 googletest wine64 \
    xvfb xauth
fi

cd "$ROOT"
cmake --preset mingw -B "$BUILD_DIR"
cmake --build "$BUILD_DIR" -j"$JOBS"

. "$ROOT/tests/wine/wine-env.sh"
wine_prepare_prefix

status=0
run() {
  echo "== $*"
  if ! "$@"; then
    echo "!! failed: $*"
    status=1
  fi
}

# Everything that needs no window, in the prefix's Western locale...
run wine_run "$BUILD_DIR/tests/ovik_tests.exe"
run wine_run "$BUILD_DIR/tests/ovik_scan_tests.exe"
# ...and the report's bytes again with the Japanese ANSI code page.
run env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$WINE_LOADER" \
  "$BUILD_DIR/tests/ovik_tests.exe" --gtest_filter='ReportEncodingWin32Test.*'
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w

# The dialogs, on a display of their own.
run xvfb-run -a -s "-screen 0 1024x768x24" \
  "$WINE_LOADER" "$BUILD_DIR/tests/wine/ovik_dialog_tests.exe"
"$WINESERVER" -k 2>/dev/null || true

if [ "$status" -eq 0 ]; then
  echo "Windows tests: all passed"
else
  echo "Windows tests: FAILURES"
fi
exit "$status"
