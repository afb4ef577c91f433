#!/bin/sh
# A picture of the html export for the README: a sample page of an
# ordinary server rendered by headless chromium. Writes
# docs/report-html.png. Builds the page writer in the debug preset
# (or BUILD_DIR) first; needs chromium (scripts/setup.sh --test).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/debug}
cd "$ROOT"
cmake --preset debug -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" -j"${JOBS:-2}" --target export_html_page

WORK=$(mktemp -d /tmp/ovik-html-picture.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
"$BUILD_DIR/tests/export/export_html_page" "$WORK" --sample
mkdir -p docs
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$WORK/profile" --hide-scrollbars \
  --window-size="${WIDTH:-820},${HEIGHT:-900}" \
  --screenshot="$WORK/page.png" "file://$WORK/page.html" 2>/dev/null
cp "$WORK/page.png" docs/report-html.png
echo "wrote docs/report-html.png"
