# Shared by the tests that, run as root, run programs as nobody (65534).
# The build may lie where nobody cannot go (a clone in /root, which is
# mode 0700), so what nobody runs is copied first into the test's own
# scratch folder. Source it, then:
#   as_nobody               the command prefix that drops to nobody
#   copy_for_nobody PROGRAM DIR
#                           copies PROGRAM into DIR (made mode 755; every
#                           folder above it must let nobody through) and
#                           prints the copy's path; returns 1, saying why
#                           on standard error, when nobody cannot run it
#                           there

as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)

copy_for_nobody() {
  local program=$1 dir=$2 copy
  copy="$dir/${program##*/}"
  mkdir -p "$dir" && chmod 755 "$dir" && install -m 755 "$program" "$copy" ||
    { echo "$program could not be copied to $dir" >&2; return 1; }
  # access() also refuses what a noexec mount holds.
  "${as_nobody[@]}" test -x "$copy" ||
    { echo "nobody cannot run $copy (a folder above it is closed, or noexec)" >&2; return 1; }
  echo "$copy"
}
