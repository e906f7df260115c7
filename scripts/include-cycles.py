#!/usr/bin/env python3
"""include-cycles.py [ROOT] [--modules]

Prints the include cycles among the sources under src/ and tools/ and exits 1 when there is one.
A header and its .cpp count as one node, so a .cpp that includes a header which includes the
.cpp's own header back is a cycle too. With --modules a node is a folder (a subsystem such as
src/core/link), which keeps the dependencies between subsystems pointing one way.

A quoted include is looked up beside the including file first, then in the include roots the
CMake targets give (src/core, src/gui, src, tools/emulator, tools)."""
import os
import re
import sys

ROOTS = ["src/core", "src/gui", "src", "tools/emulator", "tools"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(root):
    for top in ("src", "tools"):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in names:
                if name.endswith((".h", ".hpp", ".cpp")):
                    yield os.path.relpath(os.path.join(folder, name), root)


def edges(root, node_of):
    files = set(sources(root))
    graph = {}
    for f in sorted(files):
        with open(os.path.join(root, f), encoding="utf-8", errors="replace") as text:
            names = INCLUDE.findall(text.read())
        for name in names:
            for base in [os.path.dirname(f)] + ROOTS:
                target = os.path.normpath(os.path.join(base, name))
                if target in files:
                    if node_of(target) != node_of(f):
                        graph.setdefault(node_of(f), set()).add(node_of(target))
                    break
    return graph


def cycles(graph):
    """Strongly connected components with more than one node (Tarjan, iterative)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))
    return found


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    root = args[0] if args else "."
    if "--modules" in sys.argv[1:]:
        node_of = os.path.dirname
    else:
        node_of = lambda path: os.path.splitext(path)[0]
    found = cycles(edges(root, node_of))
    for component in found:
        print("cycle: " + " <-> ".join(component))
    print(f"include cycles: {len(found)}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
