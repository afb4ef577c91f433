#!/usr/bin/env bash
# The terminal dialog under hostile conditions, in detached tmux windows:
# a 20x10 terminal (and a 1x1 one), the window resized again and again
# while a scan runs, and directory names full of escape sequences shown
# as progress. No crash, a clear message where the
# dialog cannot be drawn, and nothing of a name ever reaches the terminal
# as a control sequence.
# Usage: tui_hostile_test.sh /path/to/ovik
set -u

ovik=${1:?usage: $0 /path/to/ovik}
[[ -x $ovik ]] || { echo "not executable: $ovik"; exit 2; }
ovik=$(realpath "$ovik")
command -v tmux >/dev/null || { echo "tmux is needed"; exit 2; }
# The screens are matched as UTF-8 text, whatever the caller's locale.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# The tree below has 80,000 entries: made and removed in memory where
# possible (when /dev/shm has room for them), as on a disk that can take
# a minute. Never go on without a scratch directory of its own: the tree
# would be made wherever the paths below then point.
work=""
if [[ -d /dev/shm && -w /dev/shm ]] &&
   (($(df --output=iavail /dev/shm 2>/dev/null | tail -1) > 100000)); then
  work=$(mktemp -d /dev/shm/ovik-hostile.XXXXXX 2>/dev/null)
fi
[[ -n $work ]] || work=$(mktemp -d /tmp/ovik-hostile.XXXXXX) || exit 2
socket="ovik-hostile-$$"
. "$(dirname "$0")/tmux_lib.sh"
title() { tmux -L "$socket" display -p -t "$1" '#{pane_title}'; }
resize() { tmux -L "$socket" resize-window -t "$1" -x "$2" -y "$3"; }

# start NAME COLS ROWS LOCALE ARGS...: ovik ARGS in a new window; its exit
# status goes to $work/NAME.exit, its standard error to $work/NAME.err.
start() {
  local name=$1 cols=$2 rows=$3 locale=$4; shift 4
  local args=""
  for arg in "$ovik" "$@"; do args+=" $(printf %q "$arg")"; done
  tmux -L "$socket" new-session -d -s "$name" -x "$cols" -y "$rows" \
    "cd $(printf %q "$work") && env LANG=$locale LC_ALL=$locale TERM=screen \
     $args 2>$name.err; echo \$? > $name.exit; sleep 600"
}

# --- A tree with many directories, all below one whose name is made of
# control sequences: every progress line names it. Were the sequences
# passed on, the pane's title would become "pwned".
hostile=$'\e]0;pwned\a\e[2J\n'
tree="$work/tree"
mkdir -p "$tree/$hostile" &&
( cd "$tree/$hostile" && seq -f 'd%g' 1 40000 | xargs mkdir &&
  seq -f 'd%g/f' 1 40000 | xargs touch ) ||
  { echo "the tree could not be made in $work"; exit 2; }
# As the status line writes it: 40,000.
files=$(find "$tree" -type f -printf x | wc -c | sed -e ':a' -e 's/\B[0-9]\{3\}\>/,&/' -e 'ta')

# --- A 20x10 terminal: the dialog says it does not fit, and what it needs.
start tiny 20 10 C.UTF-8 "$tree"
# Broken into lines of 20 columns.
wait_for tiny "The terminal is too"
wait_for tiny "80x24 needed"
wait_for tiny "20x10 now"
# Smaller still, then big enough: back to the dialog.
resize tiny 1 1
sleep 0.3
resize tiny 80 24
wait_for tiny "OVIK"
resize tiny 20 10
wait_for tiny "20x10 now"
keys tiny C-c
status=$(exit_status tiny)
[[ $status == 130 ]] || fail "20x10: Ctrl-C ended ovik with status '$status'"

# --- Resized again and again while Find runs: it finishes with every
# file counted, and the dialog is drawn again at its full size.
start resize 80 24 C.UTF-8 "$tree"
wait_for resize "OVIK" || exit 1
keys resize f
sizes=("20 10" "100 40" "60 20" "1 1" "132 50" "79 23" "80 24")
during=0
for round in 1 2 3 4 5; do
  for size in "${sizes[@]}"; do
    resize resize $size
    sleep 0.02
    screen resize | grep -qF "Scanning" && during=$((during + 1))
  done
done
# A fast machine may finish the scan before the resizes do.
echo "note: $during of ${#sizes[@]}x5 resizes were seen during the scan"
resize resize 80 24
wait_for resize "Scanned ${files} files" 60
[[ -z $(cat "$work/resize.exit" 2>/dev/null) ]] || fail "ovik ended during the resizes"
[[ $(title resize) != *pwned* ]] || fail "a directory name set the terminal's title"
# The dialog still answers: About opens and closes.
keys resize a
wait_for resize "Ovik for NT Ver 1.00"
keys resize Enter
keys resize C-c
status=$(exit_status resize)
[[ $status == 130 ]] || fail "after the resizes Ctrl-C ended ovik with status '$status'"

# --- The headless report's progress line names the same directories.
tmux -L "$socket" new-session -d -s cli -x 80 -y 24 \
  "cd $(printf %q "$work") && env LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=screen \
   $(printf %q "$ovik") report -j 2 $(printf %q "$tree") >cli.out; echo \$? > cli.exit; sleep 600"
status=$(exit_status cli)
[[ $status == 0 ]] || fail "ovik report ended with status '$status'"
[[ $(title cli) != *pwned* ]] || fail "ovik report's progress set the terminal's title"

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
