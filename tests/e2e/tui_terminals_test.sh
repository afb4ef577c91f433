#!/usr/bin/env bash
# The terminal dialog on the terminals of a server room, in detached
# 80x24 tmux windows started under env -i (TERM, PATH, a HOME of the
# test's own and what a row adds), one row a terminal: tmux (which
# answers the probe as a UTF-8 terminal) with no locale, LANG=C and a
# Latin-1 locale; luit, a real single-byte terminal; the console; vt100;
# a terminal that never answers.
# Each goes through Find, the ranking, Save As and About, with the texts
# and the drawing that terminal gets. TERM=dumb and unset TERM give a
# one-line message and status 2. Rows whose locale or luit is missing are
# skipped, saying so.
# Usage: tui_terminals_test.sh /path/to/ovik
set -u

ovik=${1:?usage: $0 /path/to/ovik}
[[ -x $ovik ]] || { echo "not executable: $ovik"; exit 2; }
ovik=$(realpath "$ovik")
command -v tmux >/dev/null || { echo "tmux is needed"; exit 2; }
# The screens are matched as UTF-8 text, whatever the caller's locale;
# each terminal's own locale is set in its row below.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

work=$(mktemp -d /tmp/ovik-terminals.XXXXXX) || exit 2
socket="ovik-terminals-$$"
. "$(dirname "$0")/tmux_lib.sh"

# start NAME "VAR=VALUE ..." WRAPPER ARGS...: ovik ARGS under env -i with
# the variables (and WRAPPER before it, when not "-") in a new window.
# Everything the window is sent is kept in NAME.raw; the exit status goes
# to NAME.exit, standard error to NAME.err.
start() {
  local name=$1 vars=$2 wrapper=$3; shift 3
  local args="" inner
  for arg in "$ovik" "$@"; do args+=" $(printf %q "$arg")"; done
  [[ $wrapper == - ]] && wrapper=""
  # bash, which goes on after a command that ended on Ctrl-C by itself.
  inner="\"\$@\" 2>$name.err; echo \$? >$name.exit"
  tmux -L "$socket" new-session -d -s "$name" -x 80 -y 24 \
    "cd $(printf %q "$work") && while [ ! -e $name.go ]; do sleep 0.02; done;
     env -i HOME=$(printf %q "$work") PATH=/usr/bin:/bin $vars $wrapper \
       bash -c $(printf %q "$inner") ovik$args; sleep 600"
  tmux -L "$socket" pipe-pane -t "$name" -o "cat >> $(printf %q "$work/$name.raw")"
  touch "$work/$name.go"
}

# --- The tree: one file in a directory whose name Latin-1 can show
# only in part.
me=$(id -un)
dir="$work/tree/dätä_日本"
mkdir -p "$dir"
truncate -s 300K "$dir/f"

# --- A terminal that never answers where its cursor is.
printf 'ovik-silent|a screen that never answers where its cursor is,\n\tu7=\\E[99n, use=screen,\n' \
  >"$work/silent.src"
tic -o "$work/terminfo" "$work/silent.src" ||
  fail "the silent terminal's terminfo entry could not be compiled"

# --- A Latin-1 locale, made here when the system has none.
latin1_vars=""
if locale -a 2>/dev/null | grep -qix 'en_US.iso88591'; then
  latin1_vars="LANG=en_US.ISO-8859-1"
elif command -v localedef >/dev/null && mkdir -p "$work/locale" &&
     localedef -i en_US -f ISO-8859-1 "$work/locale/en_US.ISO-8859-1" \
       2>/dev/null; then
  latin1_vars="LOCPATH=$work/locale LANG=en_US.ISO-8859-1"
fi

# The Save As box's texts, then the About box's.
japanese="ログファイル名を指定;ファイル名:;キャンセル;Ovik for NTについて..;ユーザー名;会社名"
english="Specify the log file name;File name:;Cancel;About Ovik for NT..;User name;Company name"

# On the console curses loads and unloads the mouse server's library,
# whose buffers then look leaked to a sanitizer's leak check.
console_vars="TERM=linux ASAN_OPTIONS=detect_leaks=0"

# NAME | TERM and locale | wrapper | texts | the directory as drawn |
# the top frame as tmux recorded it | mouse asked for | ASCII only
rows=(
  "nolocale|TERM=screen|-|$japanese|dätä_日本|┌───|yes|no"
  "lang_c|TERM=xterm LANG=C|-|$japanese|dätä_日本|┌───|yes|no"
  "latin1|TERM=xterm-256color $latin1_vars|-|$japanese|dätä_日本|┌───|yes|no"
  "latin1_luit|TERM=xterm $latin1_vars|luit -encoding ISO-8859-1 --|$english|dätä_????||yes|no"
  "linux|$console_vars|-|$english|dätä_????|┌───|yes|no"
  "vt100|TERM=vt100 LANG=C|-|$japanese|dätä_日本|┌───|no|no"
  "silent|TERM=ovik-silent TERMINFO=$work/terminfo LANG=C|-|$english|d?t?_????|$(printf '\016')lqqq|yes|yes"
)

for row in "${rows[@]}"; do
  IFS='|' read -r name vars wrapper texts shown frame mouse ascii <<<"$row"
  IFS=';' read -r -a text <<<"$texts"
  [[ $name == latin1* && -z $latin1_vars ]] &&
    { echo "note: skipped $name: no Latin-1 locale (nor the locales package)"; continue; }
  [[ $wrapper == luit* ]] && ! command -v luit >/dev/null &&
    { echo "note: skipped $name: no luit (x11-utils)"; continue; }

  start "$name" "$vars" "$wrapper" "$dir"
  wait_for "$name" "OVIK" || continue
  wait_for "$name" "$shown]"
  if [[ -n $frame ]]; then
    tmux -L "$socket" capture-pane -p -e -t "$name" | head -1 | grep -qF -- "$frame" ||
      fail "$name: the frame is not drawn as '$frame'"
  fi

  keys "$name" f
  wait_for "$name" "Scanned 1 files"
  screen "$name" | grep -F " $me " | grep -qF "300KB" ||
    fail "$name: no ranking row for $me with 300KB"

  keys "$name" r
  for t in "${text[@]:0:3}"; do wait_for "$name" "$t"; done
  keys "$name" Escape
  wait_gone "$name" "${text[0]}"

  # A late answer of the terminal's is no key: its 'R' opens no Save As
  # box, and the About box then opens.
  keys "$name" -l $'\e[24;1R'
  keys "$name" a
  for t in "${text[@]:3}" "Ovik for NT Ver 1.00"; do wait_for "$name" "$t"; done
  keys "$name" Enter
  wait_gone "$name" "Ovik for NT Ver 1.00"

  keys "$name" C-c
  status=$(exit_status "$name")
  [[ $status == 130 ]] || fail "$name: Ctrl-C ended ovik with status '$status'"

  raw="$work/$name.raw"
  # "ESC [ ? 1000 h", maybe with other modes: button presses reported.
  asked=no
  grep -qaE $'\e\\[\\?([0-9]+;)*1000[;h]' "$raw" && asked=yes
  [[ $asked == "$mouse" ]] || fail "$name: mouse reporting asked for: $asked"
  # After the test print and its question, ASCII only.
  after=$(LC_ALL=C sed -e '1s/^.*\x1b\[99n//' "$raw" | LC_ALL=C tr -d '\000-\177' | wc -c)
  [[ $ascii == no ]] || ((after == 0)) ||
    fail "$name: $after bytes outside ASCII were written"
done

# --- Terminals curses cannot drive: one line naming the commands that
# need none, status 2.
for row in "dumb|TERM=dumb" "unset|"; do
  IFS='|' read -r name vars <<<"$row"
  start "$name" "$vars" -
  status=$(exit_status "$name")
  [[ $status == 2 ]] || fail "$name: exit status '$status', not 2"
  message=$(cat "$work/$name.err")
  [[ $(wc -l <"$work/$name.err") == 1 && $message == *"ovik report"* &&
     $message == *"ovik drives"* ]] || fail "$name: the message is '$message'"
done

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
