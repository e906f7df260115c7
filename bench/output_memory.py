#!/usr/bin/env python3
"""Peak memory and time of every command that writes output, on two files it writes itself:
  tests-65536  a 31 MB results file of 65536 tests (28 values each, 64 buildings of 32 rooms)
  name-100MB   a results file of one test whose building name is 100 MB long
For each file: info, info --json, export as text, csv and json, and report (the PDF). Each run's
wall time and peak resident memory are printed against the limits (15 s; 4 x the file's size +
64 MB) as ratios, with the processor time (user + system) beside the wall time: on a machine
shared with other work the wall time grows, the processor time does not. The exit status is 1
when any run breaks a limit or fails.
Usage: bench/output_memory.py [BUILD_FOLDER]   (default: build)
"""
import os
import subprocess
import sys
import tempfile
import time

from open_memory import HEAD, TESTS

LIMIT_S = 15.0
MB = 1024 * 1024


def tests_65536(f):
    codes = list(range(1, 29))
    signals = b"".join(b"%d;" % c for c in codes)
    f.write(HEAD + TESTS + b"$SignalCount%\r\n28\r\n$Signals%\r\n" + signals +
            b"\r\n$TestCount%\r\n65536\r\n\r\n")
    for i in range(65536):
        b, r, begin = 1 + i % 64, 1 + (i // 64) % 32, 39141.5 + i / 1440
        f.write(b"Signals: " + signals + b"\r\nUnits: SI;\r\n")
        f.write(b"Location H/R: %d;%d;\r\nBuildingName: Building %d;\r\nRoomName: Room %d;\r\n"
                % (b, r, b, r))
        f.write(b"BeginTime: %.10f;\r\nEndTime: %.10f;\r\n" % (begin, begin + 1 / 2880))
        f.write(b"Instrument Settings: 1;250;0,4;0,3;-1;1,2;0,7;\r\n")
        f.write(b"".join(b"%.2f; " % (15 + ((i + c) % 97) * 0.137) for c in codes) + b"\r\n\r\n")


def name_100mb(f):
    f.write(HEAD + TESTS + b"$SignalCount%\r\n4\r\n$Signals%\r\n1;2;3;4;\r\n$TestCount%\r\n1\r\n\r\n")
    f.write(b"Signals: 1;2;3;4;\r\nUnits: SI;\r\nLocation H/R: 1;1;\r\nBuildingName: ")
    chunk = b"Building " * (1024 * 1024 // 9)
    left = 100 * MB
    while left > 0:
        f.write(chunk[:left])
        left -= min(left, len(chunk))
    f.write(b";\r\nRoomName: Room;\r\nBeginTime: 39141.5;\r\nEndTime: 39141.6;\r\n"
            b"Instrument Settings: -1;-1;-1;-1;-1;-1;-1;\r\n21.5; 20.0; 21.0; 22.0; \r\n\r\n")


def run(tool, args, env, stdout):
    start = time.monotonic()
    child = subprocess.Popen([tool] + args, stdout=stdout, stderr=subprocess.PIPE, env=env)
    err = child.stderr.read().decode(errors="replace")
    _, status, usage = os.wait4(child.pid, 0)
    cpu = usage.ru_utime + usage.ru_stime
    return time.monotonic() - start, cpu, usage.ru_maxrss * 1024, status, err


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build")
    tool = os.path.join(build, "bin", "quorvantel-cli")
    worst = 0.0
    failed = False
    print(f"{'file':<12}{'command':<16}{'time s':>8}{'of 15 s':>9}{'cpu s':>7}{'peak MB':>9}"
          f"{'limit MB':>10}{'of limit':>10}")
    with tempfile.TemporaryDirectory() as scratch:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(scratch, "config"), LC_ALL="C")
        for name, write in (("tests-65536", tests_65536), ("name-100MB", name_100mb)):
            path = os.path.join(scratch, name + ".qvl")
            with open(path, "wb") as f:
                write(f)
            size = os.path.getsize(path)
            limit = 4 * size + 64 * MB
            out = os.path.join(scratch, "out")
            commands = [
                ("info", ["info", path]),
                ("info --json", ["info", path, "--json"]),
                ("export text", ["export", path, "-o", out]),
                ("export csv", ["export", path, "--format", "csv", "-o", out]),
                ("export json", ["export", path, "--format", "json", "-o", out]),
                ("report", ["report", path, "-o", out + ".pdf"]),
            ]
            print(f"{name} ({size / MB:.1f} MB)")
            for label, args in commands:
                with open(os.devnull, "wb") as null:
                    seconds, cpu, peak, status, err = run(tool, args, env, null)
                ok = status == 0
                failed = failed or not ok
                worst = max(worst, seconds / LIMIT_S, peak / limit)
                print(f"{'':<12}{label:<16}{seconds:>8.2f}{seconds / LIMIT_S:>9.0%}{cpu:>7.2f}"
                      f"{peak / MB:>9.1f}{limit / MB:>10.1f}{peak / limit:>10.0%}"
                      + ("" if ok else f"  FAILED: {err.strip()[:200]}"))
                if ok and err.strip() and label == "info":
                    print(f"{'':<12}  stderr: {err.strip()[:160]}")
            os.remove(path)
    print(f"worst ratio to a limit: {worst:.0%}")
    sys.exit(0 if worst < 1 and not failed else 1)


if __name__ == "__main__":
    main()
