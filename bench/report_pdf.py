#!/usr/bin/env python3
"""Time and peak memory of `quorvantel-cli report` for 5000 tests with four value columns.

Writes the 5000-test file of open_memory.py (5000 tests x 67 values, 20 buildings of 50 rooms)
into a scratch folder, renders its report to PDF three times and prints the wall time and
the peak resident memory of each run against the limits (5 s, 200 MB), and the page count.
Usage: bench/report_pdf.py [BUILD_FOLDER]   (default: build)
"""
import os
import subprocess
import sys
import tempfile
import time

from open_memory import tests_5000

LIMIT_S = 5.0
LIMIT_MB = 200.0


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build")
    tool = os.path.join(build, "bin", "quorvantel-cli")
    worst = 0.0
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "tests-5000.qvl")
        with open(source, "wb") as f:
            tests_5000(f)
        out = os.path.join(scratch, "report.pdf")
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(scratch, "config"))
        for run in range(3):
            start = time.monotonic()
            child = subprocess.Popen([tool, "report", source, "--codes", "1,5,45,57", "-o", out],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
            _, status, usage = os.wait4(child.pid, 0)
            seconds = time.monotonic() - start
            if status != 0:
                sys.exit(f"report failed: {child.stderr.read().decode(errors='replace')}")
            mb = usage.ru_maxrss / 1024
            info = subprocess.run(["pdfinfo", out], capture_output=True, text=True).stdout
            pages = next((l.split()[-1] for l in info.splitlines() if l.startswith("Pages:")), "?")
            print(f"run {run + 1}: {seconds:.2f} s ({seconds / LIMIT_S:.0%} of {LIMIT_S:.0f} s), "
                  f"peak {mb:.1f} MB ({mb / LIMIT_MB:.0%} of {LIMIT_MB:.0f} MB), {pages} pages, "
                  f"{os.path.getsize(out) / 1e6:.1f} MB of PDF")
            worst = max(worst, seconds / LIMIT_S, mb / LIMIT_MB)
    sys.exit(0 if worst < 1 else 1)


if __name__ == "__main__":
    main()
