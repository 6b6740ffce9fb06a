#!/usr/bin/env python3
"""Clears the two compile times that chmcmd writes into a .chm (the ITSF
header's time stamp and the "#SYSTEM" time-stamp entry), so that one set of
help sources always gives the same bytes.
    clear_chm_times.py FILE.chm"""
import struct
import sys


def encint(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def find_entry(data, directory, name):
    """Section, offset and length of a file in the directory's listing chunks."""
    if data[directory:directory + 4] != b"ITSP":
        raise ValueError("no ITSP directory header")
    header_length, = struct.unpack_from("<I", data, directory + 8)
    chunk_size, = struct.unpack_from("<I", data, directory + 0x10)
    chunks, = struct.unpack_from("<I", data, directory + 0x2C)
    for index in range(chunks):
        chunk = directory + header_length + index * chunk_size
        if data[chunk:chunk + 4] != b"PMGL":
            continue
        free, = struct.unpack_from("<I", data, chunk + 4)
        pos, end = chunk + 0x14, chunk + chunk_size - free
        while pos < end:
            length, pos = encint(data, pos)
            entry = bytes(data[pos:pos + length])
            pos += length
            section, pos = encint(data, pos)
            offset, pos = encint(data, pos)
            size, pos = encint(data, pos)
            if entry == name:
                return section, offset, size
    raise ValueError("%s not found" % name.decode())


def main(path):
    data = bytearray(open(path, "rb").read())
    if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
        raise ValueError("not an ITSF version 3 file")
    struct.pack_into("<I", data, 0x10, 0)
    directory, = struct.unpack_from("<Q", data, 0x48)
    content, = struct.unpack_from("<Q", data, 0x58)
    section, offset, size = find_entry(data, directory, b"/#SYSTEM")
    if section != 0:
        raise ValueError("#SYSTEM is compressed")
    pos, end = content + offset + 4, content + offset + size
    while pos + 4 <= end:
        code, length = struct.unpack_from("<HH", data, pos)
        if code == 10 and length >= 4:  # compile time stamp
            struct.pack_into("<I", data, pos + 4, 0)
        if code == 4 and length >= 28:  # the FILETIME inside the file's settings
            struct.pack_into("<Q", data, pos + 4 + 20, 0)
        pos += 4 + length
    open(path, "wb").write(data)


if __name__ == "__main__":
    main(sys.argv[1])
