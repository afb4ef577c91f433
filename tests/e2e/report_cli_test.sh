#!/usr/bin/env bash
# Runs the built `ovik report` end to end: the report's bytes for a
# generated tree on a volume of known size, and every way of failing to
# write it (missing directory, a directory as the target, /dev/full, a
# write cut short by the file size limit, a read-only directory as an
# unprivileged user, a link of someone else's in a shared directory): the
# right message, exit status 1, and an existing report left exactly as it
# was. Then every command's standard output full or closed (exit 1), and
# targets that wait for a reader, which must not keep a request to end
# the program from ending it.
# Usage: report_cli_test.sh /path/to/ovik
set -u

ovik=${1:?usage: $0 /path/to/ovik}
[[ -x $ovik ]] || { echo "not executable: $ovik"; exit 2; }

work=$(mktemp -d /tmp/ovik-report-e2e.XXXXXX) || exit 2
mounted=""
failures=0
cleanup() {
  [[ -n $mounted ]] && umount "$mounted" 2>/dev/null
  chmod -R u+rwx "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# The sanitizers' own reports would hide ovik's messages.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
note() { echo "note: $*"; }

# run NAME ARGS...: ovik ARGS with stdout, stderr and status in $work/NAME.*
run() {
  local name=$1; shift
  "$ovik" "$@" >"$work/$name.out" 2>"$work/$name.err"
  echo $? >"$work/$name.status"
}
status_of() { cat "$work/$1.status"; }

# expect_failure NAME MESSAGE: exit status 1, MESSAGE on stderr, nothing
# on stdout.
expect_failure() {
  local name=$1 message=$2
  [[ $(status_of "$name") == 1 ]] || fail "$name: exit status $(status_of "$name"), not 1"
  grep -qF -- "$message" "$work/$name.err" ||
    fail "$name: stderr lacks '$message': $(cat "$work/$name.err")"
  [[ ! -s $work/$name.out ]] || fail "$name: wrote to stdout"
}

# --- A small tree to report on.
tree="$work/tree"
mkdir -p "$tree/a/b"
truncate -s 5K "$tree/a/f1"
truncate -s 9K "$tree/a/b/f2"
chmod -R a+rX "$tree"

# --- The report's bytes, on a tmpfs of 100 MiB: 25 x 1024 blocks of
# 4 KiB, so 102,400 KB, whatever this machine's disks are.
if [[ $(id -u) == 0 ]] && [[ $(getent passwd 1 | cut -d: -f1) == daemon ]] &&
   [[ $(getent passwd 2 | cut -d: -f1) == bin ]] &&
   ! getent passwd 3999999 >/dev/null &&
   mkdir "$work/vol" && mount -t tmpfs -o size=100m,mode=755 ovik-e2e "$work/vol" 2>/dev/null; then
  mounted="$work/vol"
  vol="$work/vol"
  mkdir -p "$vol/home/d" "$vol/.cache" "$vol/srv"
  truncate -s 3M "$vol/home/d/big"          && chown 1 "$vol/home/d/big"
  truncate -s 1000K "$vol/srv/data"         && chown 2 "$vol/srv/data"
  truncate -s 500K "$vol/.cache/blob"       && chown 2 "$vol/.cache/blob"
  truncate -s 700K "$vol/srv/orphan"        && chown 3999999 "$vol/srv/orphan"
  truncate -s 10K "$vol/top"
  ln "$vol/home/d/big" "$vol/srv/big-again"  # counted once
  ln -s ../home "$vol/srv/home-link"         # 7 bytes, root's, not followed
  printf -v expected '%s\r\n' \
    "No.1:daemon                  3MB  3.0000%" \
    "No.2:bin                     1MB  1.4648%" \
    "No.3:3999999               700KB  0.6836%" \
    "No.4:root                   10KB  0.0098%"
  run bytes report "$vol" -o "$work/bytes.txt"
  [[ $(status_of bytes) == 0 ]] || fail "report of the tmpfs tree: status $(status_of bytes): $(cat "$work/bytes.txt.err" 2>/dev/null; cat "$work/bytes.err")"
  if ! cmp -s <(printf '%s' "$expected") "$work/bytes.txt"; then
    fail "report bytes differ"
    diff <(printf '%s' "$expected" | od -c) <(od -c "$work/bytes.txt") | head -20
  fi
  # The same bytes on standard output, with one thread or several.
  run bytes_stdout report -j 3 "$vol"
  cmp -s <(printf '%s' "$expected") "$work/bytes_stdout.out" ||
    fail "report on standard output differs from the file"
else
  note "not root, no standard accounts 1 and 2, or no tmpfs: report bytes not checked"
fi

# --- A volume of fewer than 1024 blocks (a tmpfs of 64 KiB: 16 pages)
# has its real size, and shares against it.
if [[ $(id -u) == 0 ]] && mkdir "$work/small" &&
   mount -t tmpfs -o size=64k,mode=755 ovik-e2e-small "$work/small" 2>/dev/null; then
  truncate -s 10K "$work/small/file"
  printf -v expected 'No.1:root%19s10KB  15.6250%%\r\n' ""
  run small report "$work/small"
  umount "$work/small"
  [[ $(status_of small) == 0 ]] || fail "small volume: status $(status_of small)"
  cmp -s <(printf '%s' "$expected") "$work/small.out" ||
    fail "small volume: the report is '$(cat "$work/small.out")'"
  [[ ! -s $work/small.err ]] || fail "small volume: $(cat "$work/small.err")"
else
  note "not root or no tmpfs: the small volume's size is not checked"
fi

# --- A report file that must survive every failure below.
old_report=$'No.1:someone            1KB  0.0001%\r\n'
keep="$work/keep"
mkdir "$keep"
printf '%s' "$old_report" >"$keep/report.txt"
check_kept() {  # WHAT: the old report is there, byte for byte, alone
  cmp -s <(printf '%s' "$old_report") "$keep/report.txt" ||
    fail "$1: the existing report changed"
  [[ $(ls -A "$keep") == report.txt ]] ||
    fail "$1: left files behind: $(ls -A "$keep" | tr '\n' ' ')"
}

# Target in a directory that does not exist.
run missing report "$tree" -o "$work/no/such/dir/report.txt"
expect_failure missing "cannot create $work/no/such/dir/report.txt"
[[ ! -e $work/no ]] || fail "missing: created a directory"

# A directory as the target: refused, left as it was.
mkdir "$work/target-dir"
run directory report "$tree" -o "$work/target-dir"
expect_failure directory "cannot create $work/target-dir"
[[ -d $work/target-dir && -z $(ls -A "$work/target-dir") ]] ||
  fail "directory: the directory changed"

# /dev/full: the write fails and the device is still the same device.
if [[ -c /dev/full ]]; then
  before=$(stat -c '%F %t:%T %a %u' /dev/full)
  run full report "$tree" -o /dev/full
  expect_failure full "writing /dev/full failed"
  after=$(stat -c '%F %t:%T %a %u' /dev/full)
  [[ $after == "$before" ]] || fail "/dev/full changed: '$before' -> '$after'"
else
  note "no /dev/full here"
fi

# A write cut short by the file size limit (1 KiB; the report of many
# owners is larger): the existing report is kept, no temporary is left.
big="$work/big"
mkdir "$big"
if [[ $(id -u) == 0 ]]; then
  for uid in $(seq 4000000 4000060); do
    : >"$big/f$uid" && chown "$uid" "$big/f$uid"
  done
else
  note "not root: the tree has one owner, so the limit is set below one line"
fi
if [[ $(id -u) == 0 ]]; then limit=1; else limit=0; fi
# Only ovik runs under the limit; its messages go through a pipe, which
# the limit does not touch.
: >"$work/cut.out"
(ulimit -f "$limit"; exec "$ovik" report "$big" -o "$keep/report.txt" 2>&1 >/dev/null) |
  cat >"$work/cut.err"
echo "${PIPESTATUS[0]}" >"$work/cut.status"
expect_failure cut "writing $keep/report.txt failed"
check_kept "file size limit"

# A request to end the program while the report is written (a polite
# kill, a closed terminal): the temporary goes, and the target is the old
# report or the whole new one. strace holds the flush for two seconds so
# that the signal lands in the middle of the write.
if command -v strace >/dev/null &&
   strace -qq -o /dev/null -e trace=fsync -e inject=fsync:delay_enter=1 true 2>/dev/null; then
  for sig in TERM HUP; do
    printf '%s' "$old_report" >"$keep/report.txt"
    # (LeakSanitizer cannot run under a tracer.)
    ASAN_OPTIONS=detect_leaks=0 strace -qq -f -o /dev/null -e trace=fsync \
      -e inject=fsync:delay_enter=2000000 \
      "$ovik" report "$big" -o "$keep/report.txt" >/dev/null 2>&1 &
    tracer=$!
    for _ in $(seq 200); do  # until the temporary holds the report
      [[ -n $(find "$keep" -name '.report.txt.tmp*' -size +0 2>/dev/null) ]] && break
      sleep 0.05
    done
    kill -"$sig" "$(pgrep -P "$tracer")"
    wait "$tracer"
    status=$?
    [[ $status != 0 ]] || fail "SIG$sig during the write: exit status 0"
    [[ $(ls -A "$keep") == report.txt ]] ||
      fail "SIG$sig during the write: left files behind: $(ls -A "$keep" | tr '\n' ' ')"
    [[ $(tail -c 2 "$keep/report.txt" | od -An -c | tr -d ' ') == '\r\n' ]] ||
      fail "SIG$sig during the write: the report is cut short"
  done
else
  note "no strace that can delay a system call: signals during a write not checked"
fi

# A read-only directory, as an unprivileged user: cannot create.
nobody_ovik=""
if [[ $(id -u) == 0 ]] && command -v setpriv >/dev/null; then
  . "$(dirname "$0")/nobody_lib.sh"
  nobody_ovik=$(copy_for_nobody "$ovik" "$work/bin") ||
    note "the read-only directory is not checked"
else
  note "not root or no setpriv: the read-only directory is not checked"
fi
if [[ -n $nobody_ovik ]]; then
  ro="$work/ro"
  mkdir "$ro"
  printf '%s' "$old_report" >"$ro/report.txt"
  chmod 666 "$ro/report.txt"
  chmod 555 "$ro"
  "${as_nobody[@]}" "$nobody_ovik" report "$tree" -o "$ro/report.txt" >"$work/ro.out" 2>"$work/ro.err"
  echo $? >"$work/ro.status"
  expect_failure ro "cannot create $ro/report.txt"
  cmp -s <(printf '%s' "$old_report") "$ro/report.txt" ||
    fail "read-only directory: the existing report changed"
  [[ $(ls -A "$ro") == report.txt ]] || fail "read-only directory: files left behind"
  # A new report there cannot be made either.
  "${as_nobody[@]}" "$nobody_ovik" report "$tree" -o "$ro/new.txt" >"$work/ro_new.out" 2>"$work/ro_new.err"
  echo $? >"$work/ro_new.status"
  expect_failure ro_new "cannot create $ro/new.txt"
fi

# A tree with a directory nobody may read: the report is written, with
# status 3, and its last line says what it missed.
if [[ -n $nobody_ovik ]]; then
  short="$work/short"
  mkdir -p "$short/open" "$short/closed"
  truncate -s 4K "$short/open/f"
  chmod 755 "$short" "$short/open" && chmod 000 "$short/closed"
  "${as_nobody[@]}" "$nobody_ovik" report "$short" >"$work/short.out" 2>/dev/null
  status=$?
  [[ $status == 3 ]] || fail "a short ranking: status $status, not 3"
  [[ $(tail -n 1 "$work/short.out") == $'Incomplete: 1 directories could not be read\r' ]] ||
    fail "a short ranking's report does not say so: $(tail -n 1 "$work/short.out" | cat -A)"
fi

# A link of someone else's in a sticky directory that anyone may write
# to is not followed, and the message names it.
if [[ $(id -u) == 0 ]]; then
  mkdir -m 1777 "$work/shared"
  printf '%s' "$old_report" >"$keep/report.txt"
  ln -s "$keep/report.txt" "$work/shared/r.txt"
  chown -h 65534 "$work/shared/r.txt"
  run shared_link report "$tree" -o "$work/shared/r.txt"
  expect_failure shared_link "will not follow the symbolic link $work/shared/r.txt"
  check_kept "a link of nobody's in a shared directory"
else
  note "not root: links of other accounts are not checked"
fi

# And after all that, a good write still replaces the old report.
run good report "$tree" -o "$keep/report.txt"
[[ $(status_of good) == 0 ]] || fail "good: exit status $(status_of good): $(cat "$work/good.err")"
[[ $(tail -c 2 "$keep/report.txt" | od -An -c | tr -d ' ') == '\r\n' ]] ||
  fail "good: the new report does not end in CR LF"
[[ $(ls -A "$keep") == report.txt ]] || fail "good: files left behind"

# --- Every command's standard output checked: full, or closed.
for command in "drives" "--help" "help report" "--version" "report $tree" \
               "report $tree -o /dev/stdout" "where $(id -u) $tree"; do
  read -ra args <<<"$command"
  for to in full closed; do
    if [[ $to == full ]]; then
      "$ovik" "${args[@]}" >/dev/full 2>"$work/out.err"
    else
      "$ovik" "${args[@]}" >&- 2>"$work/out.err"
    fi
    status=$?
    [[ $status == 1 ]] && grep -qE '^ovik: (writing|cannot create)' "$work/out.err" ||
      fail "ovik $command, standard output $to: status $status: $(cat "$work/out.err")"
  done
done

# --- Targets that wait for their reader: a FIFO nobody opens, and
# standard output through a pipe that is full and never read. A polite
# kill after one second must end ovik at once.
ms_now() { date +%s%3N; }
mkfifo "$work/fifo"
started=$(ms_now)
timeout -k 5 -s TERM 1 "$ovik" report "$tree" -o "$work/fifo" 2>"$work/fifo.err"
status=$? took=$(($(ms_now) - started))
[[ $status == 124 && $took -lt 3000 ]] ||
  fail "a FIFO nobody reads: status $status after $took ms, not 124 within 3 s"
[[ -p $work/fifo && -z $(ls -A "$work" | grep '^\.fifo') ]] ||
  fail "a FIFO nobody reads: it changed, or files were left: $(ls -A "$work")"
{
  python3 -c '
import fcntl, os
flags = fcntl.fcntl(1, fcntl.F_GETFL)
fcntl.fcntl(1, fcntl.F_SETFL, flags | os.O_NONBLOCK)
try:
    while True: os.write(1, b"x" * 4096)  # until the pipe is full
except BlockingIOError: pass
fcntl.fcntl(1, fcntl.F_SETFL, flags)'
  started=$(ms_now)
  timeout -k 5 -s TERM 1 "$ovik" report "$tree" -o /dev/stdout 2>/dev/null
  echo "$? $(($(ms_now) - started))" >"$work/stalled"
} | sleep 5
read -r status took <"$work/stalled"
[[ $status == 124 && $took -lt 3000 ]] ||
  fail "a reader that stalls: status $status after $took ms, not 124 within 3 s"

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
