"""Runs the linter on every kit under kits/ (from inside the kit, on its setup.ini, with the options its
`arguments` file lists) and compares the report with the kit's expected.txt. Also checks that the --json
report holds the same findings, that the exit code is 1 exactly when there are errors, and that every kind
of finding the linter knows is shown by the kit named after it.

Usage: check_kits.py [--update] LINTER...   (LINTER: the command, e.g. `wine chainer-lint.exe`)
--update rewrites each expected.txt from the linter's output, to be reviewed before it is committed.
The kits' configurations are UTF-16LE with a byte-order mark, as the authoring tool writes them (except
where the kind is about the encoding): edit them with an editor that keeps the encoding.
"""
import json
import re
import subprocess
import sys
from pathlib import Path

KITS = Path(__file__).resolve().parent / "kits"
FINDING = re.compile(r"^setup\.ini(?::(\d+))?: (error|warning): .* \[([a-z0-9-]+)\]$")


def run(linter, kit, *options):
    arguments_file = kit / "arguments"
    arguments = arguments_file.read_text().split("\n") if arguments_file.exists() else []
    result = subprocess.run([*linter, *options, *[a for a in arguments if a], "setup.ini"], cwd=kit,
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    return result.returncode, result.stdout.decode("utf-8")


def findings_of(text):
    found = []
    for line in text.splitlines():
        match = FINDING.match(line)
        if match:
            found.append((int(match.group(1) or 0), match.group(2), match.group(3)))
    return found


def main():
    update = sys.argv[1] == "--update"
    linter = sys.argv[2:] if update else sys.argv[1:]
    # The linter runs inside each kit: a path given relative to here is made absolute.
    linter = [str(Path(a).resolve()) if Path(a).is_file() else a for a in linter]
    failures = []
    shown = set()
    for kit in sorted(p for p in KITS.iterdir() if p.is_dir()):
        code, text = run(linter, kit)
        expected_file = kit / "expected.txt"
        if update:
            expected_file.write_text(text, encoding="utf-8")
        expected = expected_file.read_text(encoding="utf-8")
        if text != expected:
            failures.append(f"{kit.name}: the report differs from expected.txt:\n{text}")
            continue
        findings = findings_of(text)
        errors = sum(1 for f in findings if f[1] == "error")
        if code != (1 if errors else 0):
            failures.append(f"{kit.name}: exit code {code} with {errors} errors")
        json_code, json_text = run(linter, kit, "--json")
        report = json.loads(json_text)
        # A finding about the whole file has no line: null, where the text shows none.
        from_json = [(f["line"] if f["line"] is not None else 0, f["severity"], f["kind"])
                     for f in report["findings"]]
        if any(f["line"] == 0 for f in report["findings"]) or report.get("formatVersion") != 2:
            failures.append(f"{kit.name}: the JSON report has a line 0 or another format version")
        if from_json != findings or json_code != code or report["errors"] != errors:
            failures.append(f"{kit.name}: the JSON report differs from the text one: {from_json} / {findings}")
        if kit.name != "clean" and kit.name not in {f[2] for f in findings}:
            failures.append(f"{kit.name}: the kit does not show the finding it is named after")
        shown.update(f[2] for f in findings)

    # "--" ends the options: the same report as without it.
    ended = [subprocess.run([*linter, *options, "setup.ini"], cwd=KITS / "clean", capture_output=True, timeout=120,
                            stdin=subprocess.DEVNULL) for options in ([], ["--"])]
    if ended[0].stdout != ended[1].stdout or ended[1].returncode != 0:
        failures.append("the report after -- differs")
    # A kit folder given with "/" is shown with the platform's separator, all through.
    separator = "\\" if any(a.lower().endswith(".exe") for a in linter) else "/"
    named = subprocess.run([*linter, "kits/clean"], cwd=KITS.parent, capture_output=True, timeout=120,
                           stdin=subprocess.DEVNULL).stdout.decode("utf-8")
    if not named.startswith(f"kits{separator}clean{separator}setup.ini: "):
        failures.append(f"the kit's file is shown as {named.split(': ')[0]}")
    version = subprocess.run([*linter, "--version"], capture_output=True, timeout=120, stdin=subprocess.DEVNULL)
    if version.returncode != 0 or not re.fullmatch(rb"chainer-lint \d+\.\d+\.\d+ \(Velmora package chainer\)\n",
                                                   version.stdout):
        failures.append(f"--version printed {version.stdout!r}")

    kinds = subprocess.run([*linter, "--list-kinds"], capture_output=True, timeout=120,
                           stdin=subprocess.DEVNULL).stdout.decode().split("\n")
    kinds = {line.split(" ")[0] for line in kinds if line}
    for kind in sorted(kinds - {p.name for p in KITS.iterdir()}):
        failures.append(f"no kit shows the finding kind {kind}")
    for kind in sorted(shown - kinds):
        failures.append(f"the kits show {kind}, which --list-kinds does not list")

    for failure in failures:
        print(failure)
    print(f"{len(list(KITS.iterdir()))} kits, {len(kinds)} kinds, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
