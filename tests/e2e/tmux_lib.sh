# Shared by the terminal dialog's tmux tests. Source it after setting
# $work (a scratch folder) and $socket (the tmux server's name); it
# removes both on exit and counts failures in $failures.

failures=0
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

screen() { tmux -L "$socket" capture-pane -p -t "$1"; }
keys() { local target=$1; shift; tmux -L "$socket" send-keys -t "$target" "$@"; }

# wait_for TARGET TEXT [SECONDS]: until TEXT is on the screen.
wait_for() {
  local target=$1 text=$2 limit=${3:-10}
  local deadline=$((SECONDS + limit))
  while ((SECONDS <= deadline)); do
    if screen "$target" | grep -qF -- "$text"; then return 0; fi
    sleep 0.05
  done
  echo "--- screen while waiting for '$text':"
  screen "$target"
  fail "'$text' did not appear within ${limit}s"
  return 1
}

# wait_gone TARGET TEXT [SECONDS]: until TEXT has left the screen.
wait_gone() {
  local target=$1 text=$2 limit=${3:-10}
  local deadline=$((SECONDS + limit))
  while ((SECONDS <= deadline)); do
    if ! screen "$target" | grep -qF -- "$text"; then return 0; fi
    sleep 0.05
  done
  fail "'$text' stayed on the screen for ${limit}s"
  return 1
}

# exit_status NAME: the status recorded in $work/NAME.exit, waited for;
# "none" when nothing came in 20 s.
exit_status() {
  local deadline=$((SECONDS + 20))
  while ((SECONDS <= deadline)); do
    if [[ -s $work/$1.exit ]]; then cat "$work/$1.exit"; return 0; fi
    sleep 0.05
  done
  echo "none"
}
