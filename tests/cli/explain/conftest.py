"""Fixtures for chainer-explain runs under Wine. The Wine command, the prefix and the build's bin folder come
from the end-to-end helpers (tests/e2e/conftest.py), loaded here under a name of their own."""
import importlib.util
import json
import subprocess
import tempfile
import uuid
from pathlib import Path

import pytest

_spec = importlib.util.spec_from_file_location("velmora_e2e_support",
                                               Path(__file__).resolve().parents[2] / "e2e" / "conftest.py")
e2e = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(e2e)

EXPLAIN = e2e.BIN_DIR / "chainer-explain.exe"
EXIT_WITH = e2e.BIN_DIR / "exit_with.exe"


def configuration(*prerequisites, general="Options=q\n", chainer=""):
    """A configuration; each prerequisite a dict of its keys, its name under "name"."""
    names = "".join(f"App{i}={p['name']}\n" for i, p in enumerate(prerequisites, 1))
    text = f"[GeneralOptions]\n{general}{chainer}[PREREQUISITES]\n{names}"
    for i, p in enumerate(prerequisites, 1):
        text += f"[App{i}]\n" + "".join(f"{k}={v}\n" for k, v in p.items() if k != "name")
    return text


def explain(kit, *options, configuration="setup.ini"):
    """Runs the explainer from inside the kit on its setup.ini. Its output goes to files, not pipes: a Wine
    process that starts the prefix's desktop hands its streams on to it, and a pipe would then stay open
    until the desktop ends."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(e2e.wine(EXPLAIN, *options, configuration), cwd=kit, env=e2e.wine_env(),
                                stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=300)
        out.seek(0)
        err.seek(0)
        result.stdout, result.stderr = out.read(), err.read()
    return result


def explain_json(kit):
    result = explain(kit, "--json")
    assert result.returncode in (0, 1), result.stderr.decode("utf-8", "replace")
    report = json.loads(result.stdout.decode("utf-8"))
    # 1 tells a script that the run would do something.
    assert result.returncode == (1 if report["wouldAct"] else 0)
    return report


def snapshot(folder):
    """Every file and folder below folder, with the sizes of the files."""
    return sorted((str(p.relative_to(folder)), p.stat().st_size if p.is_file() else -1)
                  for p in Path(folder).rglob("*"))


@pytest.fixture
def kit(tmp_path):
    folder = tmp_path / "kit"
    folder.mkdir()
    return folder


@pytest.fixture
def registry_key():
    """A private HKCU key, removed afterwards."""
    key = "HKCU\\Software\\VelmoraExplain\\" + uuid.uuid4().hex
    assert e2e.reg("add", key, "/f") == 0
    yield key
    e2e.reg("delete", key, "/f")
