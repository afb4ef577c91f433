# Shared by the tests that run a built or installed ovik as its users do.
# Source it, then:
#   smoke_begin NAME         a scratch folder $work, removed on exit (after
#                            the caller's smoke_cleanup_hook, if defined)
#   fail MESSAGE             counts a failed check
#   smoke_end MESSAGE        exits 1 if a check failed, else says MESSAGE
#   small_tree_make          makes $small_tree: files of 3 MiB in all, owned
#                            by whoever runs the test; on a tmpfs of 100 MiB
#                            when one can be mounted (root), so that the
#                            share is known too
#   small_tree_check FILE    compares a report of it, byte for byte (the
#                            share's digits only by their form when the
#                            tree is on an unknown volume)

failures=0
small_tree_mount=""
small_tree_share=""

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

smoke_cleanup() {
  if declare -F smoke_cleanup_hook >/dev/null; then smoke_cleanup_hook; fi
  [[ -z $small_tree_mount ]] || umount "$small_tree_mount" 2>/dev/null || true
  rm -rf "$work"
}

smoke_begin() {
  work=$(mktemp -d "/tmp/ovik-$1.XXXXXX") || exit 2
  chmod 755 "$work"
  trap smoke_cleanup EXIT
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
}

smoke_end() {
  if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "$1"
}

small_tree_make() {
  small_tree="$work/small-tree"
  mkdir -p "$small_tree"
  if [[ $(id -u) == 0 ]] &&
     mount -t tmpfs -o size=100m,mode=755 ovik-small-tree "$small_tree" 2>/dev/null; then
    small_tree_mount=$small_tree
    small_tree_share="3.0000"  # 3 MiB of 100 MiB
  fi
  mkdir -p "$small_tree/sub" "$small_tree/.hidden"
  truncate -s 2M "$small_tree/a"
  truncate -s 512K "$small_tree/sub/b"
  truncate -s 512K "$small_tree/.hidden/c"
  ln -s a "$small_tree/link-to-a"  # its own size: 1 byte
  chmod -R a+rX "$small_tree"
}

small_tree_check() {
  local file=$1 owner prefix
  owner=$(id -un)
  printf -v prefix 'No.1:%-20s%7s  ' "$owner" 3MB
  if [[ -n $small_tree_share ]]; then
    printf '%s%s%%\r\n' "$prefix" "$small_tree_share" >"$work/small-tree.expected"
    cmp -s "$file" "$work/small-tree.expected" && return 0
  elif [[ $(wc -l <"$file") == 1 && $(tail -c 1 "$file" | od -An -c) == *'\n'* &&
          $(head -c ${#prefix} "$file") == "$prefix" ]] &&
       tail -c +$((${#prefix} + 1)) "$file" | grep -qaxE $'[0-9]+\\.[0-9]{4}%\r'; then
    return 0
  fi
  echo "the report is not the expected one (No.1:$owner, 3MB and its share); it was:"
  cat -A "$file"
  return 1
}
