#!/usr/bin/env bash
# Runs the built `ovik report` end to end in each of its formats (csv,
# json, html) and ranking by group, on a tree of several owners and
# groups on a volume of known size: every record exactly (rank, name,
# id, bytes, files, KB, share, and the scan's facts), the times checked
# for their form and order. Needs root (to chown and mount a tmpfs);
# skipped (77) without.
# Usage: report_formats_test.sh /path/to/ovik
set -u

ovik=$(realpath "${1:?usage: $0 /path/to/ovik}")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/smoke_lib.sh"
. "$here/owners_tree_lib.sh"
smoke_begin formats-e2e
owners_tree_make || exit 77
t=$owners_tree
cd "$work" || exit 2

# report NAME ARGS...: `ovik report owners ARGS` (a relative root, as the
# facts then show it) into $work/NAME; exit status 0 and nothing said.
report() {
  local name=$1; shift
  "$ovik" report owners "$@" >"$work/$name" 2>"$work/$name.err"
  local status=$?
  [[ $status == 0 && ! -s $work/$name.err ]] ||
    fail "$name: exit status $status: $(cat "$work/$name.err")"
}
# same NAME EXPECTED: the file as expected, or the difference shown.
same() {
  if [[ $(cat "$work/$1") != "$2" ]]; then
    fail "$1 differs"
    diff <(printf '%s\n' "$2") "$work/$1" | head -20
  fi
}
utc='[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z'

# --- csv: the facts on every record; the times blanked once checked.
report owners.csv --format csv
facts="owner,owners,$t,104857600,104857600"
expected=$(printf '%s\r\n' \
  "rank,name,id,bytes,files,kb,share_percent,ranked_by,root,volume,volume_total_bytes,volume_free_bytes,started,finished,skipped_directories,unreadable_entries,complete,bytes_modified_under_30_days,bytes_modified_under_1_year,bytes_modified_1_year_or_more" \
  "1,daemon,1,3964928,4,3872,3.7813,$facts,T,T,0,0,true,3964928,0,0" \
  "2,3999999,3999999,716800,1,700,0.6836,$facts,T,T,0,0,true,716800,0,0" \
  "3,bin,2,51200,1,50,0.0488,$facts,T,T,0,0,true,51200,0,0" \
  "4,root,0,10240,1,10,0.0098,$facts,T,T,0,0,true,10240,0,0")
cut -d, -f13,14 "$work/owners.csv" | tail -n +2 | tr -d '\r' >"$work/owners.times"
grep -vqE "^$utc,$utc\$" "$work/owners.times" && fail "csv: not UTC times: $(cat "$work/owners.times")"
while IFS=, read -r started finished; do
  [[ ! $started > $finished ]] || fail "csv: started $started after finished $finished"
done <"$work/owners.times"
sed -E "s/,$utc,$utc,/,T,T,/" "$work/owners.csv" >"$work/owners.csv.masked"
same owners.csv.masked "$expected"

# --- json: the same records and facts.
report owners.json --format json
grep -qE "^  \"started\": \"$utc\",\$" "$work/owners.json" &&
  grep -qE "^  \"finished\": \"$utc\",\$" "$work/owners.json" ||
  fail "json: the times are not UTC times"
record() {  # rank name id bytes files kb share (every byte new)
  printf '    {\n      "rank": %s,\n      "name": "%s",\n      "id": "%s",\n      "bytes": %s,\n      "files": %s,\n      "kb": %s,\n      "share": "%s%%",\n      "share_percent": %s,\n      "age": {\n        "under_30_days": %s,\n        "under_1_year": 0,\n        "1_year_or_more": 0\n      }\n    }' \
    "$1" "$2" "$3" "$4" "$5" "$6" "$7" "$7" "$4"
}
expected="{
  \"ranked_by\": \"owner\",
  \"root\": \"owners\",
  \"volume\": \"$t\",
  \"volume_total_bytes\": 104857600,
  \"volume_free_bytes\": 104857600,
  \"started\": \"T\",
  \"finished\": \"T\",
  \"method\": \"walk\",
  \"skipped_directories\": 0,
  \"unreadable_entries\": 0,
  \"complete\": true,
  \"age_by\": \"modified\",
  \"older_than_seconds\": null,
  \"owners\": [
$(record 1 daemon 1 3964928 4 3872 3.7813),
$(record 2 3999999 3999999 716800 1 700 0.6836),
$(record 3 bin 2 51200 1 50 0.0488),
$(record 4 root 0 10240 1 10 0.0098)
  ]
}"
sed -E "s/^(  \"(started|finished)\": )\"$utc\"/\\1\"T\"/" "$work/owners.json" >"$work/owners.json.masked"
same owners.json.masked "$expected"

# --- html: the table's rows as the page holds them.
report owners.html --format html
grep -q '^<!DOCTYPE html>' "$work/owners.html" || fail "html: no page"
grep -o '<tr><td class="n">.*</tr>' "$work/owners.html" >"$work/owners.rows"
row() {  # rank name id size share files bytes (every byte new)
  printf '<tr><td class="n">%s</td><td>%s</td><td class="n">%s</td><td class="n">%s</td><td class="n">%s</td><td class="n">%s</td><td class="n">%s</td><td class="n">%s</td><td class="n">0</td><td class="n">0</td></tr>' "$@" "$7"
}
same owners.rows "$(row 1 daemon 1 3MB 3.7813% 4 3,964,928)
$(row 2 3999999 3999999 700KB 0.6836% 1 716,800)
$(row 3 bin 2 50KB 0.0488% 1 51,200)
$(row 4 root 0 10KB 0.0098% 1 10,240)"
grep -qF "<td>$t</td>" "$work/owners.html" || fail "html: the volume is not shown"

# --- By group: the report's own format, and the csv's names and ids.
report groups.txt --by group
same groups.txt "$(printf '%s\r\n' \
  "No.1:daemon                  3MB  3.4883%" \
  "No.2:3999999               900KB  0.8789%" \
  "No.3:bin                   150KB  0.1465%" \
  "No.4:root                   10KB  0.0098%")"
report groups.csv --by group --format csv -o "$work/groups.csv.file"
[[ ! -s $work/groups.csv ]] || fail "groups.csv: -o wrote to standard output"
cut -d, -f1-8 "$work/groups.csv.file" >"$work/groups.cut"
same groups.cut "$(printf '%s\n' \
  "rank,name,id,bytes,files,kb,share_percent,ranked_by" \
  "1,daemon,1,3657728,2,3572,3.4883,group" \
  "2,3999999,3999999,921600,2,900,0.8789,group" \
  "3,bin,2,153600,2,150,0.1465,group" \
  "4,root,0,10240,1,10,0.0098,group")"

smoke_end "all checks passed"
