#!/bin/sh
# Builds the Windows program and its tests with the MinGW-w64 cross
# compiler and runs every Windows test under Wine; the dialog tests run
# on a virtual X display. Exits non-zero on any failure.
#
# Needs the Debian packages ninja-build, g++-mingw-w64-x86-64-posix,
# mingw-w64, googletest, wine64, xvfb, xauth and locales; with --install
# (and root) it installs them first.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/mingw}
JOBS=${JOBS:-2}

if [ "${1:-}" = "--install" ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64 googletest wine64 \
    xvfb xauth locales
fi

cd "$ROOT"
cmake --preset mingw -B "$BUILD_DIR"
cmake --build "$BUILD_DIR" -j"$JOBS"

. "$ROOT/tests/wine/wine-env.sh"
wine_prepare_prefix

status=0
logs="$BUILD_DIR/test-logs"
mkdir -p "$logs"
# run NAME COMMAND...: a GoogleTest program under Wine. It passes only
# with exit status 0 and GoogleTest's closing summary with every test
# passed: Wine can end a program that crashed (a stack overflow) with
# status 0.
run() {
  name=$1
  shift
  echo "== $*"
  rm -f "$logs/$name.log" "$logs/$name.status"
  { "$@"; echo $? >"$logs/$name.status"; } 2>&1 | tee "$logs/$name.log"
  if [ "$(cat "$logs/$name.status")" != 0 ] ||
     ! grep -q '^\[==========\] [0-9]* tests\{0,1\} from .* ran' "$logs/$name.log" ||
     ! grep -q '^\[  PASSED  \] [1-9][0-9]* tests\{0,1\}\.' "$logs/$name.log" ||
     grep -q '^\[  FAILED  \]' "$logs/$name.log"; then
    echo "!! failed: $*"
    status=1
  fi
}

# Everything that needs no window, in the prefix's Western locale...
run unit wine_run "$BUILD_DIR/tests/ovik_tests.exe"
run scan wine_run "$BUILD_DIR/tests/ovik_scan_tests.exe"
# ...and the report's bytes again with the Japanese ANSI code page. Wine
# reads the names of files in the Unix locale's character set, so that
# locale must exist or the names it is to test come out garbled: it is
# made here, in the build folder, from the system's locale sources.
locales="$BUILD_DIR/locales"
if [ ! -f "$locales/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$locales"
  localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" >/dev/null 2>&1 || true
fi
if [ -f "$locales/ja_JP.UTF-8/LC_CTYPE" ]; then
  run japanese env LOCPATH="$locales" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 \
    "$WINE_LOADER" "$BUILD_DIR/tests/ovik_tests.exe" \
    --gtest_filter='ReportEncodingWin32Test.*'
else
  echo "SKIPPED: the Japanese run: localedef could not make ja_JP.UTF-8" \
    "(Debian package locales)"
fi
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w

# The dialogs, on a display of their own.
run dialogs xvfb-run -a -s "-screen 0 1024x768x24" \
  "$WINE_LOADER" "$BUILD_DIR/tests/wine/ovik_dialog_tests.exe"
"$WINESERVER" -k 2>/dev/null || true

if [ "$status" -eq 0 ]; then
  echo "Windows tests: all passed"
else
  echo "Windows tests: FAILURES"
fi
exit "$status"
