#!/usr/bin/env bash
# `ovik report --method tables` against `--method walk` on an ext4 volume
# the test makes (several owners and groups, hard links, a symbolic link,
# a FIFO, sparse files) and mounts in a mount namespace of its own: the
# same report in every format, on 1 and 8 threads, but for how it says it
# counted; `ovik drives` says the volume is read by its tables; tables
# asked for below the volume's root are refused (2) before any scan.
# Needs root, a loop device and mke2fs; skipped (77) without.
# Usage: tables_cli_test.sh /path/to/ovik
set -u

ovik=$(realpath "${1:?usage: $0 /path/to/ovik}")
here=$(cd "$(dirname "$0")" && pwd)

if [[ ${2:-} != --inside ]]; then
  [[ $(id -u) == 0 ]] || { echo "SKIP: needs root to mount an image"; exit 77; }
  command -v mke2fs >/dev/null || { echo "SKIP: no mke2fs (e2fsprogs)"; exit 77; }
  [[ -e /dev/loop-control ]] || { echo "SKIP: no loop devices here"; exit 77; }
  exec unshare -m --propagation private "$0" "$ovik" --inside
fi

. "$here/smoke_lib.sh"
smoke_begin tables-e2e
image=$work/ext4.img
tree=$work/tree
mnt=$work/mnt
smoke_cleanup_hook() { umount "$mnt" 2>/dev/null || true; }

# The volume's files, owned by numbers no account has (so names are the
# numbers everywhere), each owner's total its own: owners whose totals
# tie are ranked in the order each way met them, which differs.
mkdir -p "$tree/a/b" "$tree/c" "$mnt"
python3 - "$tree" <<'EOF' || { echo "cannot make the tree"; exit 2; }
import os, sys
root = sys.argv[1]
def put(path, size, uid, gid):
    with open(os.path.join(root, path), "wb") as f:
        f.truncate(size)
    os.chown(os.path.join(root, path), uid, gid)
put("a/one", 1000, 3900001, 3900101)
put("a/b/two", 5 << 20, 3900002, 3900102)
put("c/three", 123457, 3900003, 3900101)
put("c/sparse", 1 << 30, 3900004, 3900102)
os.link(os.path.join(root, "a/one"), os.path.join(root, "c/one-again"))
os.symlink("a/one", os.path.join(root, "link"))
os.lchown(os.path.join(root, "link"), 3900005, 3900101)
os.mkfifo(os.path.join(root, "c/fifo"))
os.chown(os.path.join(root, "c/fifo"), 3900001, 3900102)
EOF
truncate -s 64M "$image"
mke2fs -q -t ext4 -d "$tree" "$image" 2>"$work/mke2fs.err" ||
  { echo "mke2fs failed: $(cat "$work/mke2fs.err")"; exit 2; }
mount -o loop "$image" "$mnt" 2>"$work/mount.err" ||
  { echo "SKIP: the image cannot be loop-mounted here: $(cat "$work/mount.err")"; exit 77; }

# The two ways side by side; only the facts that say how, and when,
# differ.
mask() {
  sed -E -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z/T/g' \
         -e 's/"method": "[^"]*"/"method": M/' "$1"
}
for format in text csv json html; do
  for jobs in 1 8; do
    for method in walk tables; do
      "$ovik" report "$mnt" --method $method --format $format -j $jobs \
        >"$work/$method.$format.$jobs" 2>"$work/$method.err"
      status=$?
      [[ $status == 0 && ! -s $work/$method.err ]] ||
        fail "$method $format -j $jobs: status $status: $(cat "$work/$method.err")"
    done
    cmp -s <(mask "$work/walk.$format.$jobs") <(mask "$work/tables.$format.$jobs") ||
      fail "$format -j $jobs: the tables' report is not the walk's: $(diff <(mask "$work/walk.$format.$jobs") <(mask "$work/tables.$format.$jobs") | head -5)"
  done
done
grep -q '"method": "ext4 inode tables"' "$work/tables.json.8" ||
  fail "json does not say the tables counted"
grep -q '"method": "walk"' "$work/walk.json.8" || fail "json does not say the walk counted"
[[ $(grep -c . "$work/tables.text.1") == 6 ]] ||
  fail "expected the administrators and five owners: $(cat "$work/tables.text.1")"

# auto reads the tables of a volume's root.
"$ovik" report "$mnt" --format json >"$work/auto.json" 2>/dev/null
grep -q '"method": "ext4 inode tables"' "$work/auto.json" || fail "auto did not read the tables"
"$ovik" drives >"$work/drives" 2>&1
grep -qP "^\Q$mnt\E\t.*\ttables\$" "$work/drives" || fail "drives: $(grep -F "$mnt" "$work/drives")"

# Saved from the tables: owners without directories, which `growth
# OWNER` says (status 3); saved from the walk, with them.
h=$work/history.sqlite
for method in auto auto walk; do
  "$ovik" report "$mnt" --save --history "$h" --method $method \
    >/dev/null 2>"$work/save.err" || fail "--save ($method): $(cat "$work/save.err")"
  [[ $method == walk ]] || python3 - "$mnt/c/added" <<'PY'
import os, sys
with open(sys.argv[1], "ab") as f:
    f.truncate(f.tell() + 4096)
os.chown(sys.argv[1], 3900003, 3900101)
PY
done
"$ovik" growth 3900003 "$mnt" --history "$h" --since 2000-01-01 >/dev/null 2>"$work/grew.err"
status=$?
[[ $status == 1 ]] || fail "growth with one scan before --since: status $status"
"$ovik" growth 3900003 "$mnt" --history "$h" >"$work/grew" 2>"$work/grew.err"
status=$?
[[ $status == 3 ]] && grep -q "holds no directories" "$work/grew.err" ||
  fail "growth OWNER on a table's scan: status $status: $(cat "$work/grew.err")"
grep -q "^Total"$'\t'"+4KB"$'\t'"+4096"$'\t' "$work/grew" || fail "growth OWNER: $(cat "$work/grew")"

# Below the root: refused, with the reason, before anything is scanned.
"$ovik" report "$mnt/a" --method tables >"$work/below" 2>"$work/below.err"
status=$?
[[ $status == 2 && ! -s $work/below ]] || fail "tables below the root: status $status"
grep -q "is not the root of a mounted file system" "$work/below.err" ||
  fail "tables below the root: $(cat "$work/below.err")"
"$ovik" where 3900001 "$mnt" --method tables >/dev/null 2>"$work/where.err"
[[ $? == 2 ]] || fail "where --method tables: not refused: $(cat "$work/where.err")"

smoke_end "the tables give the walk's report in every format"
