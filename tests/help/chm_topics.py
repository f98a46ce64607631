#!/usr/bin/env python3
"""Checks that a compiled help file holds the topics the program opens and every page of its sources.

    chm_topics.py Builder.chm SOURCE_DIR /Step1/index.htm /General/index.htm ...

Reads the file's directory (the ITSF header, the ITSP directory header and its PMGL listing chunks)
with every length checked against what is there, and fails with a message for anything missing.
"""

import os
import struct
import sys


class Damaged(Exception):
    pass


def encint(data, pos, end):
    """A variable-length integer: 7 bits a byte, the high bit set on all but the last."""
    value = 0
    for _ in range(9):
        if pos >= end:
            raise Damaged("a number runs past its chunk")
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos
    raise Damaged("a number is too long")


def names(data):
    if len(data) < 0x58 or data[:4] != b"ITSF":
        raise Damaged("not a compiled help file")
    directory_offset, directory_length = struct.unpack_from("<QQ", data, 0x48)
    if directory_offset + 0x54 > len(data) or directory_offset + directory_length > len(data):
        raise Damaged("the directory lies outside the file")
    header = data[directory_offset:directory_offset + 0x54]
    if header[:4] != b"ITSP":
        raise Damaged("no directory header")
    header_length, = struct.unpack_from("<I", header, 0x08)
    chunk_size, = struct.unpack_from("<I", header, 0x10)
    chunks, = struct.unpack_from("<I", header, 0x2C)
    if chunk_size < 0x14 or chunk_size > 1 << 20:
        raise Damaged("an impossible chunk size")
    first = directory_offset + header_length
    found = []
    for i in range(chunks):
        start = first + i * chunk_size
        end = start + chunk_size
        if end > len(data):
            raise Damaged("a chunk lies outside the file")
        if data[start:start + 4] != b"PMGL":
            continue  # an index chunk
        free, = struct.unpack_from("<I", data, start + 4)
        if free > chunk_size - 0x14:
            raise Damaged("a chunk claims more free space than it has")
        pos, stop = start + 0x14, end - free
        while pos < stop:
            length, pos = encint(data, pos, stop)
            if pos + length > stop:
                raise Damaged("a name runs past its chunk")
            found.append(data[pos:pos + length].decode("utf-8", "replace"))
            pos += length
            for _ in range(3):  # section, offset, length
                _, pos = encint(data, pos, stop)
    return found


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    chm, sources, fixed = argv[1], argv[2], argv[3:]
    with open(chm, "rb") as f:
        inside = {name.lower() for name in names(f.read())}
    wanted = list(fixed)
    for folder, _, files in os.walk(sources):
        for name in files:
            if name.endswith((".htm", ".css", ".png")):
                wanted.append("/" + os.path.relpath(os.path.join(folder, name), sources).replace(os.sep, "/"))
    missing = [w for w in wanted if w.lower() not in inside]
    for w in missing:
        print(f"chm_topics: {chm} lacks {w}", file=sys.stderr)
    print(f"chm_topics: {len(wanted) - len(missing)} of {len(wanted)} pages found")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
