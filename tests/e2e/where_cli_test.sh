#!/usr/bin/env bash
# Runs the built `ovik where` end to end on a tree of several owners and
# groups: the directories that hold an owner's (or a group's) bytes,
# exactly (sizes, shares, bytes, order, escaped paths, chains shown once
# at their deepest member), by name and by number, --top, one thread or
# several, and the answers for an owner with no bytes and an unknown one.
# Needs root (to chown and mount a tmpfs); skipped (77) without.
# Usage: where_cli_test.sh /path/to/ovik
set -u

ovik=${1:?usage: $0 /path/to/ovik}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/smoke_lib.sh"
. "$here/owners_tree_lib.sh"
smoke_begin where-e2e
owners_tree_make || exit 77
t=$owners_tree

# run NAME ARGS...: ovik ARGS, stdout, stderr and status in $work/NAME.*
run() {
  local name=$1; shift
  "$ovik" "$@" >"$work/$name.out" 2>"$work/$name.err"
  echo $? >"$work/$name.status"
}
# expect NAME STATUS LINES...: the exit status and stdout, line by line.
expect() {
  local name=$1 status=$2; shift 2
  [[ $(cat "$work/$name.status") == "$status" ]] ||
    fail "$name: exit status $(cat "$work/$name.status"), not $status: $(cat "$work/$name.err")"
  local expected=""
  (($# == 0)) || expected=$(printf '%s\n' "$@")
  if [[ $(cat "$work/$name.out") != "$expected" ]]; then
    fail "$name: the list differs"
    diff <(printf '%s' "$expected") "$work/$name.out" | head -20
  fi
}
# expect_said NAME TEXT: TEXT on stderr.
expect_said() {
  grep -qF -- "$2" "$work/$1.err" || fail "$1: stderr lacks '$2': $(cat "$work/$1.err")"
}

tab=$'\t'
daemon=(
  "3MB${tab}100.0000%${tab}3964928${tab}$t"
  "3MB${tab}81.9215%${tab}3248128${tab}$t/home/d"
  "3MB${tab}79.3388%${tab}3145728${tab}$t/home/d/proj"
  "500KB${tab}12.9132%${tab}512000${tab}$t/srv/a/b/c"
  "200KB${tab}5.1653%${tab}204800${tab}$t/a b\\134c\\012d"
)
run daemon where daemon "$t"
expect daemon 0 "${daemon[@]}"
[[ ! -s $work/daemon.err ]] || fail "daemon: said $(cat "$work/daemon.err")"

# By number, at most two; and one thread walks to the same list.
run by_id where 1 "$t" --top 2
expect by_id 0 "${daemon[@]:0:2}"
run one_thread where -j 1 --top 0 daemon "$t"
expect one_thread 0 "${daemon[@]}"

# A group: where the files of group bin lie.
run group where --by group bin "$t"
expect group 0 \
  "150KB${tab}100.0000%${tab}153600${tab}$t" \
  "100KB${tab}66.6667%${tab}102400${tab}$t/home/d" \
  "50KB${tab}33.3333%${tab}51200${tab}$t/srv"

# An owner without an account is known by its number.
run orphan where 3999999 "$t"
expect orphan 0 "700KB${tab}100.0000%${tab}716800${tab}$t/srv"

# An account with nothing here: said, nothing listed, success.
run nothing where sys "$t"
expect nothing 0
expect_said nothing "sys has no bytes under $t"

# Nobody of that name or number: an error.
run unknown where no-such-account-here "$t"
expect unknown 1
expect_said unknown "unknown account no-such-account-here"
run unknown_group where --by group 3999998 "$t"
expect unknown_group 1
expect_said unknown_group "unknown group 3999998"

# A group record over 1 MiB (120,000 members), as a large directory
# service has: named by the report, and known to where. In a mount
# namespace of its own, /etc/group is a copy with the group added.
if getent group 3999990 >/dev/null; then
  echo "note: gid 3999990 is taken here: the large group is not checked"
elif ! unshare -m true 2>/dev/null; then
  echo "note: no mount namespace can be made: the large group is not checked"
else
  cp /etc/group "$work/group"
  { printf 'ovikhuge:x:3999990:'; seq -f 'member%06g' 1 120000 | paste -sd, -; } \
    >>"$work/group"
  mkdir "$t/huge" && truncate -s 20K "$t/huge/f" && chgrp 3999990 "$t/huge/f"
  in_namespace() {  # NAME ARGS...: as run, with the copy as /etc/group
    local name=$1; shift
    unshare -m sh -c 'mount --bind "$1" /etc/group && shift && exec "$@"' \
      sh "$work/group" "$ovik" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.status"
  }
  in_namespace huge_report report --by group "$t"
  [[ $(cat "$work/huge_report.status") == 0 ]] ||
    fail "huge_report: exit status $(cat "$work/huge_report.status")"
  grep -q '^No\.[0-9]*:ovikhuge ' "$work/huge_report.out" ||
    fail "huge_report: the group is not named: $(cat "$work/huge_report.out")"
  in_namespace huge_where where --by group ovikhuge "$t"
  expect huge_where 0 "20KB${tab}100.0000%${tab}20480${tab}$t/huge"
  rm -r "$t/huge"
fi

smoke_end "all checks passed"
