#!/usr/bin/env python3
"""Writes the version resource (RT_VERSION) of a PE file to a file of its own, as
GetFileVersionInfo hands it to the engine. Used to seed the version-block fuzzer's corpus.
Usage: extract-version-block.py program.exe out.bin"""
import struct
import sys


def resource_data(pe, rva_to_offset, base, entry_offset, depth):
    """Follows the first entry of each directory level below RT_VERSION down to the data."""
    named, ids = struct.unpack_from("<HH", pe, entry_offset + 12)
    if named + ids == 0:
        return None
    _, target = struct.unpack_from("<II", pe, entry_offset + 16)
    if target & 0x80000000:
        return resource_data(pe, rva_to_offset, base, base + (target & 0x7FFFFFFF), depth + 1)
    rva, size = struct.unpack_from("<II", pe, base + target)
    start = rva_to_offset(rva)
    return pe[start:start + size]


def main():
    pe = open(sys.argv[1], "rb").read()
    header = struct.unpack_from("<I", pe, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H", pe, header + 6)[0], struct.unpack_from("<H", pe, header + 20)[0]
    optional = header + 24
    magic = struct.unpack_from("<H", pe, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", pe, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<IIII", pe, table + 40 * i + 8) for i in range(sections)]

    def rva_to_offset(rva):
        for vsize, vaddr, rawsize, rawptr in spans:
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rawptr + rva - vaddr
        raise SystemExit("address outside every section")

    base = rva_to_offset(resource_rva)
    named, ids = struct.unpack_from("<HH", pe, base + 12)
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", pe, base + 16 + 8 * i)
        if name == 16 and target & 0x80000000:
            data = resource_data(pe, rva_to_offset, base, base + (target & 0x7FFFFFFF), 1)
            open(sys.argv[2], "wb").write(data)
            return
    raise SystemExit("no version resource")


main()
