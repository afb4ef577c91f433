#!/usr/bin/env python3
"""Writes the seed inputs of fuzz/ntfs_record_fuzzer.cc: records, run
lists, a $SDS block and an index node taken from an NTFS image (made with
mkntfs and filled through ntfs-3g: links, fragmented files and so on),
crafted damaged ones, and a small volume built here whose table the
reader opens and reads.

    fuzz/ntfs_seeds.py IMAGE [OUTPUT_DIR]
"""
import os
import struct
import sys

RECORD = 1024


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def fixed(raw):
    """A record with its update sequence applied."""
    r = bytearray(raw)
    usa, count = u16(r, 4), u16(r, 6)
    for i in range(1, count):
        r[i * 512 - 2:i * 512] = r[usa + 2 * i:usa + 2 * i + 2]
    return r


def attributes(record):
    """(offset, type) of each attribute of a fixed-up record."""
    at = u16(record, 20)
    while u32(record, at) != 0xFFFFFFFF and u32(record, at + 4):
        yield at, u32(record, at)
        at += u32(record, at + 4)


def protect(record, usn=1):
    """The update sequence put back, as on disk."""
    r = bytearray(record)
    usa, count = u16(r, 4), u16(r, 6)
    struct.pack_into("<H", r, usa, usn)
    for i in range(1, count):
        r[usa + 2 * i:usa + 2 * i + 2] = r[i * 512 - 2:i * 512]
        struct.pack_into("<H", r, i * 512 - 2, usn)
    return bytes(r)


def from_image(path):
    seeds = {}
    with open(path, "rb") as f:
        boot = f.read(512)
        cluster = u16(boot, 0x0B) * boot[0x0D]
        f.seek(struct.unpack_from("<Q", boot, 0x30)[0] * cluster)
        table = f.read(RECORD * 200)
    records = [table[i:i + RECORD] for i in range(0, len(table), RECORD)]
    seeds["record-mft"] = records[0]
    seeds["record-secure"] = records[9]
    seeds["record-root"] = records[5]
    for number, raw in enumerate(records[16:], 16):
        if raw[:4] != b"FILE":
            continue
        r = fixed(raw)
        kinds = dict((t, at) for at, t in attributes(r))
        if struct.unpack_from("<Q", r, 32)[0] and "record-extension" not in seeds:
            seeds["record-extension"] = raw
        if 0x20 in kinds and r[kinds[0x20] + 8] == 1:
            seeds["record-nonresident-list"] = raw
        if 0x80 in kinds and r[kinds[0x80] + 8] == 1 and "record-file" not in seeds:
            seeds["record-file"] = raw
            data = kinds[0x80]
            runs = data + u16(r, data + 32)
            seeds["runs-file"] = bytes(r[runs:data + u32(r, data + 4)])
    mft = fixed(records[0])
    data = dict((t, at) for at, t in attributes(mft))[0x80]
    seeds["runs-mft"] = bytes(mft[data + u16(mft, data + 32):data + u32(mft, data + 4)])
    root = fixed(records[5])
    index_root = dict((t, at) for at, t in attributes(root))[0x90]
    value = index_root + u16(root, index_root + 20)
    out = {"index-root": bytes([3]) + bytes(root[value + 16:value + u32(root, index_root + 16)])}
    for name, raw in seeds.items():
        mode = 1 if name.startswith("runs") else 0
        out[name] = bytes([mode]) + raw
    # Damaged: a torn stride, an attribute running past the record.
    torn = bytearray(seeds["record-file"])
    torn[1022] ^= 0xFF
    out["record-torn"] = bytes([0]) + bytes(torn)
    long_attribute = fixed(seeds["record-file"])
    struct.pack_into("<I", long_attribute, u16(long_attribute, 20) + 4, 0x7FFFFFF8)
    out["record-attribute-too-long"] = bytes([0]) + protect(long_attribute)
    out["runs-negative-start"] = bytes([1, 0x21, 0x10, 0x00, 0xF0, 0x11, 0x05, 0x80, 0x00])
    out["runs-wide-fields"] = bytes([1, 0x98]) + b"\xff" * 17 + b"\x00"
    return out


def record(number, attrs, flags=1, base=0):
    """A file record of 1 KiB holding |attrs| (bytes each), protected."""
    r = bytearray(RECORD)
    r[0:4] = b"FILE"
    struct.pack_into("<HHQHHHH", r, 4, 0x30, 3, 0, number, 1, 0x38, flags)
    at = 0x38
    for a in attrs:
        r[at:at + len(a)] = a
        at += len(a)
    struct.pack_into("<I", r, at, 0xFFFFFFFF)
    struct.pack_into("<IIQ", r, 24, at + 8, RECORD, base)
    return protect(r)


def resident(kind, value, name=b""):
    header = 24 + len(name)
    header = (header + 7) // 8 * 8
    length = (header + len(value) + 7) // 8 * 8
    a = bytearray(length)
    struct.pack_into("<IIBBHHH", a, 0, kind, length, 0, len(name) // 2, 24, 0, 0)
    struct.pack_into("<IH", a, 16, len(value), header)
    a[24:24 + len(name)] = name
    a[header:header + len(value)] = value
    return bytes(a)


def nonresident(kind, runs, clusters, size):
    length = (64 + len(runs) + 1 + 7) // 8 * 8
    a = bytearray(length)
    struct.pack_into("<IIBBHHH", a, 0, kind, length, 1, 0, 0, 0, 0)
    struct.pack_into("<QQH", a, 16, 0, clusters - 1, 64)
    struct.pack_into("<QQQ", a, 40, clusters * 512, size, size)
    a[64:64 + len(runs)] = runs
    return bytes(a)


def standard_information():
    return resident(0x10, struct.pack("<QQQQI", 1, 2, 3, 4, 0) + bytes(28))


def file_name(parent, name):
    encoded = name.encode("utf-16-le")
    value = struct.pack("<Q", parent | 5 << 48) + bytes(56) + bytes([len(name), 1])
    return resident(0x30, value + encoded)


def descriptor(rid):
    sid = bytes([1, 5, 0, 0, 0, 0, 0, 5]) + struct.pack("<5I", 21, 1, 2, 3, rid)
    return resident(0x50, bytes([1, 0, 0, 0x80]) + struct.pack("<4I", 20, 0, 0, 0) + sid)


def small_volume():
    """512-byte clusters; the table at cluster 1 holds records 0-6, which
    the reader sees again and again as the volume's bytes cycle: 21
    records, of which 16-20 are files (one with an attribute list naming
    an extension record)."""
    boot = bytearray(512)
    boot[3:11] = b"NTFS    "
    struct.pack_into("<HB", boot, 0x0B, 512, 1)
    struct.pack_into("<QQQ", boot, 0x28, 1 << 16, 1, 1)
    boot[0x40] = 0xF6  # 1 KiB records
    boot[0x44] = 0xF4  # 4 KiB index blocks
    boot[510:512] = b"\x55\xaa"
    table = [record(0, [standard_information(),
                        nonresident(0x80, bytes([0x11, 42, 1, 0]), 42, 21 * RECORD),
                        resident(0xB0, bytes([0xFF, 0xFF, 0x1F, 0]))])]
    table.append(record(1, [standard_information()]))
    for number in range(2, 5):
        table.append(record(number, [standard_information(), file_name(5, "f%d" % number),
                                     descriptor(1000 + number),
                                     resident(0x80, b"x" * (100 * number))]))
    listed = b""
    for kind, where in ((0x10, 19), (0x30, 20), (0x50, 19), (0x80, 20)):
        sequence = where % 7  # a record's sequence number is its number here
        listed += struct.pack("<IHBBQQH", kind, 32, 0, 26, 0, where | sequence << 48, 0) + bytes(6)
    table.append(record(5, [standard_information(), resident(0x20, listed), descriptor(1005)]))
    table.append(record(6, [file_name(5, "g"), nonresident(0x80, bytes([0x11, 4, 9, 0]), 4, 2000)],
                        base=19 | 5 << 48))
    return bytes([4]) + bytes(boot) + b"".join(table)


def sds_block():
    """Two descriptors, each entry naming its own place in the stream."""
    block = b""
    for security_id, rid in ((0x100, 1001), (0x101, 1002)):
        body = descriptor(rid)[24:]
        entry = struct.pack("<IIQI", 0, security_id, len(block), 20 + len(body)) + body
        block += entry + bytes(-len(entry) % 16)
    return bytes([2]) + block


def main():
    out_dir = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "corpus", "ntfs_record")
    os.makedirs(out_dir, exist_ok=True)
    seeds = from_image(sys.argv[1])
    seeds["volume-small"] = small_volume()
    seeds["sds-two-owners"] = sds_block()
    for name, data in seeds.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
