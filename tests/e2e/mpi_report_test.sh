#!/usr/bin/env bash
# Runs `ovik-mpi report` under mpirun with 1, 2 and 4 ranks on a generated
# tree (one large subtree beside many small ones, files linked across
# subtrees, owners whose totals tie, directories that cannot be read) and
# compares every output with `ovik report` on the same tree: standard
# output, the -o file, the CSV report, the exit status and ovik's own
# messages; --by group, --older-than and --save are refused. Then a rank
# is killed in the middle of a walk: the job must end with a status that is not 0, say which rank
# died, and leave the -o file as it was.
# Root runs the walks as nobody, so that the unreadable directories are
# unreadable and the owners can be many; skipped (77), saying why, where
# it cannot.
# Usage: mpi_report_test.sh /path/to/ovik /path/to/ovik-mpi
set -u

ovik=${1:?usage: $0 /path/to/ovik /path/to/ovik-mpi}
ovik_mpi=${2:?usage: $0 /path/to/ovik /path/to/ovik-mpi}
for program in "$ovik" "$ovik_mpi"; do
  [[ -x $program ]] || { echo "not executable: $program"; exit 2; }
done
command -v mpirun >/dev/null || { echo "no mpirun"; exit 2; }

work=$(mktemp -d /tmp/ovik-mpi-e2e.XXXXXX)
job=""
cleanup() {
  [[ -n $job ]] && kill -9 "$job" 2>/dev/null
  chmod -R u+rwx "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# Open MPI's own allocations are never freed; its plug-ins are loaded
# where LeakSanitizer cannot name them, so leaks go unchecked in ovik-mpi
# (ovik's own tests check them).
export ASAN_OPTIONS=detect_leaks=0
# mpirun as root, and Open MPI's shared memory in this test's directory.
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
mkdir "$work/mpi" && chmod 1777 "$work/mpi"
export OMPI_MCA_btl_vader_backing_directory=$work/mpi TMPDIR=$work/mpi HOME=$work/mpi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
note() { echo "note: $*"; }

# nobody runs copies of the programs: the build may lie where nobody
# cannot go.
as_walker=()
if [[ $(id -u) == 0 ]]; then
  command -v setpriv >/dev/null ||
    { echo "skipped: no setpriv, so root cannot run the walks as nobody"; exit 77; }
  . "$(dirname "$0")/nobody_lib.sh"
  as_walker=("${as_nobody[@]}")
  ovik=$(copy_for_nobody "$ovik" "$work/bin") &&
    ovik_mpi=$(copy_for_nobody "$ovik_mpi" "$work/bin") ||
    { echo "skipped: nobody cannot run the programs"; exit 77; }
fi

# --- The tree: python3 makes it in a moment where a shell would fork for
# every file.
tree="$work/tree"
python3 - "$tree" "${#as_walker[@]}" <<'EOF' || { echo "cannot make the tree"; exit 2; }
import os, random, sys
root, chown = sys.argv[1], sys.argv[2] != "0"
rnd = random.Random(14)
def put(path, size, uid):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.truncate(size)
    if chown:
        os.chown(path, uid, -1)
uids = [4100001 + i for i in range(7)]
# One large subtree, deep and wide.
for i in range(40):
    for j in range(6):
        for k in range(8):
            put(f"{root}/big/{i}/{j}/deep/f{k}", rnd.randrange(20000),
                rnd.choice(uids))
# Many small ones.
for i in range(300):
    put(f"{root}/small{i}/f", rnd.randrange(20000), rnd.choice(uids))
# Two owners with equal totals, first met in different subtrees.
put(f"{root}/small150/tie", 1 << 20, 4100101)
put(f"{root}/big/33/tie", 1 << 20, 4100102)
# Files linked across subtrees, one of them the only file of its owner.
put(f"{root}/big/2/0/deep/linked", 1 << 24, 4100103)
os.link(f"{root}/big/2/0/deep/linked", f"{root}/small30/again")
os.link(f"{root}/small3/f", f"{root}/big/25/3/deep/again")
os.link(f"{root}/small3/f", f"{root}/big/26/again")
EOF
chmod -R a+rX "$tree"
# Directories the walk cannot read.
chmod 000 "$tree/small5" "$tree/big/9/3" "$tree/big/30"

# run NAME PROGRAM ARGS...: stdout, stderr and status in $work/NAME.*
run() {
  local name=$1; shift
  "$@" >"$work/$name.out" 2>"$work/$name.err"
  echo $? >"$work/$name.status"
}
# ovik's own messages, without mpirun's.
own_messages() { grep -E '^ovik(-mpi)?: ' "$work/$1.err" | sed -E 's/^ovik-mpi: /ovik: /'; }

outputs="$work/out"
mkdir "$outputs"
chmod 777 "$outputs"
run alone "${as_walker[@]}" "$ovik" report "$tree"
run alone_file "${as_walker[@]}" "$ovik" report "$tree" -o "$outputs/alone.txt"
run alone_csv "${as_walker[@]}" "$ovik" report --format csv "$tree"
# A CSV report without the columns that change from run to run (the
# volume's free bytes, when the scan started and finished).
steady_csv() { cut -d, -f1-11,15- "$work/$1.out"; }
[[ $(cat "$work/alone.status") == 3 ]] ||
  fail "ovik report: status $(cat "$work/alone.status"), not 3 for unreadable directories"
[[ -s $work/alone.out && -s $work/alone_csv.out ]] || fail "ovik report wrote nothing"

for ranks in 1 2 4; do
  name=ranks$ranks
  run "$name" "${as_walker[@]}" mpirun --oversubscribe -n "$ranks" "$ovik_mpi" report "$tree"
  run "${name}_file" "${as_walker[@]}" mpirun --oversubscribe -n "$ranks" \
    "$ovik_mpi" report "$tree" -o "$outputs/$name.txt"
  cmp -s "$work/alone.out" "$work/$name.out" || {
    fail "$ranks ranks: standard output differs from ovik's"
    diff "$work/alone.out" "$work/$name.out" | head -10
  }
  cmp -s "$outputs/alone.txt" "$outputs/$name.txt" ||
    fail "$ranks ranks: the -o file differs from ovik's"
  run "${name}_csv" "${as_walker[@]}" mpirun --oversubscribe -n "$ranks" \
    "$ovik_mpi" report --format csv "$tree"
  cmp -s <(steady_csv alone_csv) <(steady_csv "${name}_csv") || {
    fail "$ranks ranks: the CSV report (files per owner) differs from ovik's"
    diff <(steady_csv alone_csv) <(steady_csv "${name}_csv") | head -6
  }
  for run_name in "$name" "${name}_file" "${name}_csv"; do
    alone_name=${run_name/ranks$ranks/alone}
    [[ $(cat "$work/$run_name.status") == $(cat "$work/$alone_name.status") ]] ||
      fail "$run_name: status $(cat "$work/$run_name.status"), ovik's $(cat "$work/$alone_name.status"): $(cat "$work/$run_name.err")"
    diff <(own_messages "$alone_name") <(own_messages "$run_name") >/dev/null ||
      fail "$run_name: messages differ: $(cat "$work/$run_name.err")"
  done
done

# Groups are not added up across ranks, the other ranks are not told
# which files to leave out, and a saved scan keeps groups: refused, never
# a ranking of owners passed off as one of groups.
for option in "--by group" "--older-than 1y" "--save"; do
  # shellcheck disable=SC2086  # the option and its word
  run refused mpirun --oversubscribe -n 2 "$ovik_mpi" report $option "$tree"
  [[ $(cat "$work/refused.status") == 2 ]] ||
    fail "$option: status $(cat "$work/refused.status"), not 2"
  grep -q "^ovik-mpi: ${option%% [0-9]*} is not counted across ranks" "$work/refused.err" ||
    fail "$option: no word of it: $(cat "$work/refused.err")"
  [[ ! -s $work/refused.out ]] || fail "$option: wrote a report"
done
# Its own help, not the dialog's.
run help mpirun -n 1 "$ovik_mpi" --help
[[ $(cat "$work/help.status") == 0 ]] && grep -q '^Usage: mpirun -n N ovik-mpi report' "$work/help.out" ||
  fail "--help: $(cat "$work/help.status") $(head -3 "$work/help.out")"

# Rank 0 checks what it writes: started alone, its standard output is
# the program's own, and a full or closed one is a failure. (Under mpirun
# it is a pipe that mpirun forwards unchecked: -o is the sure way, and a
# full -o file is a failure.)
for command in "--help" "report $tree"; do
  read -ra args <<<"$command"
  for to in full closed; do
    if [[ $to == full ]]; then
      "$ovik_mpi" "${args[@]}" >/dev/full 2>"$work/alone_out.err"
    else
      "$ovik_mpi" "${args[@]}" >&- 2>"$work/alone_out.err"
    fi
    status=$?
    [[ $status == 1 ]] && grep -q '^ovik: writing' "$work/alone_out.err" ||
      fail "ovik-mpi $command alone, standard output $to: status $status: $(cat "$work/alone_out.err")"
  done
done
run full_file mpirun --oversubscribe -n 2 "$ovik_mpi" report "$tree" -o /dev/full
[[ $(cat "$work/full_file.status") == 1 ]] && grep -q '^ovik: writing /dev/full failed' "$work/full_file.err" ||
  fail "-o /dev/full: status $(cat "$work/full_file.status"): $(cat "$work/full_file.err")"

# --- A rank killed in the middle of a walk. strace makes every listing
# of a directory slow, so the walk takes seconds; rank 1 dies in it.
if command -v strace >/dev/null &&
   strace -qq -o /dev/null -e trace=getdents64 -e inject=getdents64:delay_enter=1 true 2>/dev/null; then
  old_report=$'No.1:someone            1KB  0.0001%\r\n'
  printf '%s' "$old_report" >"$outputs/kept.txt"
  chmod 666 "$outputs/kept.txt"
  cat >"$work/slow-rank.sh" <<EOF
#!/usr/bin/env bash
echo \$\$ >"$work/rank.\$OMPI_COMM_WORLD_RANK.pid"
exec strace -qq -f -o /dev/null -e trace=getdents64 \
  -e inject=getdents64:delay_enter=20000 "$ovik_mpi" "\$@"
EOF
  chmod 755 "$work/slow-rank.sh"
  mpirun --oversubscribe -n 2 "$work/slow-rank.sh" report "$tree" \
    -o "$outputs/kept.txt" >"$work/killed.out" 2>"$work/killed.err" &
  job=$!
  victim=""
  for _ in $(seq 100); do  # until rank 1's walk runs
    if [[ -s $work/rank.1.pid ]]; then
      victim=$(pgrep -P "$(cat "$work/rank.1.pid")")
      [[ -n $victim ]] && break
    fi
    sleep 0.05
  done
  sleep 1
  if [[ -z $victim ]]; then
    fail "killed rank: rank 1 never started"
  else
    kill -9 "$victim"
  fi
  wait "$job"
  status=$?
  job=""
  [[ $status != 0 ]] || fail "killed rank: exit status 0"
  grep -qE 'rank 1 .*(signal 9|Killed)' "$work/killed.err" ||
    fail "killed rank: no word of the rank that died: $(cat "$work/killed.err")"
  [[ ! -s $work/killed.out ]] || fail "killed rank: wrote to standard output"
  cmp -s <(printf '%s' "$old_report") "$outputs/kept.txt" ||
    fail "killed rank: the -o file changed"
  leftovers=$(find "$outputs" -name '.kept.txt*')
  [[ -z $leftovers ]] || fail "killed rank: left $leftovers"
else
  note "no strace that can delay a system call: a rank killed mid-walk is not checked"
fi

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
