"""Runs the package authors' tools on every example kit of the repository (each folder under examples/ that
holds a configuration file): the linter must find it clean, and the explainer must explain it, reading the
same prerequisites the linter reads.

Usage: check_examples.py EXAMPLES --lint LINTER... [--explain EXPLAINER...]
"""
import json
import subprocess
import sys
import tempfile
from pathlib import Path


def split_commands(arguments):
    commands, current = {}, None
    for argument in arguments:
        if argument in ("--lint", "--explain"):
            current = commands.setdefault(argument[2:], [])
        else:
            current.append(argument)
    return commands


def run(command, kit, *arguments):
    # Files, not pipes: a Wine process that starts the prefix's desktop hands its streams on to it.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run([*command, *arguments], cwd=kit, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                timeout=300)
        out.seek(0)
        err.seek(0)
        return result.returncode, out.read().decode("utf-8"), err.read().decode("utf-8", "replace")


def main():
    examples = Path(sys.argv[1])
    # The commands run inside each kit: paths given relative to here are made absolute.
    commands = {tool: [str(Path(a).resolve()) if Path(a).is_file() else a for a in command]
                for tool, command in split_commands(sys.argv[2:]).items()}
    failures = []
    kits = sorted(p.parent for p in examples.glob("*/*.ini"))
    if not kits:
        failures.append(f"no example kit under {examples}")
    for kit in kits:
        code, text, _ = run(commands["lint"], kit, ".")
        if code != 0 or not text.rstrip().endswith(": clean"):
            failures.append(f"{kit.name}: the linter does not find it clean:\n{text}")
        _, lint_json, _ = run(commands["lint"], kit, "--json", ".")
        names = json.loads(lint_json)["prerequisites"]
        if "explain" in commands:
            code, explained, errors = run(commands["explain"], kit, "--json", ".")
            if code not in (0, 1):
                failures.append(f"{kit.name}: the explainer failed with {code}: {errors}")
                continue
            report = json.loads(explained)
            if [p["name"] for p in report["prerequisites"]] != names:
                failures.append(f"{kit.name}: the explainer reads other prerequisites than the linter")
            code, text, _ = run(commands["explain"], kit, ".")
            if code != (1 if report["wouldAct"] else 0) or "Evaluation log:" not in text:
                failures.append(f"{kit.name}: the explainer's text report is incomplete:\n{text}")
        print(f"{kit.name}: {len(names)} prerequisites, checked")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
