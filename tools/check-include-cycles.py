#!/usr/bin/env python3
"""Fails when the #include graph between the source folders of the product has a cycle.

Every folder that holds product sources is a layer: a subsystem (core/, detection/, ui/, ...), a part of
one (platform/core/, core/machine/, cli/lint/) or the pure/ folder of either, which is a library of its own
built natively too. A layer may include from layers below it only, so the graph between folders has no
cycle; this check names every include that closes one. Tests, tools and benchmarks may include anything.

Usage: tools/check-include-cycles.py [ROOT]
"""

import os
import re
import sys
from collections import defaultdict

SOURCE_ROOTS = ("core", "detection", "acquisition", "execution", "ui", "platform", "cli")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_graph(root):
    """(edges, evidence): folder -> folders it includes from, and the includes behind each edge."""
    edges = defaultdict(set)
    evidence = defaultdict(list)
    for top in SOURCE_ROOTS:
        for directory, _, files in os.walk(os.path.join(root, top)):
            folder = os.path.relpath(directory, root).replace(os.sep, "/")
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(directory, name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match or not match.group(1).startswith(tuple(t + "/" for t in SOURCE_ROOTS)):
                            continue
                        target = os.path.dirname(match.group(1))
                        if target != folder:
                            edges[folder].add(target)
                            evidence[(folder, target)].append(f"{folder}/{name}:{number}: {match.group(1)}")
    return edges, evidence


def cycles(edges):
    """The strongly connected components of more than one folder (Tarjan's algorithm)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for successor in sorted(edges.get(node, ())):
            if successor not in index:
                visit(successor)
                low[node] = min(low[node], low[successor])
            elif successor in on_stack:
                low[node] = min(low[node], index[successor])
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

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    edges, evidence = folder_graph(root)
    found = cycles(edges)
    for component in found:
        print("Include cycle between " + ", ".join(component) + ":")
        for source in component:
            for target in sorted(edges[source] & set(component)):
                for line in evidence[(source, target)]:
                    print("    " + line)
    if not found:
        print(f"No include cycle between {len(set(edges) | set().union(*edges.values()))} source folders.")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
