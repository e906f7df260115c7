#!/usr/bin/env python3
"""Peak memory of opening results files: the largest plausible one and hostile worst cases.

Writes four files into a scratch folder, runs `quorvantel-cli info` on each and prints the peak
resident memory above the tool's idle peak (measured on a two-test file) against four times the
file's size:
  tests-5000    5000 tests x 67 values, as a full instrument memory and more
  minimal-50MB  65536 tests with no values, padded with empty lines to 50 MB
  names-50MB    65536 tests, each its own building and room with names filling 50 MB
  blocks-50MB   4096 logging blocks of 64 signals, 50 MB
Usage: bench/open_memory.py [BUILD_FOLDER]   (default: build)
"""
import os
import subprocess
import sys
import tempfile

HEAD = (b"$FileVersion%\r\nVer_3\r\n$FileName%\r\nbig.QVL\r\n\r\n$PrintHeader%\r\n" + b"\r\n" * 6 +
        b"$ProbesData%\r\n" + b"\r\n" * 20 + b"$Comments%\r\n\xff;\r\n\r\n$InstrData%\r\n\xff;\r\n\r\n"
        b"$MEASUREMENTS%\r\n")
TESTS = b"$QUOR-Tests%\r\n$PROT%1\r\n\r\n"
SIZE = 50_000_000


def tests_5000(f):
    codes = b"".join(b"%d;" % c for c in range(1, 68))
    f.write(HEAD + TESTS + b"$SignalCount%\r\n67\r\n$Signals%\r\n" + codes + b"\r\n$TestCount%\r\n5000\r\n\r\n")
    for i in range(5000):
        b, r, begin = 1 + i % 20, 1 + i % 50, 39141.5 + i / 1440
        f.write(b"Signals: " + codes + b"\r\nUnits: SI;\r\n")
        f.write(b"Location H/R: %d;%d;\r\nBuildingName: Building %d;\r\nRoomName: Room %d;\r\n" % (b, r, b, r))
        f.write(b"BeginTime: %.10f;\r\nEndTime: %.10f;\r\n" % (begin, begin + 1 / 2880))
        f.write(b"Instrument Settings: -1;-1;-1;-1;-1;-1;-1;\r\n")
        f.write(b"".join(b"%.2f; " % (15 + ((i + c) % 97) * 0.137) for c in range(1, 68)) + b"\r\n\r\n")


def many_tests(f, names):
    count = 65536
    share = (SIZE - 300) // count
    f.write(HEAD + TESTS + b"$SignalCount%\r\n1\r\n$Signals%\r\n1;\r\n$TestCount%\r\n" + b"%d\r\n" % count)
    for i in range(count):
        body = b"Signals:\rUnits:\rLocation H/R: %d;%d;\r" % (i, i)
        n = (share - len(body) - 80) // 2 if names else 0
        body += b"BuildingName: " + b"B" * n + b"\rRoomName: " + b"R" * n + b"\r"
        body += b"BeginTime:0\rEndTime:0\rInstrument Settings: -1;\r\r"
        f.write(body + b"\r" * (share - len(body)))


def blocks(f):
    f.write(HEAD + b"$QUOR-Logger%\r\n$PROT%1\r\n$Logger Number%\r\n4096\r\n")
    signals = b"".join(b"%d;" % c for c in range(1, 65))
    for b in range(1, 4097):
        f.write(b"$ LOGGER %d %%\r$BuildingName%%\rB\r$RoomName%%\rR\r$Logger Result Number%%\r16\r"
                b"$Logger Start Time%%\r0\r$Logger Interval%%\r1\r$Logger Units%%\rSI\r"
                b"$Logger Signals%%\r%s\r$Instrument Settings%%\r-1;\r\r" % (b, signals))
        f.write((b";" * 64 + b"\r") * 17)  # the reader takes one line more than the count
    f.write(b"\r" * max(0, SIZE - f.tell()))


def peak_kb(tool, path):
    child = subprocess.Popen([tool, "info", path], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    err = child.stderr.read().decode(errors="replace").strip()
    if status != 0:
        sys.exit(f"{tool} info {path} failed: {err}")
    return usage.ru_maxrss


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build")
    tool = os.path.join(build, "bin", "quorvantel-cli")
    idle = peak_kb(tool, os.path.join(root, "tests", "data", "files", "ver1_results.qvl"))
    print(f"idle peak of the tool: {idle / 1024:.1f} MB")
    print(f"{'file':<14}{'size MB':>9}{'peak above idle MB':>20}{'x size':>8}{'of 4x limit':>13}")
    worst = 0.0
    with tempfile.TemporaryDirectory() as scratch:
        cases = [("tests-5000", tests_5000), ("minimal-50MB", lambda f: many_tests(f, False)),
                 ("names-50MB", lambda f: many_tests(f, True)), ("blocks-50MB", blocks)]
        for name, write in cases:
            path = os.path.join(scratch, name + ".qvl")
            with open(path, "wb") as f:
                write(f)
            size = os.path.getsize(path)
            above = max(0, peak_kb(tool, path) - idle) * 1024
            ratio = above / size
            worst = max(worst, ratio / 4)
            print(f"{name:<14}{size / 1e6:>9.1f}{above / 1e6:>20.1f}{ratio:>8.2f}{ratio / 4:>12.0%}")
            os.remove(path)
    sys.exit(0 if worst < 1 else 1)


if __name__ == "__main__":
    main()
