#!/usr/bin/env python3
"""Prints what xlrd reads from a workbook, as JSON: per sheet its name, page header, size and
cells (row, column, xlrd cell type, value, number format)."""
import json
import struct
import sys

import xlrd
from xlrd.biffh import XL_EOF, XL_HEADER, unpack_unicode


def page_header(book, index):
    """xlrd keeps no page header, so its HEADER record is read with xlrd's own string reader."""
    pos = book._sh_abs_posn[index]
    while pos + 4 <= len(book.mem):
        code, length = struct.unpack("<HH", book.mem[pos:pos + 4])
        data = book.mem[pos + 4:pos + 4 + length]
        if code == XL_HEADER:
            return unpack_unicode(data, 0, lenlen=2) if length else ""
        if code == XL_EOF:
            return ""
        pos += 4 + length
    return ""


book = xlrd.open_workbook(sys.argv[1], formatting_info=True, on_demand=True)
sheets = []
for index in range(book.nsheets):
    sheet = book.sheet_by_index(index)
    cells = []
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            fmt = book.format_map[book.xf_list[cell.xf_index].format_key].format_str
            cells.append([r, c, cell.ctype, cell.value, fmt])
    sheets.append({"name": sheet.name, "header": page_header(book, index), "nrows": sheet.nrows,
                   "ncols": sheet.ncols, "defcolwidth": sheet.defcolwidth,
                   "colwidths": {str(c): info.width for c, info in sheet.colinfo_map.items()}, "cells": cells})
json.dump({"datemode": book.datemode, "sheets": sheets}, sys.stdout, ensure_ascii=False)
