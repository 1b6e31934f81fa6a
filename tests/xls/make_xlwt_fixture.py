#!/usr/bin/env python3
"""Writes a workbook with xlwt from a batch sheet in comma-separated form (Windows-1252): each
cell typed as an integer, a decimal, a date (dd/mm/yyyy), a time (hh:mm:ss) or a text. A second
worksheet adds what xlwt writes for other content: a long shared string table, blank and merged
cells, a boolean, a formula."""
import csv
import datetime
import re
import sys

import xlwt

source, target = sys.argv[1], sys.argv[2]
date_style = xlwt.easyxf(num_format_str="dd/mm/yyyy")
time_style = xlwt.easyxf(num_format_str="hh:mm:ss")

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Deck A")
sheet.header_str = b"&L&D  &T &C Batch Report: Deck A &R&P of &N"
with open(source, encoding="cp1252", newline="") as f:
    for r, row in enumerate(csv.reader(f)):
        for c, text in enumerate(row):
            if text == "":
                continue
            if re.fullmatch(r"\s*[+-]?\d+", text):
                sheet.write(r, c, int(text))
            elif re.fullmatch(r"\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*", text):
                sheet.write(r, c, float(text))
            elif re.fullmatch(r"\d\d/\d\d/\d\d\d\d", text):
                sheet.write(r, c, datetime.datetime.strptime(text, "%d/%m/%Y"), date_style)
            elif re.fullmatch(r"\d\d:\d\d:\d\d", text):
                sheet.write(r, c, datetime.datetime.strptime(text, "%H:%M:%S").time(), time_style)
            else:
                sheet.write(r, c, text)

other = book.add_sheet("Other")
for i in range(1500):
    other.write(i // 5, i % 5, "text %04d µ" % i)
other.write(400, 0, None, xlwt.easyxf("font: bold on"))
other.write_merge(401, 401, 0, 3, "merged")
other.write(402, 0, True)
other.write(402, 1, xlwt.Formula("1+2"))
book.save(target)
