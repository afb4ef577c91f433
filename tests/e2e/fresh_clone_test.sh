#!/usr/bin/env bash
# The README's commands in a fresh clone of this repository, as a new
# user on a fresh server runs them: the clone in a folder only its owner
# may enter (as /root is, mode 0700), no locale variables set. First the
# run command exactly as written: scripts/run.sh --version, and
# scripts/run.sh report on a small tree, checking the report's bytes; the
# program is where the README says, and the run command built nothing but
# its own folder. Then the test command's end-to-end stage (scripts/test.sh
# --e2e), whose tests must pass there too. The clone holds what is
# committed, not what is changed in the working tree.
# Usage: fresh_clone_test.sh
set -u

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel) || exit 2
. "$(dirname "$0")/smoke_lib.sh"
smoke_begin fresh-clone

# no_locale COMMAND...: COMMAND with no LANG, LANGUAGE nor LC_* variable.
no_locale() {
  local unset=() name
  for name in $(compgen -e); do
    [[ $name == LANG || $name == LANGUAGE || $name == LC_* ]] && unset+=(-u "$name")
  done
  env "${unset[@]}" "$@"
}

[[ -z $(git -C "$repo" status --porcelain --untracked-files=no) ]] ||
  echo "note: the working tree has changes that the clone does not"
mkdir -m 700 "$work/home" || exit 2
clone="$work/home/ovik"
git clone -q "$repo" "$clone" || exit 1
cd "$clone" || exit 1
version=$(sed -n 's/^project(Ovik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

no_locale scripts/run.sh --version >"$work/version.out" 2>"$work/version.err"
status=$?
[[ $status == 0 ]] || fail "scripts/run.sh --version: exit status $status: $(cat "$work/version.err")"
[[ $(cat "$work/version.out") == "ovik $version" ]] ||
  fail "scripts/run.sh --version says '$(cat "$work/version.out")'"

small_tree_make
no_locale scripts/run.sh report "$small_tree" >"$work/report.txt" 2>"$work/report.err"
status=$?
[[ $status == 0 ]] || fail "scripts/run.sh report: exit status $status: $(cat "$work/report.err")"
small_tree_check "$work/report.txt" || fail "scripts/run.sh report: wrong bytes"

[[ -x build/run/ovik ]] || fail "the program is not at build/run/ovik"
[[ $(ls build) == run ]] || fail "the run command built more than build/run: $(ls build)"

echo "== scripts/test.sh --e2e in the clone (mode 0700 above it, no locale)"
no_locale scripts/test.sh --e2e
status=$?
[[ $status == 0 ]] || fail "scripts/test.sh --e2e: exit status $status"

smoke_end "fresh clone: scripts/run.sh builds and runs ovik; the end-to-end tests pass"
