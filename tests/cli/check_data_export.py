#!/usr/bin/env python3
"""Reads the CSV and JSON the tool wrote for one results file with Python's own csv and json
modules and checks them against each other and against the tool's plain `info` listing.

  check_data_export.py KIND CSV JSON INFO
KIND is "tests" or "logging"; INFO is the output of `quorvantel-cli info` for the same file.
Exits non-zero with a line on stderr for the first thing that is wrong."""
import csv
import json
import re
import sys

ISO = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d$")


def fail(text):
    sys.exit("check_data_export: " + text)


def number_of(cell):
    """The number a cell holds: None when empty; a mark keeps its number after it."""
    if cell == "":
        return None
    mark = cell[:2] if cell[:2] in ("> ", "< ") else ""
    try:
        return float(cell[len(mark):])
    except ValueError:
        fail("cell %r is neither a number, a marked number nor empty" % cell)


def main():
    kind, csv_path, json_path, info_path = sys.argv[1:5]
    raw = open(csv_path, "rb").read()
    if not raw.startswith(b"\xef\xbb\xbf"):
        fail("the CSV has no byte order mark")
    if b"\r\n" not in raw or raw.replace(b"\r\n", b"").count(b"\n"):
        fail("CSV lines must end in CR LF")
    rows = list(csv.reader(raw.decode("utf-8-sig").splitlines()))
    header, data = rows[0], rows[1:]
    document = json.load(open(json_path, encoding="utf-8"))
    info = open(info_path, encoding="utf-8", errors="replace").read()
    if document["kind"] != kind:
        fail("kind %r, expected %r" % (document["kind"], kind))
    units = "°C" if document["units"] == "SI" else "°F"

    if kind == "tests":
        tests = document["tests"]
        listed = re.findall(r"^Test \d+: .*signals (.*)$", info, re.M)
        if len(tests) != len(listed) or len(data) != len(tests):
            fail("%d tests in JSON, %d in CSV, %d listed" % (len(tests), len(data), len(listed)))
        codes = [v for v in header[4:]]
        for n, (test, row, signals) in enumerate(zip(tests, data, listed), 1):
            if len(row) != len(header):
                fail("test %d: %d cells for %d columns" % (n, len(row), len(header)))
            if not ISO.match(test["begin"]) or row[2] != test["begin"] or row[3] != test["end"]:
                fail("test %d: times %r %r / %r" % (n, row[2], row[3], test["begin"]))
            present = [int(c) for c in signals.split(",") if c not in ("none", "68")]
            got = [v["code"] for v in test["values"]]
            if got != [c for c in present if c <= 67]:
                fail("test %d: values of codes %s, the file has %s" % (n, got, present))
            for value in test["values"]:
                if value["value"] is not None and not isinstance(value["value"], (int, float)):
                    fail("test %d: value %r is not a number" % (n, value["value"]))
        # Every JSON value is in its CSV cell, mark and all.
        by_caption = {caption: i for i, caption in enumerate(header)}
        for n, (test, row) in enumerate(zip(tests, data), 1):
            for value in test["values"]:
                cell = row[by_caption[value["caption"]]]
                if number_of(cell) != value["value"]:
                    fail("test %d code %d: CSV %r, JSON %r" % (n, value["code"], cell, value["value"]))
                if value.get("mark") and not cell.startswith(value["mark"] + " "):
                    fail("test %d code %d: mark %r missing in %r" % (n, value["code"], value["mark"], cell))
        if not any(units in caption for caption in codes):
            fail("no column names the unit %s: %s" % (units, codes))
    else:
        blocks = document["blocks"]
        listed = re.findall(r"^Block \d+: (\d+) samples", info, re.M)
        if [len(b["samples"]) for b in blocks] != [int(s) for s in listed]:
            fail("sample counts %s, listed %s" % ([len(b["samples"]) for b in blocks], listed))
        first = blocks[0]
        if len(data) != len(first["samples"]):
            fail("CSV has %d rows, the first block %d samples" % (len(data), len(first["samples"])))
        if header[1:] != [s["caption"] for s in first["signals"]]:
            fail("CSV header %s, JSON signals %s" % (header[1:], first["signals"]))
        for n, (sample, row) in enumerate(zip(first["samples"], data), 1):
            if not ISO.match(row[0]) or row[0] != sample["time"]:
                fail("sample %d: time %r / %r" % (n, row[0], sample["time"]))
            if [number_of(c) for c in row[1:]] != sample["values"]:
                fail("sample %d: CSV %s, JSON %s" % (n, row[1:], sample["values"]))
        if not any(v is not None for b in blocks for s in b["samples"] for v in s["values"]):
            fail("no sample holds a value")


if __name__ == "__main__":
    main()
