#!/usr/bin/env python3
"""Checks the text of a report PDF (pdftotext -raw, pages split by form feeds) against the
tool's text export of the same document.

check_report.py EXPORT.txt REPORT.txt CAPTION... -- LINE...
  EXPORT.txt  export of the file (tab, LF, code page windows-1252, LC_ALL=C)
  REPORT.txt  pdftotext -raw of the report, UTF-8
  CAPTION     the export captions of the report's value columns, in column order
  LINE        texts the first page must show (operator, test site, ...)
Every page must carry the page header, the footer and its own "Page N"; every test row its
building, room, both times and the value of each column, in row order.
"""
import re
import sys
import unicodedata


def fail(text):
    print(text, file=sys.stderr)
    sys.exit(1)


def main():
    args = sys.argv[1:]
    split = args.index("--")
    export_path, report_path, captions, first_page = args[0], args[1], args[2:split], args[split + 1:]
    rows = open(export_path, encoding="cp1252").read().split("\n")
    header = rows[0].split("\t")
    columns = []
    for caption in captions:
        found = [i for i, h in enumerate(header) if re.sub(" +", " ", h) == caption]
        if not found:
            fail(f"no export column '{caption}' in {header}")
        columns.append(found[0])
    # pdftotext gives ligatures as their own characters and runs of blanks as one.
    text = unicodedata.normalize("NFKC", open(report_path, encoding="utf-8").read())
    pages = text.split("\f")
    pages = [p for p in pages if p.strip()]
    if not pages:
        fail("the report has no text")
    for n, page in enumerate(pages, 1):
        for text in ("Indoor Climate Measurement Report", "Checked"):
            if text not in page:
                fail(f"page {n} lacks '{text}'")
        if not re.search(rf"Page\s+{n}\b", page):
            fail(f"page {n} lacks its number")
    for text in first_page:
        if text not in pages[0]:
            fail(f"the first page lacks '{text}'")

    # The rows' texts in the order they were drawn.
    stream = "\n".join(pages)
    at = 0
    shown = 0
    for row in rows[1:]:
        if not row:
            continue
        cells = row.split("\t")
        expected = [cells[0], cells[1]]
        expected += [cells[2], cells[3]]
        for c in columns:
            value = cells[c] if c < len(cells) else ""
            expected.append(value if value else "---")
        for text in (re.sub(" +", " ", e) for e in expected):
            found = stream.find(text, at)
            if found < 0:
                fail(f"row {shown + 1}: '{text}' is missing or out of order (expected {expected})")
            at = found + len(text)
        shown += 1
    print(f"{len(pages)} pages, {shown} rows checked")


main()
