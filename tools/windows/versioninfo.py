#!/usr/bin/env python3
"""Prints the file properties Windows shows for an .exe (its version resource's strings).

    versioninfo.py FILE.exe [KEY=VALUE ...]

Each KEY=VALUE given must be there with that value; exits 1 otherwise.
"""
import struct
import sys

KEYS = ("ProductName", "FileDescription", "FileVersion", "ProductVersion", "CompanyName",
        "LegalCopyright", "OriginalFilename")


def strings(data):
    found = {}
    for key in KEYS:
        needle = (key + "\0").encode("utf-16-le")
        at = data.find(needle)
        # A String entry: wLength, wValueLength (in characters), wType, the key, padding to
        # four bytes, the value.
        while at >= 6 and (at % 2 or struct.unpack_from("<H", data, at - 2)[0] != 1):
            at = data.find(needle, at + 1)
        if at < 6:
            continue
        value_length = struct.unpack_from("<H", data, at - 4)[0]
        start = at + len(needle)
        start += (4 - (start - (at - 6)) % 4) % 4
        value = data[start:start + 2 * value_length].decode("utf-16-le")
        found[key] = value.rstrip("\0")
    return found


def main():
    with open(sys.argv[1], "rb") as f:
        found = strings(f.read())
    for key in KEYS:
        if key in found:
            print(f"  {key}: {found[key]}")
    failed = 0
    for wanted in sys.argv[2:]:
        key, _, value = wanted.partition("=")
        if found.get(key) != value:
            print(f"{sys.argv[1]}: {key} is {found.get(key)!r}, not {value!r}", file=sys.stderr)
            failed = 1
    return failed


if __name__ == "__main__":
    sys.exit(main())
