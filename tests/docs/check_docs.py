"""Keeps the examples of the package authors' pages true to files that tests run.

In docs/*.md every fenced block of configuration (```ini) is marked with the file it shows, on the line before
it: <!-- file: PATH --> (PATH from the repository's root). The block must be a run of whole lines of that file
(a UTF-16 configuration is read as the chainer reads it). Other blocks may be marked the same way (a log
excerpt and the expected.log that the end-to-end tests check). A block marked <!-- run: FOLDER --> that
starts with "$ chainer-lint" is run in FOLDER with the linter given here, and must show its output exactly, and
its exit code where a "$ echo $?" line follows. Every configuration under docs/examples must be shown
somewhere. docs/log.md names every line the chainer writes: the fixed start of each text handed to the
logger in the product's sources must appear there. Usage: check_docs.py ROOT LINTER
"""
import re
import shlex
import subprocess
import sys
from pathlib import Path

MARKER = re.compile(r"<!-- (file|run): (.+?) -->\s*$")
PRODUCT_FOLDERS = ("app", "config", "detection", "execution", "platform", "processing", "transfer", "ui")
# The transfer engine hands its failure lines to Failed()/FailedForTarget(), which log them in one place.
LOG_CALL = re.compile(r"\b(?:Log|LogLine|LogFailure|LogNote|Failed|FailedForTarget)\s*\(")
WIDE_TEXT = re.compile(r'L"((?:[^"\\]|\\.)*)"')


def file_lines(path):
    data = path.read_bytes()
    text = data[2:].decode("utf-16-le") if data[:2] == b"\xff\xfe" else data.decode("utf-8")
    return text.replace("\r\n", "\n").split("\n")


def blocks(page):
    """(marker kind, marker value, info string, lines, line number) of every fenced block of a page."""
    lines = page.read_text(encoding="utf-8").split("\n")
    at = 0
    while at < len(lines):
        if lines[at].startswith("```"):
            info = lines[at][3:].strip()
            end = next(i for i in range(at + 1, len(lines)) if lines[i].startswith("```"))
            marker = MARKER.match(lines[at - 1]) if at > 0 else None
            yield (marker.group(1) if marker else None, marker.group(2) if marker else None, info,
                   lines[at + 1:end], at + 1)
            at = end
        at += 1


def is_excerpt(shown, whole):
    return any(whole[i:i + len(shown)] == shown for i in range(len(whole) - len(shown) + 1))


def check_run(root, linter, folder, shown):
    """Runs every "$ chainer-lint ..." of the block and compares what it prints."""
    failures = []
    at = 0
    while at < len(shown):
        command = shown[at]
        if not command.startswith("$ chainer-lint "):
            at += 1
            continue
        end = next((i for i in range(at + 1, len(shown)) if shown[i].startswith("$ ")), len(shown))
        result = subprocess.run([linter, *shlex.split(command[len("$ chainer-lint "):])], cwd=root / folder,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
        output = result.stdout.decode("utf-8").rstrip("\n").split("\n")
        if output != shown[at + 1:end]:
            failures.append(f"{command} prints:\n" + "\n".join(output))
        if end < len(shown) and shown[end] == "$ echo $?" and shown[end + 1] != str(result.returncode):
            failures.append(f"{command} exits with {result.returncode}, not {shown[end + 1]}")
        at = end
    return failures


def undocumented_log_lines(root):
    """The fixed start of every log text in the product's sources that docs/log.md does not show, and how many
    texts were looked at (so that a renamed logging call cannot make the check pass by finding nothing)."""
    page = (root / "docs" / "log.md").read_text(encoding="utf-8")
    missing, seen = [], 0
    for folder in PRODUCT_FOLDERS:
        for source in sorted((root / folder).rglob("*.cpp")):
            text = source.read_text(encoding="utf-8")
            for call in LOG_CALL.finditer(text):
                literal = WIDE_TEXT.search(text, call.end(), call.end() + 120)
                if literal is None:
                    continue
                start = literal.group(1).replace('\\"', '"').replace("\\\\", "\\").split("%")[0].strip()
                if len(start) < 4:
                    continue
                seen += 1
                if start not in page:
                    line = text.count("\n", 0, call.start()) + 1
                    missing.append(f"{source.relative_to(root)}:{line}: \"{start}\" is not in docs/log.md")
    return missing, seen


def main():
    root, linter = Path(sys.argv[1]).resolve(), str(Path(sys.argv[2]).resolve())
    failures, shown_files, examples = [], set(), 0
    for page in sorted((root / "docs").glob("*.md")):
        for kind, value, info, lines, number in blocks(page):
            where = f"{page.relative_to(root)}:{number}"
            if kind == "file":
                path = root / value
                shown_files.add(path.resolve())
                examples += 1
                if not path.is_file():
                    failures.append(f"{where}: {value} does not exist")
                elif not is_excerpt(lines, file_lines(path)):
                    failures.append(f"{where}: the block is no run of lines of {value}")
            elif kind == "run":
                examples += 1
                failures += [f"{where}: {failure}" for failure in check_run(root, linter, value, lines)]
            elif info == "ini":
                failures.append(f"{where}: a configuration example without <!-- file: ... --> before it")
    for configuration in sorted((root / "docs" / "examples").glob("*/*.ini")):
        if configuration.resolve() not in shown_files:
            failures.append(f"{configuration.relative_to(root)} is shown on no page")
    missing, seen = undocumented_log_lines(root)
    failures += missing
    if seen < 40:
        failures.append(f"only {seen} log texts found in the sources: has the logger's interface changed?")
    for failure in failures:
        print(failure)
    print(f"{examples} examples checked, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
