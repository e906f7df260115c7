#!/usr/bin/env python3
"""Time and peak memory of `quorvantel-cli survey` on the largest logging block a results file
holds: 65 536 samples of all 16 quantities, once with the current values only (16 signals) and
once with current, minimum, average and maximum (64 signals), every 10 s.

Writes each file into a scratch folder, renders its survey report to PDF three times and
prints the wall time and the peak resident memory of each run against the limits (3 s,
200 MB), the page count and the PDF's size; then the time of the JSON survey alone.
Usage: bench/survey_pdf.py [BUILD_FOLDER]   (default: build)
"""
import math
import os
import subprocess
import sys
import tempfile
import time

from open_memory import HEAD

LIMIT_S = 3.0
LIMIT_MB = 200.0
SAMPLES = 65536

# A plausible course of each quantity (SI), so that limits and graphs have something to show.
BASES = [(21.5, 1.5), (45, 8), (9, 2), (0.15, 0.1), (500, 120), (400, 150), (80, 30), (60, 25),
         (3, 2), (0.6, 0.2), (22, 1.5), (0.2, 0.6), (8, 4), (18, 2), (800, 350), (1.5, 1)]


def value(q, stat, s):
    base, amplitude = BASES[q]
    v = base + amplitude * math.sin(2 * math.pi * s / 8640 + q) + ((s * 7 + q) % 13 - 6) * amplitude / 60
    return v + (stat - 2.5) * amplitude / 20 if stat else v


def block_file(f, statistics):
    codes = [4 * q + 1 + k for q in range(16) for k in range(statistics)]
    f.write(HEAD + b"$QUOR-Logger%\r\n$PROT%1\r\n$Logger Number%\r\n1\r\n")
    f.write(b"$ LOGGER 1 %\r$BuildingName%\rPlant\r$RoomName%\rHall\r$Logger Result Number%\r" +
            str(SAMPLES).encode() + b"\r$Logger Start Time%\r45358\r$Logger Interval%\r10\r" +
            b"$Logger Units%\rSI\r$Logger Signals%\r" + b"".join(b"%d;" % c for c in codes) +
            b"\r$Instrument Settings%\r1;45;0.6;0.4;0;1.2;0.7;\r\r")
    for s in range(SAMPLES):
        f.write(b"".join(b"%.2f;" % value((c - 1) // 4, (c - 1) % 4 if statistics > 1 else 0, s)
                         for c in codes) + b"\r")
    f.write(b"\r")


def run(args, env):
    start = time.monotonic()
    child = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    if status != 0:
        sys.exit(f"{' '.join(args)} failed: {child.stderr.read().decode(errors='replace')}")
    return seconds, usage.ru_maxrss / 1024


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build")
    tool = os.path.join(build, "bin", "quorvantel-cli")
    worst = 0.0
    with tempfile.TemporaryDirectory() as scratch:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(scratch, "config"))
        for statistics in (1, 4):
            source = os.path.join(scratch, f"block-{statistics}.qvl")
            with open(source, "wb") as f:
                block_file(f, statistics)
            print(f"65536 samples x {16 * statistics} signals "
                  f"({os.path.getsize(source) / 1e6:.1f} MB file)")
            out = os.path.join(scratch, "survey.pdf")
            # Every quantity with a limit: the graphs all carry a limit line.
            limits = []
            for q in range(16):
                limits += ["--limit", f"{4 * q + 1}:{BASES[q][0] + BASES[q][1] / 2:g}"]
            for n in range(3):
                seconds, mb = run([tool, "survey", source, "--block", "1", *limits, "-o", out], env)
                info = subprocess.run(["pdfinfo", out], capture_output=True, text=True).stdout
                pages = next((l.split()[-1] for l in info.splitlines() if l.startswith("Pages:")),
                             "?")
                print(f"  pdf run {n + 1}: {seconds:.2f} s ({seconds / LIMIT_S:.0%} of "
                      f"{LIMIT_S:.0f} s), peak {mb:.1f} MB ({mb / LIMIT_MB:.0%} of "
                      f"{LIMIT_MB:.0f} MB), {pages} pages, {os.path.getsize(out) / 1e6:.1f} MB of PDF")
                worst = max(worst, seconds / LIMIT_S, mb / LIMIT_MB)
            seconds, mb = run([tool, "survey", source, "--block", "1", *limits, "--json"], env)
            print(f"  json: {seconds:.2f} s, peak {mb:.1f} MB (opening the file included)")
            os.remove(source)
    sys.exit(0 if worst < 1 else 1)


if __name__ == "__main__":
    main()
