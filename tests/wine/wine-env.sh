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
  wine_prepare_names
  wine_prepare_ntfs
  wine_link_japanese_font
}

# Japanese texts (the About box's caption in the README's picture among
# them) need a Japanese font. Without Wine's own fonts (Debian ships them
# apart) Wine draws captions, message boxes and dialogs in the system's
# sans serif, DejaVu Sans (Debian package fonts-dejavu-core): its regular
# and bold faces are linked to a Japanese font (fonts-ipafont-gothic),
# which then draws what they lack.
wine_link_japanese_font() {
  japanese=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
  if [ ! -f "$japanese" ]; then
    echo "$japanese missing (Debian package fonts-ipafont-gothic): Japanese texts show as boxes"
    return 0
  fi
  for face in 'DejaVu Sans' 'DejaVu Sans Bold'; do
    wine_run reg add \
      'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f >/dev/null 2>&1 || {
      echo "Could not link $face to $japanese" >&2
      return 1
    }
  done
}

# A file whose Japanese name ("ユーザー名", UTF-8) is made on this side,
# for the tests that read names in a Japanese locale.
wine_prepare_names() {
  rm -rf "$TEST_DRIVE_DIR/names"
  mkdir -p "$TEST_DRIVE_DIR/names"
  : >"$TEST_DRIVE_DIR/names/$(printf '\343\203\246\343\203\274\343\202\266\343\203\274\345\220\215')"
}

# Drive N: on an NTFS image, for the master file table's tests: the
# image is N:'s raw volume (dosdevices/n::), an empty folder its files.
# mkntfs and ntfscp (Debian package ntfs-3g) make it without root or
# FUSE; the files they copy in belong to the Administrators. The tests
# read what to expect from OVIK_TEST_NTFS_*, and skip without it.
wine_prepare_ntfs() {
  unset OVIK_TEST_NTFS_DRIVE OVIK_TEST_NTFS_FILES OVIK_TEST_NTFS_BYTES
  rm -f "$WINEPREFIX/dosdevices/n:" "$WINEPREFIX/dosdevices/n::"
  mkntfs=$(PATH=$PATH:/usr/sbin:/sbin command -v mkntfs || true)
  ntfscp=$(PATH=$PATH:/usr/sbin:/sbin command -v ntfscp || true)
  if [ -z "$mkntfs" ] || [ -z "$ntfscp" ]; then
    echo "mkntfs or ntfscp missing (Debian package ntfs-3g): the NTFS table tests under Wine are skipped"
    return 0
  fi
  image="$BUILD_DIR/ntfs-drive.img"
  files="$BUILD_DIR/ntfs-drive-files"
  rm -rf "$image" "$files"
  mkdir -p "$files" "$BUILD_DIR/ntfs-drive"
  truncate -s 32M "$image"
  "$mkntfs" -F -f -q "$image" >/dev/null 2>&1 || {
    echo "mkntfs failed on $image" >&2
    return 1
  }
  count=0
  bytes=0
  for size in 0 1 700 5000 123456; do
    head -c "$size" /dev/zero | tr '\0' 'x' >"$files/f$size"
    "$ntfscp" -q "$image" "$files/f$size" "file-$size.bin" || {
      echo "ntfscp failed on $image" >&2
      return 1
    }
    count=$((count + 1))
    bytes=$((bytes + size))
  done
  rm -rf "$files"
  ln -sfn "$image" "$WINEPREFIX/dosdevices/n::"
  ln -sfn "$BUILD_DIR/ntfs-drive" "$WINEPREFIX/dosdevices/n:"
  export OVIK_TEST_NTFS_DRIVE='N:'
  export OVIK_TEST_NTFS_FILES=$count
  export OVIK_TEST_NTFS_BYTES=$bytes
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
