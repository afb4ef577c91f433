#!/usr/bin/env bash
# Renders the html export in a real headless browser and checks, in the
# rendered page, that every owner is shown (in the table, in order, and
# labelling its bar) and that there is exactly one visible bar per owner,
# as long as the owners' totals say. The names try to break the page.
# Exit 77 (skipped) when chromium is not installed.
# Usage: export_html_test.sh /path/to/export_html_page
set -u

generator=${1:?usage: $0 /path/to/export_html_page}
here=$(cd "$(dirname "$0")" && pwd)
browser=$(command -v chromium || command -v chromium-browser || true)
if [[ -z $browser ]]; then
  echo "chromium is not installed: the html export's browser test is skipped"
  echo "(scripts/setup.sh --test installs it)"
  exit 77
fi

export LANG=C.UTF-8 LC_ALL=C.UTF-8
work=$(mktemp -d /tmp/ovik-export-html.XXXXXX) || exit 2
trap 'rm -rf "$work"' EXIT

"$generator" "$work" || { echo "FAIL: the page could not be written"; exit 1; }
cp "$here/export_html_harness.html" "$work/harness.html"

# A fresh profile, nothing fetched from outside; the harness reads the
# page from the same folder, which file: pages may only do when allowed.
timeout 90 "$browser" --headless --no-sandbox --disable-gpu --disable-quic \
  --no-first-run --disable-background-networking --disable-component-update \
  --disable-sync --user-data-dir="$work/profile" \
  --allow-file-access-from-files \
  --dump-dom "file://$work/harness.html" >"$work/dom.html" 2>"$work/browser.log"
status=$?
verdict=$(sed -n 's:.*<pre id="result">\([^<]*\)</pre>.*:\1:p' "$work/dom.html")
if [[ $status -ne 0 || -z $verdict ]]; then
  echo "FAIL: the browser gave no verdict (exit status $status)"
  tail -20 "$work/browser.log"
  exit 1
fi
echo "$verdict"
[[ $verdict == PASS:* ]]
