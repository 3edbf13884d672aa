#!/usr/bin/env python3
"""Prints a version resource as text, one "name=value" line each: the fixed part's FileVersion,
ProductVersion and FileType (FileType 1 is a program, 2 a DLL), then every string of every string
table as "table/name=value". Reads the resource as `wrestool -x --raw -t 16 FILE` writes it.
Usage: wrestool -x --raw -t 16 FILE | version-resource.py"""
import struct
import sys

FIXED_SIGNATURE = 0xFEEF04BD


def align4(offset):
    return (offset + 3) & ~3


def text_at(data, start, end):
    """The UTF-16 text from start up to its NUL (or end), and the offset after the NUL."""
    at = start
    while at + 1 < end and data[at:at + 2] != b"\0\0":
        at += 2
    return data[start:at].decode("utf-16-le"), at + 2


def nodes(data, start, end):
    """The nodes that follow each other in data[start:end]: (name, value offset, value length,
    children offset, node end)."""
    at = start
    while at + 6 <= end:
        length, value_length = struct.unpack_from("<HH", data, at)
        if length < 6 or at + length > end:
            raise SystemExit("version-resource: a node's length runs outside its parent")
        name, after_name = text_at(data, at + 6, at + length)
        value_at = align4(after_name)
        yield name, value_at, value_length, at + length
        at = align4(at + length)


def version(most, least):
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def main():
    data = sys.stdin.buffer.read()
    root = next(nodes(data, 0, len(data)), None)
    if root is None or root[0] != "VS_VERSION_INFO":
        raise SystemExit("version-resource: no version resource read")
    _, fixed_at, fixed_length, root_end = root
    if fixed_length < 52 or fixed_at + 52 > root_end:
        raise SystemExit("version-resource: no fixed part")
    fixed = struct.unpack_from("<13I", data, fixed_at)
    if fixed[0] != FIXED_SIGNATURE:
        raise SystemExit("version-resource: the fixed part's signature is wrong")
    print("FileVersion=" + version(fixed[2], fixed[3]))
    print("ProductVersion=" + version(fixed[4], fixed[5]))
    print("FileType=%d" % fixed[9])
    # The string information and its tables hold no value: their children start where it would.
    for block, children_at, _, block_end in nodes(data, align4(fixed_at + fixed_length), root_end):
        if block != "StringFileInfo":
            continue
        for table, strings_at, _, table_end in nodes(data, children_at, block_end):
            for name, value_at, _, string_end in nodes(data, strings_at, table_end):
                print("%s/%s=%s" % (table, name, text_at(data, value_at, string_end)[0]))


main()
