#!/usr/bin/env python3
"""Draws how the project's libraries and programs depend on each other, from what CMake knows:
docs/modules.dot (every edge) and, where Graphviz is installed, docs/modules.svg (the edges
that others do not imply).
Usage: scripts/module-graph.py [BUILD_FOLDER]   (default: build, configured)
"""
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAMS = {"quorvantel", "quorvantel-cli", "quorvantel-emulator"}


def ours(name):
    if name in PROGRAMS:
        return True
    return name.startswith("qv_") and not re.match(
        r"qv_(test|fuzz|data|manpage|changelog|version|gui_screens|.*_resources)", name)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    with tempfile.TemporaryDirectory() as work:
        subprocess.run(["cmake", "--graphviz=" + os.path.join(work, "all.dot"), build],
                       cwd=work, check=True, stdout=subprocess.DEVNULL)
        text = open(os.path.join(work, "all.dot")).read()
    names = dict(re.findall(r'"(node\d+)" \[ label = "([^"]+)"', text))
    edges = sorted({(names[a], names[b]) for a, b in re.findall(r'"(node\d+)" -> "(node\d+)"', text)
                    if ours(names.get(a, "")) and ours(names.get(b, ""))})
    lines = ["digraph modules {", "  rankdir=BT;", '  node [shape=box, fontname="sans-serif"];']
    for name in sorted({n for e in edges for n in e}):
        shape = ', shape=ellipse' if name in PROGRAMS else ''
        colour = ('"#dbe9f6"' if name.startswith("qv_gui") else
                  '"#fff2cc"' if name in PROGRAMS else '"#e2f0d9"')
        lines.append('  "%s" [style=filled, fillcolor=%s%s];' % (name, colour, shape))
    lines += ['  "%s" -> "%s";' % e for e in edges]
    lines.append("}")
    dot = os.path.join(ROOT, "docs", "modules.dot")
    with open(dot, "w") as f:
        f.write("\n".join(lines) + "\n")
    print("wrote", dot)
    try:
        # Drawn without the edges that others imply (tred), so that the layers show.
        reduced = subprocess.run(["tred", dot], check=True, capture_output=True).stdout
        subprocess.run(["dot", "-Tsvg", "-o", os.path.join(ROOT, "docs", "modules.svg")],
                       input=reduced, check=True)
        print("wrote docs/modules.svg")
    except FileNotFoundError:
        print("Graphviz's dot is not installed: docs/modules.svg not drawn")


if __name__ == "__main__":
    main()
