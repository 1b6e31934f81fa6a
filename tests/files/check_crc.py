#!/usr/bin/env python3
"""Recomputes the check code of every section of a comma-separated batch file with Python's own CSV
reader and zlib CRC-32, and prints one line per section: the stored code and the computed one."""
import binascii
import csv
import sys


def sections(rows):
    current = None
    for row in rows:
        if row and row[0] == "Serial Number":
            if current is not None:
                yield current
            current = []
        if current is not None:
            current.append(row)
    if current is not None:
        yield current


def main(path):
    with open(path, newline="", encoding="cp1252") as f:
        rows = list(csv.reader(f))
    for section in sections(rows):
        stored = ""
        data = b""
        in_table = False
        for row in section:
            cells = list(row)
            if cells and cells[0] == "Batch Check Code":
                stored = cells[4].lstrip("'")
                cells[4] = ""
            # A section ends at the first empty row after its reading table.
            if in_table and all(c == "" for c in cells):
                break
            if cells and cells[0] == "Reading Table:":
                in_table = True
            data += "".join(cells).encode("cp1252")
        print(stored, "%08X" % (binascii.crc32(data) & 0xFFFFFFFF))


if __name__ == "__main__":
    main(sys.argv[1])
