# Shared by the Windows test and screenshot scripts: a Wine prefix of the
# build's own, created once, with a prepared folder linked as drive T:.
# Source it after setting BUILD_DIR.

WINE_LOADER=${WINE_LOADER:-/usr/lib/wine/wine64}
[ -x "$WINE_LOADER" ] || WINE_LOADER=$(command -v wine64 || command -v wine || true)
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver || true)
if [ -z "$WINE_LOADER" ] || [ -z "$WINESERVER" ]; then
  echo "wine64 not found (Debian package wine64)" >&2
  exit 1
fi

export WINEPREFIX="$BUILD_DIR/wineprefix"
# Wine takes the encoding of Unix file names and the ANSI code page from
# the locale; the tests expect UTF-8 names (in the C locale a name outside
# ASCII cannot be made) and the Western code page, whatever the caller's.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEDEBUG=-all
export WINEARCH=win64
# The fake 3D-controls library of the tests must win over Wine's own.
export WINEDLLOVERRIDES="ctl3d32=n,b"
# No menu entries or file associations for the test prefix.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

TEST_DRIVE_DIR="$BUILD_DIR/test-drive"
export OVIK_TEST_DRIVE='T:\'

wine_prepare_prefix() {
  # A prefix whose first start was cut short lacks its last step's stamp
  # (and its mount manager, so no drive is listed): make it anew.
  if [ -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/.update-timestamp" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  tries=0
  while [ ! -f "$WINEPREFIX/.update-timestamp" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 2 ]; then
      echo "Could not create the Wine prefix $WINEPREFIX" >&2
      return 1
    fi
    echo "Creating the Wine prefix $WINEPREFIX (takes a while once)"
    # No Mono or Gecko: their installers want a display and are not used.
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mscoree=d;mshtml=d" \
      "$WINE_LOADER" wineboot --init </dev/null >/dev/null 2>&1 || true
    "$WINESERVER" -w
  done
  mkdir -p "$TEST_DRIVE_DIR"
  ln -sfn "$TEST_DRIVE_DIR" "$WINEPREFIX/dosdevices/t:"
  wine_prepare_owners
}

# Files of two owners on the test drive: Wine gives a file of any Unix
# account but the running one another owner ("ANONYMOUS LOGON"). Only
# root can hand files to another account; otherwise there is no folder
# and the test that needs it is skipped.
wine_prepare_owners() {
  owners="$TEST_DRIVE_DIR/owners"
  rm -rf "$owners"
  [ "$(id -u)" -eq 0 ] || return 0
  mkdir -p "$owners/sub"
  head -c 3000 /dev/zero > "$owners/mine"
  head -c 7000 /dev/zero > "$owners/theirs"
  head -c 2048 /dev/zero > "$owners/sub/theirs"
  chown 65534:65534 "$owners/theirs" "$owners/sub/theirs"
}

wine_run() {
  "$WINE_LOADER" "$@"
}
