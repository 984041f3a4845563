#!/usr/bin/env python3
"""Fails when an #include climbs from a layer to one that is not below it, or closes a cycle between folders.

The layers are the top-level folders that call velmora_layer() in their CMakeLists.txt (cmake/Layers.cmake):
each names the layers below it, and the build links only those. This check reads the same calls, so the
build and the includes state one architecture:
  - a file of layer A may include from A itself and from the layers below A (named by A, or below those);
  - a file in a pure/ folder includes only from pure/ folders (they build natively, without Windows);
  - the tools in cli/ sit on top and may include any layer; no layer includes them;
  - between folders (a layer's own pure/ and sub-folders among them) the include graph has no cycle.
Tests, tools and benchmarks may include anything.

Usage: tools/check-layers.py [ROOT]
"""

import os
import re
import sys
from collections import defaultdict

TOOL_FOLDERS = ("cli",)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
LAYER_CALL = re.compile(r"velmora_layer\(\s*(\w+)((?:\s+\w+)*?)\s*(?:\bPURE\b|\bWINDOWS\b|\))", re.S)


def declared_layers(root):
    """{folder: set of folders below it} from each top-level folder's velmora_layer() call."""
    below = {}
    for folder in sorted(os.listdir(root)):
        cmake = os.path.join(root, folder, "CMakeLists.txt")
        if folder.startswith(".") or not os.path.isfile(cmake):
            continue
        with open(cmake, encoding="utf-8") as text:
            match = LAYER_CALL.search(text.read())
        if not match:
            continue
        if match.group(1) != folder:
            sys.exit(f"{folder}/CMakeLists.txt declares layer {match.group(1)}: a layer is named by its folder")
        words = match.group(2).split()
        below[folder] = set(words[1:]) if words[:1] == ["BELOW"] else set()
    return below


def closure(below):
    """{layer: every layer under it}, failing on a layer that names an unknown or higher one."""
    under = {}

    def walk(layer, path):
        if layer in path:
            sys.exit("Layers below each other in a circle: " + " -> ".join(path + [layer]))
        if layer not in under:
            found = set()
            for lower in below[layer]:
                if lower not in below:
                    sys.exit(f"Layer {layer} names {lower} below it, which is no layer")
                found |= {lower} | walk(lower, path + [layer])
            under[layer] = found
        return under[layer]

    for layer in below:
        walk(layer, [])
    return under


def includes(root, tops):
    """(source folder, file:line, included path) for every project include in the given top folders."""
    for top in tops:
        for directory, _, files in os.walk(os.path.join(root, top)):
            folder = os.path.relpath(directory, root).replace(os.sep, "/")
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                with open(os.path.join(directory, name), encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if match and match.group(1).split("/")[0] in tops:
                            yield folder, f"{folder}/{name}:{number}: {match.group(1)}", match.group(1)


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
    below = declared_layers(root)
    under = closure(below)
    tops = tuple(below) + TOOL_FOLDERS
    problems = []
    edges = defaultdict(set)
    evidence = defaultdict(list)
    for folder, where, target in includes(root, tops):
        source_layer, target_layer = folder.split("/")[0], target.split("/")[0]
        target_folder = os.path.dirname(target)
        if "pure" in folder.split("/") and "pure" not in target_folder.split("/"):
            problems.append(f"pure folder includes a folder that is not pure: {where}")
        if target_layer in TOOL_FOLDERS and source_layer not in TOOL_FOLDERS:
            problems.append(f"layer {source_layer} includes the tools: {where}")
        elif source_layer in below and target_layer != source_layer and target_layer not in under[source_layer]:
            problems.append(f"layer {source_layer} includes {target_layer}, which is not below it: {where}")
        if target_folder != folder:
            edges[folder].add(target_folder)
            evidence[(folder, target_folder)].append(where)
    for component in cycles(edges):
        problems.append("include cycle between " + ", ".join(component) + ":\n" + "\n".join(
            "    " + line for source in component for target in sorted(edges[source] & set(component))
            for line in evidence[(source, target)]))
    for problem in problems:
        print(problem[0].upper() + problem[1:])
    if not problems:
        folders = set(edges) | set().union(*edges.values())
        print(f"{len(below)} layers and {len(folders)} source folders: every include points below, no cycle.")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
