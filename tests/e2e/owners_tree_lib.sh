# A tree of several owners and groups on a volume of known size, for the
# end-to-end tests of `ovik where` and the report's formats. Source it
# after smoke_lib.sh and smoke_begin, then:
#   owners_tree_make    makes $owners_tree on a tmpfs of 100 MiB
#                       (102,400 KB); returns 1, saying why, where it
#                       cannot (not root, no tmpfs, accounts 1 to 3 not
#                       daemon, bin and sys, or id 3999999 taken)
#
# What it holds (owner:group, sizes in KiB; sparse files):
#   home/d/proj/big   daemon:daemon  3072
#   home/d/notes      daemon:bin      100
#   srv/a/b/c/deep    daemon:daemon   500
#   srv/x             bin:bin          50
#   srv/orphan        3999999:3999999 700   (no account, no group)
#   $'a b\\c\nd'/f    daemon:3999999  200   (a name that breaks lines)
#   top               root:root        10
# and the empty directories empty/ and home/e/.

owners_tree=""

smoke_cleanup_hook() {
  [[ -z $owners_tree ]] || umount "$owners_tree" 2>/dev/null || true
}

owners_tree_make() {
  if [[ $(id -u) != 0 ]]; then
    echo "not root: the tree of several owners cannot be made"
    return 1
  fi
  local name
  for name in 1:daemon 2:bin 3:sys; do
    if [[ $(getent passwd "${name%%:*}" | cut -d: -f1) != "${name#*:}" ||
          $(getent group "${name%%:*}" | cut -d: -f1) != "${name#*:}" ]]; then
      echo "account or group ${name%%:*} is not ${name#*:} here"
      return 1
    fi
  done
  if getent passwd 3999999 >/dev/null || getent group 3999999 >/dev/null; then
    echo "id 3999999 has an account or group here"
    return 1
  fi
  mkdir -p "$work/owners"
  if ! mount -t tmpfs -o size=100m,mode=755 ovik-owners "$work/owners" 2>/dev/null; then
    echo "no tmpfs can be mounted"
    return 1
  fi
  owners_tree="$work/owners"
  local t=$owners_tree odd=$'a b\\c\nd'
  mkdir -p "$t/home/d/proj" "$t/srv/a/b/c" "$t/$odd" "$t/empty" "$t/home/e"
  truncate -s 3M "$t/home/d/proj/big" && chown 1:1 "$t/home/d/proj/big"
  truncate -s 100K "$t/home/d/notes" && chown 1:2 "$t/home/d/notes"
  truncate -s 500K "$t/srv/a/b/c/deep" && chown 1:1 "$t/srv/a/b/c/deep"
  truncate -s 50K "$t/srv/x" && chown 2:2 "$t/srv/x"
  truncate -s 700K "$t/srv/orphan" && chown 3999999:3999999 "$t/srv/orphan"
  truncate -s 200K "$t/$odd/f" && chown 1:3999999 "$t/$odd/f"
  truncate -s 10K "$t/top"
}
