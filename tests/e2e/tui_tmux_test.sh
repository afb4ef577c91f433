#!/usr/bin/env bash
# Runs the terminal dialog in a detached 80x24 tmux window on a prepared
# tree: Find, the ranking rows, the first owner's directories, paging,
# Report Out through the Save As box, About, Esc, a too small window, a
# second directory chosen in the drive list, the change column beside a
# saved scan and S saving the Find, and the ways out (OK, Ctrl-C,
# SIGTERM, SIGHUP).
# Usage: tui_tmux_test.sh /path/to/ovik
#
# Screens are polled with timeouts, never waited for with fixed sleeps.
# As root the tree's files get seven different owners, so the ranking has
# two pages; otherwise every file is the caller's and paging is checked
# on one page only.
set -u

ovik=${1:?usage: $0 /path/to/ovik}
[[ -x $ovik ]] || { echo "not executable: $ovik"; exit 2; }
command -v tmux >/dev/null || { echo "tmux is needed"; exit 2; }
ovik=$(realpath "$ovik")
# The screens are matched as UTF-8 text (a bar is "█+"), whatever the
# caller's locale.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

work=$(mktemp -d /tmp/ovik-e2e.XXXXXX) || exit 2
socket="ovik-e2e-$$"
capture_file=/tmp/ovik-dialog-capture-$(id -u).txt
. "$(dirname "$0")/tmux_lib.sh"

# wait_file PATH [SECONDS]: until PATH exists and is not empty.
wait_file() {
  local path=$1 limit=${2:-10}
  local deadline=$((SECONDS + limit))
  while ((SECONDS <= deadline)); do
    [[ -s $path ]] && return 0
    sleep 0.05
  done
  fail "$path was not written within ${limit}s"
  return 1
}

# start NAME ARGS...: runs ovik ARGS in a new 80x24 window NAME; its exit
# status goes to $work/NAME.exit, its process id to $work/NAME.pid.
start() {
  local name=$1; shift
  local args="" inner
  for arg in "$ovik" "$@"; do args+=" $(printf %q "$arg")"; done
  # The inner shell records its own id, then becomes ovik.
  inner="echo \$\$ > $name.pid; exec \"\$@\""
  tmux -L "$socket" new-session -d -s "$name" -x 80 -y 24 \
    "cd $(printf %q "$work") && env LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=screen \
     sh -c $(printf %q "$inner") ovik$args; echo \$? > $name.exit; sleep 600"
}

# --- The tree: one file per owner, sizes in whole KB, largest first.
tree="$work/tree"
mkdir -p "$tree/docs/deep/er" "$tree/srv"
declare -a names=() sizes=()
if [[ $(id -u) == 0 ]]; then
  uids=(1 2 3 4 5 6 0)
  kbs=(700 600 500 400 300 200 100)
  for i in "${!uids[@]}"; do
    file="$tree/docs/f$i"
    ((i % 2)) && file="$tree/docs/deep/er/f$i"
    ((i == 6)) && file="$tree/srv/f$i"
    truncate -s "${kbs[$i]}K" "$file"
    chown "${uids[$i]}" "$file"
    name=$(getent passwd "${uids[$i]}" | cut -d: -f1)
    names+=("${name:-${uids[$i]}}")
    sizes+=("${kbs[$i]}")
  done
else
  truncate -s 300K "$tree/docs/f0"
  truncate -s 200K "$tree/srv/f1"
  names=("$(id -un)" root)
  sizes=(500 0)
fi
owners=${#names[@]}
# The first owner's bytes in docs/ and in the files of docs itself.
docs_kb=${sizes[0]}
(($(id -u) == 0)) || docs_kb=300

# --- The dialog with the tree in its drive list.
start main "$tree"
wait_for main "OVIK" || exit 1
wait_for main "Ranking No.1 - No.5"
wait_for main "User Name No1"
wait_for main "/tree"  # the selected entry of the drive list

# Find (its mnemonic), then the rows.
keys main f
wait_for main "Scanned " 30 || exit 1
screen main > "$capture_file"
for ((i = 0; i < owners && i < 5; i++)); do
  row=$(grep -F "│ ${names[$i]} " "$capture_file")
  [[ -n $row ]] || fail "row of ${names[$i]} is missing"
  [[ $row == *"${sizes[$i]}KB  "* ]] ||
    fail "row of ${names[$i]} shows no ${sizes[$i]}KB: $row"
done
# Rows in ranking order.
order=$(grep -nF -e "│ ${names[0]} " -e "│ ${names[1]} " "$capture_file" |
        cut -d: -f1 | tr '\n' ' ')
read -r first second <<<"$order"
((first < second)) || fail "${names[0]} is not above ${names[1]}"
grep -qF "Scanned ${owners} files" "$capture_file" ||
  fail "status line does not count ${owners} files"

# Where the first owner's bytes are: Down marks the first row, Enter
# lists the walk's root, Enter goes into docs/ (the largest), Left comes
# back to the root and Esc to the ranking.
share=$(awk -v a="$docs_kb" -v b="${sizes[0]}" 'BEGIN { printf "%.4f%%", 100 * a / b }')
keys main Down
wait_for main "Enter:Directories"
keys main Enter
wait_for main "Directories of ${names[0]}"
wait_for main "In: $tree "
screen main | grep -qE "^│ +${docs_kb}KB +${share}  █+ +docs/ +│$" ||
  fail "docs/ is not listed with ${docs_kb}KB and ${share}"
keys main Enter
wait_for main "In: $tree/docs "
screen main | grep -qE "^│ +${docs_kb}KB +[0-9.]+%  █+ +\(files in this directory\) +│$" ||
  fail "the files of docs/ are not listed with ${docs_kb}KB"
keys main Left
wait_for main "In: $tree "
keys main Escape
wait_gone main "Directories of ${names[0]}"
wait_for main "Ranking No.1 - No.5"
keys main Tab  # the focus back on the buttons, at OK
wait_for main "Down:Ranking"

# Pages: Right to the second and last page, Right again stays there,
# Left back to the first, Left again stays there.
if ((owners > 5)); then
  keys main Right
  wait_for main "Ranking No.6 - No.10"
  wait_for main "│ ${names[5]} "
  wait_for main "│ ${names[6]} "
  keys main Right Left
  wait_for main "Ranking No.1 - No.5"
  wait_for main "│ ${names[0]} "
  keys main Left Right
  wait_for main "Ranking No.6 - No.10"
  # A second Find starts at page 0 with the same figures, not their sum.
  keys main f
  wait_for main "Ranking No.1 - No.5" 30
  screen main | grep -F "│ ${names[0]} " | grep -qF "${sizes[0]}KB  " ||
    fail "a second Find changed ${names[0]}'s total"
else
  echo "note: not root, so one owner page only; paging checked at its ends"
  keys main Left Right
  wait_for main "Ranking No.1 - No.5"
fi

# Report Out through the Save As box; the name gets ".txt".
keys main r
wait_for main "ログファイル名を指定"
wait_for main "ファイル名:"
keys main -l "e2e-report"
keys main Enter
report="$work/e2e-report.txt"
wait_file "$report"
wait_gone main "ログファイル名を指定"
if [[ -s $report ]]; then
  lines=$(tr -cd '\n' < "$report" | wc -c)
  ((lines == owners)) || fail "report has $lines lines, not $owners"
  crs=$(tr -cd '\r' < "$report" | wc -c)
  ((crs == owners)) || fail "report lines do not all end in CR LF"
  [[ $(tail -c 2 "$report" | od -An -c | tr -d ' ') == '\r\n' ]] ||
    fail "report does not end with CR LF"
  [[ $(head -c 3 "$report" | od -An -tx1 | tr -d ' ') != efbbbf ]] ||
    fail "report starts with a byte-order mark"
  for ((i = 0; i < owners; i++)); do
    line=$(sed -n "$((i + 1))p" "$report" | tr -d '\r')
    name=${names[$i]}
    pad=$((20 - ${#name}))
    ((pad < 0)) && pad=0
    prefix="No.$((i + 1)):${name}$(printf '%*s' "$pad" '') "
    [[ $line == "$prefix"* ]] || fail "report line $((i + 1)) starts wrong: '$line'"
    usage=${line#"$prefix"}
    [[ $usage =~ ^\ *${sizes[$i]}KB\ \ [0-9]+\.[0-9]{4}%$ ]] ||
      fail "report line $((i + 1)) has usage '$usage'"
    # The screen showed the same usage text for the first page.
    if ((i < 5)); then
      grep -F "│ ${name} " "$capture_file" | grep -qF -- "${usage# }" ||
        fail "screen and report differ for $name"
    fi
  done
fi

# About, then OK in it.
keys main a
wait_for main "Ovik for NTについて.."
wait_for main "Ovik for NT Ver 1.00"
wait_for main "ユーザー名"
wait_for main "会社名"
wait_for main "│█▆▄▂▁│"
keys main Enter
wait_gone main "Ovik for NT Ver 1.00"

# Esc leaves the dialog open: About opens after it.
keys main Escape
keys main a
wait_for main "Ovik for NT Ver 1.00"
keys main Escape
wait_gone main "Ovik for NT Ver 1.00"

# Too small a window says so; the dialog is back once it fits again.
tmux -L "$socket" resize-window -t main -x 60 -y 20
wait_for main "too small"
wait_for main "60x20"
tmux -L "$socket" resize-window -t main -x 80 -y 24
wait_for main "Ranking No.1 - No.5"
wait_gone main "too small"

# OK closes: from About (focused by its mnemonic) back to OK in tab order.
keys main BTab BTab BTab BTab Enter
status=$(exit_status main)
[[ $status == 0 ]] || fail "OK ended ovik with status '$status'"

# Two directories: the first is selected; Down in the drive list selects
# the second at once, and Find then walks that one only. Up goes back
# and leaves the rows as they were, their title naming where they were
# found.
start drives "$tree" "$tree/docs"
wait_for drives "/tree]"
keys drives Tab Down
wait_for drives "/docs]"
keys drives f
docs_files=$(find "$tree/docs" -type f | wc -l)
wait_for drives "Scanned ${docs_files} files" 30
rows_before=$(screen drives | sed -n '14,19p')
keys drives BTab Up  # the mnemonic moved the focus to Find
wait_for drives "/tree]"
[[ $(screen drives | sed -n '14,19p') == "$rows_before" ]] ||
  fail "changing the drive changed the ranking rows"
screen drives | sed -n '13p' | grep -q "Ranking No.1 - No.5 of .*/docs" ||
  fail "the ranking's title does not name the directory it was found in"
keys drives C-c
exit_status drives >/dev/null

# A saved scan of the tree: each row shows its change since then (none,
# "="), and S saves the Find beside it.
history=$work/history.sqlite
"$ovik" report "$tree" --save --history "$history" >/dev/null 2>&1 ||
  fail "the tree could not be saved"
start saved --history "$history" "$tree"
wait_for saved "OVIK"
keys saved f
wait_for saved "Change: since the scan saved " 30
screen saved | grep -qE "^│  │ ${names[0]} +${sizes[0]}KB +[0-9.]+% +=( |$)" ||
  fail "the row of ${names[0]} shows no change column: $(screen saved | grep -F "│ ${names[0]} ")"
wait_for saved "S:Save"
keys saved s
wait_for saved "The Find was saved in $history"
[[ $("$ovik" history --history "$history" | wc -l) == 3 ]] ||
  fail "S did not save the Find: $("$ovik" history --history "$history")"
keys saved C-c
exit_status saved >/dev/null

# Ctrl-C, SIGTERM and SIGHUP end it too, restoring the terminal.
start interrupted "$tree"
wait_for interrupted "OVIK"
keys interrupted C-c
status=$(exit_status interrupted)
[[ $status == 130 ]] || fail "Ctrl-C ended ovik with status '$status'"
wait_gone interrupted "OVIK"

start terminated
wait_for terminated "OVIK"
kill -TERM "$(cat "$work/terminated.pid")"
status=$(exit_status terminated)
[[ $status == 143 ]] || fail "SIGTERM ended ovik with status '$status'"
wait_gone terminated "OVIK"

start hungup
wait_for hungup "OVIK"
kill -HUP "$(cat "$work/hungup.pid")"
status=$(exit_status hungup)
[[ $status == 129 ]] || fail "SIGHUP ended ovik with status '$status'"

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed; dialog after Find saved in $capture_file"
