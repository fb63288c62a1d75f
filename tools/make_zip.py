#!/usr/bin/env python3
"""Builds zip archives for the tests and benchmarks of package extraction.

  make_zip.py OUT.zip ENTRIES.json       entries described in JSON (see below)
  make_zip.py --bulk OUT.zip FILES BYTES [SEED]
                                      FILES files of about BYTES in total, in nested folders,
                                      partly compressible, as game data tends to be

ENTRIES.json is a list of entries, each an object with:
  name       the entry name, stored as given (may be absolute or contain "..")
  data       text content (UTF-8), default empty
  size       instead of data: that many bytes of a repeating pattern
  dir        true for a folder entry (DOS and Unix directory bits set)
  unix_dir   true for a folder entry that has only the Unix directory bit
  date_time  [year, month, day, hour, minute, second], default 1980-01-01 00:00:00
  ut         {"flags": n, "times": [unix seconds in flag order]}: an Info-ZIP "UT" block
  extra_hex  raw extra field bytes in hex, written before any "UT" block
  store      true to store the data uncompressed (default: deflate)
  corrupt    "crc" (one data byte changed, entry stored) or "inflate" (compressed data
             replaced with bytes that cannot be inflated)
"""
import json
import random
import struct
import sys
import zipfile


def extra_field(entry):
    extra = bytes.fromhex(entry.get("extra_hex", ""))
    ut = entry.get("ut")
    if ut is not None:
        body = bytes([ut["flags"]]) + b"".join(struct.pack("<i", t) for t in ut["times"])
        extra += b"UT" + struct.pack("<H", len(body)) + body
    return extra


def entry_info(entry):
    info = zipfile.ZipInfo(entry["name"], tuple(entry.get("date_time", (1980, 1, 1, 0, 0, 0))))
    if entry.get("dir"):
        info.external_attr = (0o40755 << 16) | 0x10
    elif entry.get("unix_dir"):
        info.external_attr = 0o40755 << 16
    else:
        info.external_attr = 0o100644 << 16
    store = entry.get("store") or entry.get("corrupt") == "crc" or entry.get("dir") or entry.get("unix_dir")
    info.compress_type = zipfile.ZIP_STORED if store else zipfile.ZIP_DEFLATED
    info.extra = extra_field(entry)
    return info


def entry_data(entry):
    if "size" in entry:
        pattern = bytes(range(256))
        return (pattern * (entry["size"] // 256 + 1))[: entry["size"]]
    return entry.get("data", "").encode("utf-8")


def corrupt(path, entries):
    with zipfile.ZipFile(path) as archive:
        infos = {info.filename: info for info in archive.infolist()}
    with open(path, "r+b") as out:
        for entry in entries:
            how = entry.get("corrupt")
            if not how:
                continue
            info = infos[entry["name"]]
            out.seek(info.header_offset + 26)
            name_length, extra_length = struct.unpack("<HH", out.read(4))
            start = info.header_offset + 30 + name_length + extra_length
            out.seek(start)
            if how == "crc":
                first = out.read(1)
                out.seek(start)
                out.write(bytes([first[0] ^ 0xFF]))
            else:
                # A deflate block header of type 3 is invalid from the first byte on.
                out.write(b"\xff" * info.compress_size)


def from_spec(out_path, spec_path):
    with open(spec_path, encoding="utf-8") as f:
        entries = json.load(f)
    with zipfile.ZipFile(out_path, "w") as archive:
        for entry in entries:
            archive.writestr(entry_info(entry), b"" if entry.get("dir") or entry.get("unix_dir") else entry_data(entry))
    corrupt(out_path, entries)


def bulk(out_path, files, total_bytes, seed):
    rng = random.Random(seed)
    average = max(1, total_bytes // files)
    with zipfile.ZipFile(out_path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
        for n in range(files):
            size = rng.randint(average // 2, average * 3 // 2)
            # Half random bytes, half text-like runs: inflate has real work on both kinds.
            noise = rng.randbytes(size // 2)
            words = b"".join(rng.choice((b"model ", b"texture ", b"sound ", b"map ", b"0123 ")) for _ in range(size // 12))
            data = (noise + words)[:size].ljust(size, b".")
            archive.writestr(f"data/set{n % 20:02d}/part{n // 20:03d}/file{n:05d}.bin", data)


def main(argv):
    if len(argv) >= 4 and argv[1] == "--bulk":
        seed = int(argv[5]) if len(argv) > 5 else 1
        bulk(argv[2], int(argv[3]), int(argv[4]), seed)
        return 0
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    from_spec(argv[1], argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
