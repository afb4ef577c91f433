#!/usr/bin/env bash
# Installs the Debian package as an administrator would (apt-get install
# ./ovik_<version>_<arch>.deb), runs what it installed (the program's
# version and a report of a small tree, the man page through man, the
# bash completion), and removes the package again. Uses sudo unless run
# as root; refuses to run when a package named ovik is installed already.
# Usage: package_test.sh path/to/ovik_<version>_<arch>.deb
set -u

deb=${1:?usage: $0 path/to/ovik_VERSION_ARCH.deb}
[[ -f $deb ]] || { echo "no package: $deb"; exit 2; }
deb=$(realpath "$deb")
sudo_cmd=()
[[ $(id -u) == 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

if [[ $(dpkg-query -W -f='${Status}' ovik 2>/dev/null) == *" installed" ]]; then
  echo "a package named ovik is installed already; remove it to run this test"
  exit 1
fi

. "$(dirname "$0")/smoke_lib.sh"
smoke_begin package
installed=0
smoke_cleanup_hook() {
  if ((installed)); then
    "${sudo_cmd[@]}" apt-get remove -y -qq ovik >/dev/null 2>&1
  fi
}

# --- The package itself: its name and the libraries it needs.
version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg-deb -f "$deb" Architecture)
[[ ${deb##*/} == "ovik_${version}_${arch}.deb" ]] ||
  fail "file name ${deb##*/} is not ovik_${version}_${arch}.deb"
[[ $arch == $(dpkg --print-architecture) ]] || fail "architecture $arch"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libncursesw6 libsqlite3-0; do
  [[ $depends == *"$library "* || $depends == *"$library" ]] ||
    fail "Depends does not name $library: $depends"
done

# --- Installed with apt-get, which fetches what it depends on.
if ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$deb" \
    >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "apt-get install $deb failed"
  exit 1
fi
installed=1

[[ $(command -v ovik) == /usr/bin/ovik ]] || fail "ovik is at '$(command -v ovik)', not /usr/bin/ovik"
[[ $(ovik --version) == "ovik $version" ]] || fail "ovik --version says '$(ovik --version)'"

small_tree_make
ovik report "$small_tree" >"$work/report.txt" 2>"$work/report.err"
status=$?
[[ $status == 0 ]] || fail "ovik report: exit status $status: $(cat "$work/report.err")"
small_tree_check "$work/report.txt" || fail "ovik report: wrong bytes"
# A saved scan, through the SQLite library the package depends on.
ovik report "$small_tree" --save --history "$work/history.sqlite" \
  -o "$work/saved.txt" 2>"$work/save.err" ||
  fail "ovik report --save: $(cat "$work/save.err")"
[[ $(ovik history --history "$work/history.sqlite" | wc -l) == 2 ]] ||
  fail "ovik history does not list the saved scan"

# The man page, as man finds it and renders it, without warnings.
page=$(man -w ovik 2>/dev/null)
if [[ $page != /usr/share/man/man1/ovik.1* ]]; then
  if grep -qs 'path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
    # This system keeps no man pages: render the package's copy instead.
    echo "note: dpkg here leaves man pages out; the page is read from the package"
    dpkg-deb -x "$deb" "$work/unpacked"
    page=$(find "$work/unpacked/usr/share/man/man1" -name 'ovik.1*' | head -n 1)
  else
    fail "man does not find the installed page: '$page'"
  fi
fi
if [[ -n $page ]]; then
  MANWIDTH=80 man --warnings -l "$page" >"$work/man.txt" 2>"$work/man.err" ||
    fail "man -l $page failed: $(cat "$work/man.err")"
  [[ ! -s $work/man.err ]] || fail "man -l $page warns: $(cat "$work/man.err")"
  for heading in NAME SYNOPSIS COMMANDS OPTIONS "EXIT STATUS" FILES; do
    grep -qx "$heading" "$work/man.txt" || fail "the rendered man page has no $heading"
  done
  grep -qF "ovik $version" "$work/man.txt" || fail "the man page does not give version $version"
fi

# Bash completes the commands and an option from the installed script.
completion=/usr/share/bash-completion/completions/ovik
words=$(bash -c '. "$1"; COMP_WORDS=(ovik rep); COMP_CWORD=1; _ovik
                 printf "%s " "${COMPREPLY[@]}"
                 COMP_WORDS=(ovik report --ou); COMP_CWORD=2; _ovik
                 printf "%s" "${COMPREPLY[@]}"' sh "$completion" 2>&1)
[[ $words == "report --output" ]] || fail "bash completion offers '$words'"

# --- Removed again, leaving nothing behind.
if "${sudo_cmd[@]}" apt-get remove -y -qq ovik >"$work/remove.log" 2>&1; then
  installed=0
else
  cat "$work/remove.log"
  fail "apt-get remove ovik failed"
fi
[[ ! -e /usr/bin/ovik && ! -e $completion ]] || fail "files are left after the removal"
[[ $(dpkg-query -W -f='${Status}' ovik 2>/dev/null) != *" installed" ]] ||
  fail "ovik is still installed"

smoke_end "package: installed, ran, removed"
