#!/bin/sh
# Pictures of the dialogs under Wine on a virtual X display: the main
# dialog after a Find on a small prepared drive, and the About box.
# Writes docs/main-dialog.png and docs/about-box.png. Needs what
# scripts/test-windows.sh needs; builds the mingw preset first.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/mingw}
cd "$ROOT"
cmake --preset mingw -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" -j"${JOBS:-2}" --target ovik_screenshot_tool

. "$ROOT/tests/wine/wine-env.sh"
wine_prepare_prefix

# A few files for the ranking to show.
rm -rf "$TEST_DRIVE_DIR"/*
mkdir -p "$TEST_DRIVE_DIR/projects" "$TEST_DRIVE_DIR/shared"
head -c 3500000 /dev/zero > "$TEST_DRIVE_DIR/projects/build.log"
head -c 1200000 /dev/zero > "$TEST_DRIVE_DIR/shared/notes.txt"

OUT="$BUILD_DIR/screenshots"
mkdir -p "$OUT" docs
rm -f "$OUT"/*.bmp
# Wine draws the window frames itself on a desktop window of its own,
# turned on for this run only.
DESKTOP_KEY='HKCU\Software\Wine\Explorer'
wine_run reg add "$DESKTOP_KEY" /v Desktop /d Default /f >/dev/null 2>&1
wine_run reg add "$DESKTOP_KEY\Desktops" /v Default /d 640x480 /f \
  >/dev/null 2>&1
"$WINESERVER" -w
OUT_WINDOWS=$(wine_run winepath -w "$OUT" 2>/dev/null)
xvfb-run -a -s "-screen 0 800x600x24" sh -c '
  "$1" "$2" "T:\\" "$3"
  "$4" -w' sh "$WINE_LOADER" "$BUILD_DIR/tests/wine/ovik_screenshot_tool.exe" \
  "$OUT_WINDOWS" "$WINESERVER"
wine_run reg delete "$DESKTOP_KEY" /v Desktop /f >/dev/null 2>&1 || true
"$WINESERVER" -k 2>/dev/null || true

python3 - "$OUT/main.bmp" docs/main-dialog.png "$OUT/about.bmp" \
  docs/about-box.png <<'PY'
import struct, sys, zlib

def bmp_to_png(src, dst):
    data = open(src, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row = data[offset + (abs(height) - 1 - y) * stride:][:width * 3]
        rgb = bytearray(row)
        rgb[0::3], rgb[2::3] = row[2::3], row[0::3]  # BGR to RGB
        rows.append(b"\0" + bytes(rgb))
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2,
                                      0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) +
           chunk(b"IEND", b""))
    open(dst, "wb").write(png)
    print("wrote", dst)

args = sys.argv[1:]
for src, dst in zip(args[0::2], args[1::2]):
    bmp_to_png(src, dst)
PY
