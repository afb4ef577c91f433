#!/usr/bin/env bash
# The saved scans end to end, as cron would run them: `ovik report PATH
# --save -o FILE` twice with files added between, then `ovik growth`
# names the owner who added them with the right bytes, and `ovik growth
# OWNER` the directory they went to. On a tree whose files have chosen
# modification and access times: the bytes by age add up to each
# owner's total in csv, json and html; --older-than ranks only the old
# files, and `where --older-than` says where they are. A history that is
# not a database, one that is damaged and one on a full disk: status 1,
# a message naming the file, the report still written, the file as it
# was. Needs root (chown, tmpfs); skipped (77) without.
# Usage: history_cli_test.sh /path/to/ovik
set -u

ovik=$(realpath "${1:?usage: $0 /path/to/ovik}")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/smoke_lib.sh"
smoke_begin history-e2e
mounts=()
smoke_cleanup_hook() {
  local m
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || true; done
}
if [[ $(id -u) != 0 ]]; then
  echo "SKIP: not root: files of other owners cannot be made"
  exit 77
fi
if [[ $(getent passwd 1 | cut -d: -f1) != daemon ||
      $(getent passwd 2 | cut -d: -f1) != bin ]]; then
  echo "SKIP: accounts 1 and 2 are not daemon and bin here"
  exit 77
fi
# mount_tmpfs DIR SIZE
mount_tmpfs() {
  mkdir -p "$1"
  mount -t tmpfs -o "size=$2,mode=755" ovik-history "$1" 2>/dev/null ||
    { echo "SKIP: no tmpfs can be mounted"; exit 77; }
  mounts+=("$1")
}
srv=$work/srv
mount_tmpfs "$srv" 100m
h=$work/state/history.sqlite

# put FILE SIZE OWNER [MTIME [ATIME]]
put() {
  mkdir -p "$(dirname "$srv/$1")"
  truncate -s "$2" "$srv/$1" && chown "$3:$3" "$srv/$1"
  [[ -z ${4:-} ]] || touch -m -d "$4" "$srv/$1"
  [[ -z ${5:-} ]] || touch -a -d "$5" "$srv/$1"
}
put home/d/data/old 3M 1 "2 years ago" "1 day ago"
put home/d/data/mid 1M 1 "100 days ago" "100 days ago"
put srv/x 50K 2

# run NAME ARGS...: ovik ARGS with its output in $work/NAME, its errors
# in $work/NAME.err and its status in $status.
run() {
  local name=$1; shift
  "$ovik" "$@" >"$work/$name" 2>"$work/$name.err"
  status=$?
}
# expect STATUS NAME: the status, and nothing said when it is 0.
expect() {
  if [[ $status != "$1" ]] || { [[ $1 == 0 ]] && [[ -s $work/$2.err ]]; }; then
    fail "$2: status $status, not $1: $(cat "$work/$2.err")"
  fi
}

# --- The cron line twice, 2 MiB of daemon's added between.
run cron1 report "$srv" --save -o "$work/srv1.txt" --history "$h"
expect 0 cron1
put home/d/new/f 2M 1
run cron2 report "$srv" --save -o "$work/srv2.txt" --history "$h"
expect 0 cron2
[[ -s $work/srv2.txt && ! -s $work/cron2 ]] || fail "the report is not in the -o file"
grep -q '^No\.1:daemon  *6MB ' "$work/srv2.txt" || fail "report: $(cat "$work/srv2.txt")"

run growth growth "$srv" --history "$h"
expect 0 growth
tab=$'\t'
grep -qx "+2MB${tab}+2097152${tab}+1${tab}6MB${tab}uid 1${tab}daemon${tab}" "$work/growth" ||
  fail "growth does not name daemon with +2097152 bytes: $(cat "$work/growth")"
[[ $(grep -c "^+" "$work/growth") == 1 ]] || fail "growth lists others: $(cat "$work/growth")"
run where_grew growth daemon "$srv" --history "$h"
expect 0 where_grew
# The place the bytes went first, then the directories above it.
sed -n 8p "$work/where_grew" | grep -qx "+2MB${tab}+2097152${tab}2MB${tab}$srv/home/d/new${tab}newly saved" ||
  fail "growth daemon does not name $srv/home/d/new first: $(cat "$work/where_grew")"
grep -q "${tab}$srv/home/d/data${tab}" "$work/where_grew" &&
  fail "growth daemon lists the directory that did not change: $(cat "$work/where_grew")"
run listing history "$srv" --history "$h" --format csv
expect 0 listing
[[ $(tail -n +2 "$work/listing" | wc -l) == 2 ]] || fail "history does not list two scans: $(cat "$work/listing")"

# --- Bytes by age, in every export: daemon's by modification are 2 MiB
# under 30 days, 1 MiB under a year, 3 MiB older; by access 5 MiB and 1.
run ages.csv report "$srv" --format csv
expect 0 ages.csv
awk -F, 'NR > 1 && $4 != $(NF-2) + $(NF-1) + $NF { bad = bad " " $2 } END { if (bad) { print bad; exit 1 } }' \
  "$work/ages.csv" || fail "csv: the ages do not add up for:$(awk -F, 'NR>1 && $4 != $(NF-2)+$(NF-1)+$NF {print $2}' "$work/ages.csv")"
grep -q "^1,daemon,1,6291456,.*,2097152,1048576,3145728"$'\r'"\$" "$work/ages.csv" ||
  fail "csv: daemon's ages are not 2, 1 and 3 MiB: $(cat "$work/ages.csv")"
for basis in modified access; do
  run ages.$basis.json report "$srv" --format json --age-by $basis
  expect 0 ages.$basis.json
  python3 - "$work/ages.$basis.json" "$basis" <<'PY' || fail "json by $basis: the ages are wrong"
import json, sys
report = json.load(open(sys.argv[1]))
want = {"modified": [2097152, 1048576, 3145728], "access": [5242880, 1048576, 0]}
ok = report["age_by"] == sys.argv[2]
for owner in report["owners"]:
    age = owner["age"]
    got = [age["under_30_days"], age["under_1_year"], age["1_year_or_more"]]
    if sum(got) != owner["bytes"]:
        print("does not add up:", owner); ok = False
    if owner["name"] == "daemon" and got != want[sys.argv[2]]:
        print("daemon:", got); ok = False
sys.exit(0 if ok else 1)
PY
done
run ages.html report "$srv" --format html
expect 0 ages.html
grep -o '<tr><td class="n">.*</tr>' "$work/ages.html" | sed -E 's/<[^>]*>/ /g; s/,//g' |
  awk '{ if ($(NF-3) != $(NF-2) + $(NF-1) + $NF) bad = 1 } END { exit bad }' ||
  fail "html: the ages do not add up"
grep -q '<td class="n">6,291,456</td><td class="n">2,097,152</td><td class="n">1,048,576</td><td class="n">3,145,728</td>' \
  "$work/ages.html" || fail "html: daemon's ages are not in the table"

# --- Only the old files: ranked, and where they are.
run old.txt report "$srv" --older-than 1y
expect 0 old.txt
head -1 "$work/old.txt" | grep -q '^No\.1:daemon  *3MB ' || fail "--older-than 1y: $(cat "$work/old.txt")"
grep -q '^No\.[0-9]*:bin ' "$work/old.txt" && fail "--older-than 1y ranks bin's new file"
run old.where where daemon "$srv" --older-than 1y
expect 0 old.where
[[ $(cat "$work/old.where") == "3MB${tab}100.0000%${tab}3145728${tab}$srv/home/d/data" ]] ||
  fail "where --older-than: $(cat "$work/old.where")"

# --- Histories that cannot take the scan: status 1, the file named, the
# report written, the history as it was.
# refused NAME HISTORY: the checks on one of them.
refused() {
  local name=$1 file=$2
  cp -p "$file" "$work/$name.before"
  rm -f "$work/$name.txt"
  run "$name" report "$srv" --save --history "$file" -o "$work/$name.txt"
  [[ $status == 1 ]] || fail "$name: status $status, not 1"
  grep -qF "$file" "$work/$name.err" || fail "$name: the message does not name the file: $(cat "$work/$name.err")"
  cmp -s "$work/$name.txt" "$work/srv2.txt" || fail "$name: the report was not written"
  cmp -s "$file" "$work/$name.before" || fail "$name: the history was changed"
}
printf 'these are my notes, not a history\n' >"$work/notes.sqlite"
refused not-a-database "$work/notes.sqlite"
cp "$h" "$work/damaged.sqlite"
size=$(stat -c %s "$work/damaged.sqlite")
# Every page after the first overwritten with a pattern.
head -c $((size - 4096)) /dev/zero | tr '\0' '\125' |
  dd of="$work/damaged.sqlite" bs=4096 seek=1 conv=notrunc status=none
refused damaged "$work/damaged.sqlite"
full=$work/full
mount_tmpfs "$full" 256k
cp "$h" "$full/history.sqlite"
dd if=/dev/zero of="$full/filler" bs=4k status=none 2>/dev/null
refused full-disk "$full/history.sqlite"

smoke_end "all checks passed"
