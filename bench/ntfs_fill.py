#!/usr/bin/env python3
"""Fills a mounted NTFS volume with files for the table benchmarks:
folders of 1,000 files, 100 folders to a top folder, each folder's files
made by one of the given uids in turn (so ntfs-3g, mounted with a user
mapping, gives them that account's SID), sizes from a fixed sequence up
to MAX_SIZE bytes. Prints the files and bytes it made.

    bench/ntfs_fill.py MOUNT FILES MAX_SIZE UID...
"""
import os
import sys


def main():
    mount, files, max_size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    uids = [int(u) for u in sys.argv[4:]] or [0]
    os.umask(0)
    data = b"b" * max_size
    root = os.open(mount, os.O_RDONLY | os.O_DIRECTORY)
    made = total = 0
    state = 12345
    folder = 0
    top = -1
    while made < files:
        if folder % 100 == 0:
            if top >= 0:
                os.close(top)
            os.mkdir("t%d" % (folder // 100), 0o777, dir_fd=root)
            top = os.open("t%d" % (folder // 100), os.O_RDONLY | os.O_DIRECTORY, dir_fd=root)
        name = "f%d" % folder
        os.mkdir(name, 0o777, dir_fd=top)
        directory = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=top)
        os.seteuid(uids[folder % len(uids)])
        for i in range(min(1000, files - made)):
            state = (state * 1103515245 + 12345) % (1 << 31)
            size = state % (max_size + 1) if max_size else 0
            fd = os.open("%d" % i, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644,
                         dir_fd=directory)
            if size and os.write(fd, data[:size]) != size:
                raise OSError("short write")
            os.close(fd)
            total += size
        os.seteuid(0)
        made += min(1000, files - made)
        os.close(directory)
        folder += 1
    os.close(top)
    os.close(root)
    print("%d files, %d bytes" % (made, total))


if __name__ == "__main__":
    main()
