#!/usr/bin/env bash
# The NTFS master file table reader, measured:
#   1. its Linux build on an image of 1,000,000 files, from the page cache,
#      on one core (bench/ntfs_table.cc);
#   2. Ovik.exe under Wine on an image of 200,000 files: the table read
#      through the raw volume (\\.\N:, the image) against the walk of the
#      same files (N:\), first through ntfs-3g, then copied to the local
#      disk, where the walk is faster (bench/ntfs_table_vs_walk.cc).
# The images are made once, by mkntfs and bench/ntfs_fill.py through
# ntfs-3g with a user mapping (files of four owners), and kept in
# $OVIK_NTFS_BENCH_DIR (default build/ntfs-bench). Needs root and FUSE.
#   OVIK_BENCH_RUNS   runs of each measure, the best kept (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=${OVIK_NTFS_BENCH_DIR:-$root/build/ntfs-bench}
runs=${OVIK_BENCH_RUNS:-5}
[[ $(id -u) == 0 ]] || { echo "ntfs_table.sh: needs root (FUSE mounts)" >&2; exit 1; }
[[ -e /dev/fuse ]] || { echo "ntfs_table.sh: no /dev/fuse" >&2; exit 1; }
mkntfs=$(PATH=$PATH:/usr/sbin:/sbin command -v mkntfs) ||
  { echo "ntfs_table.sh: mkntfs missing (Debian package ntfs-3g)" >&2; exit 1; }
export CCACHE_BASEDIR=$root
mkdir -p "$dir/mnt"

# make_image NAME FILES MAX_SIZE SIZE: an image of FILES files, unless
# made before.
make_image() {
  local image=$dir/$1.img
  [[ -f $image && -f $image.made ]] && return 0
  echo "making $image ($2 files; takes minutes)"
  rm -f "$image" "$image.made" "$image.filling"
  truncate -s "$4" "$image"
  "$mkntfs" -F -f -q "$image" >/dev/null 2>&1
  printf '%s\n' 1001::S-1-5-21-1111-2222-3333-1001 1002::S-1-5-21-1111-2222-3333-1002 \
    1003::S-1-5-21-1111-2222-3333-1003 1004::S-1-5-21-1111-2222-3333-1004 \
    :1001:S-1-5-21-1111-2222-3333-2001 >"$dir/UserMapping"
  unshare -m --propagation private sh -c '
    ntfs-3g -o "permissions,no_detach,usermapping=$3" "$1" "$2" >/dev/null 2>&1 &
    driver=$!
    for i in $(seq 100); do mountpoint -q "$2" && break; sleep 0.1; done
    python3 "$4" "$2" "$5" "$6" 1001 1002 1003 1004 && umount "$2" && wait $driver
  ' sh "$image" "$dir/mnt" "$dir/UserMapping" "$root/bench/ntfs_fill.py" "$2" "$3" \
    >"$image.filling"
  mv "$image.filling" "$image.made"
  cat "$image.made"
}
make_image files-1000000 1000000 0 3G
make_image files-200000 200000 4096 2G

echo "== the reader on Linux: 1,000,000 files from the page cache"
cmake --preset release >/dev/null
cmake --build --preset release --target ovik_ntfs_table -j2 >/dev/null
cat "$dir/files-1000000.img" >/dev/null  # into the page cache
build/release/bench/ovik_ntfs_table "$dir/files-1000000.img" --runs "$runs" --owners
build/release/bench/ovik_ntfs_table "$dir/files-1000000.img" --runs "$runs" --threads 2

echo "== Ovik.exe under Wine: 200,000 files, the table against the walk"
BUILD_DIR=$root/build/mingw-bench
cmake --preset mingw -B "$BUILD_DIR" -DOVIK_BENCH=ON -DOVIK_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" --target ovik_ntfs_table_vs_walk -j2 >/dev/null
. "$root/tests/wine/wine-env.sh"
wine_prepare_prefix >/dev/null
ln -sfn "$dir/files-200000.img" "$WINEPREFIX/dosdevices/n::"
wine_runs=${OVIK_WINE_RUNS:-3}
# table_vs_walk MOUNT FOLDER: the program on drive N:, its folder FOLDER;
# the image mounted read-only on MOUNT first when it is not empty. In a
# mount namespace of its own, with the wine server started inside it.
table_vs_walk() {
  ln -sfn "$2" "$WINEPREFIX/dosdevices/n:"
  "$WINESERVER" -k 2>/dev/null || true
  unshare -m --propagation private sh -c '
    if [ -n "$2" ]; then
      ntfs-3g -o ro,no_detach "$1" "$2" >/dev/null 2>&1 &
      driver=$!
      for i in $(seq 100); do mountpoint -q "$2" && break; sleep 0.1; done
    fi
    status=0
    "$3" "$4" N: "$5" || status=$?
    "$6" -k 2>/dev/null; "$6" -w
    if [ -n "$2" ]; then umount "$2" && wait $driver; fi
    exit $status
  ' sh "$dir/files-200000.img" "$1" "$WINE_LOADER" \
    "$BUILD_DIR/bench/ovik_ntfs_table_vs_walk.exe" "$wine_runs" "$WINESERVER"
}
echo "-- the walk through ntfs-3g"
table_vs_walk "$dir/mnt" "$dir/mnt"
copy=$dir/files-200000.copy
if [[ ! -f $copy.made ]]; then
  rm -rf "$copy"
  unshare -m --propagation private sh -c '
    ntfs-3g -o ro,no_detach "$1" "$2" >/dev/null 2>&1 &
    driver=$!
    for i in $(seq 100); do mountpoint -q "$2" && break; sleep 0.1; done
    cp -a "$2" "$3" && umount "$2" && wait $driver
  ' sh "$dir/files-200000.img" "$dir/mnt" "$copy"
  touch "$copy.made"
fi
echo "-- the walk of a copy of the same files on the local disk"
table_vs_walk "" "$copy"
rm -f "$WINEPREFIX/dosdevices/n::" "$WINEPREFIX/dosdevices/n:"
