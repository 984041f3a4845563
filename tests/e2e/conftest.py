"""Fixtures for end-to-end runs of chainer.exe under Wine.

The Wine prefix, the architecture and the build's bin folder come from the environment CTest sets
(WINEPREFIX, VELMORA_WINE_ARCH, VELMORA_BIN_DIR). Every kit is a fresh folder under pytest's tmp_path,
reached from Wine through Z:.
"""
import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

BIN_DIR = Path(os.environ.get("VELMORA_BIN_DIR", Path(__file__).resolve().parents[2] / "build/win/bin"))
RUN_TIMEOUT = 120


def wine_env(extra=None):
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    env.setdefault("WINEDLLOVERRIDES", "mscoree=;mshtml=")
    if extra:
        env.update(extra)
    return env


def to_windows_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def write_ini(path, text, bom=True):
    """Writes the configuration as the authoring tool does: UTF-16LE, byte-order mark, CR LF lines."""
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-16-le")
    Path(path).write_bytes((b"\xff\xfe" if bom else b"") + data)


class Kit:
    """A folder holding the chainer under a chosen name, with its configuration beside it."""

    def __init__(self, folder, exe_name="setup.exe"):
        self.folder = Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        self.exe = self.folder / exe_name
        shutil.copyfile(BIN_DIR / "chainer.exe", self.exe)

    def ini_path(self, name=None):
        return self.folder / (name or (self.exe.stem + ".ini"))

    def write_ini(self, text, name=None, bom=True):
        write_ini(self.ini_path(name), text, bom)

    def start(self, extra_env=None):
        return subprocess.Popen(["wine", str(self.exe)], env=wine_env(extra_env), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=self.folder)

    def run(self, extra_env=None, timeout=RUN_TIMEOUT):
        """Runs the chainer to its end and returns its exit code as a signed 32-bit number."""
        process = self.start(extra_env)
        try:
            code = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            raise
        return code - 256 if code > 127 else code


@pytest.fixture
def kit(tmp_path):
    return Kit(tmp_path / "kit")


@pytest.fixture
def make_kit(tmp_path):
    def make(exe_name, subfolder="kit"):
        return Kit(tmp_path / subfolder, exe_name)
    return make


def log_messages(path):
    """The messages of a log file without their time stamps (the header and the closing line left out)."""
    text = Path(path).read_bytes().decode("utf-16-le").lstrip("\ufeff")
    messages = []
    for line in text.split("\r\n"):
        # "yyyy-mm-dd hh-mm-ss-" then the message
        if len(line) > 20 and line[4] == "-" and line[10] == " " and line[19] == "-":
            messages.append(line[20:])
    return [m for m in messages if not m.startswith("=====")]


def reg(*arguments):
    """Runs Wine's reg tool and returns its exit code."""
    return subprocess.run(["wine", "reg", *arguments], env=wine_env(), stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


INTERBOOT_KEY = "HKCU\\InterbootContext"


@pytest.fixture
def interboot_value():
    """Records a value in the interboot store as an earlier run would; the key is removed afterwards."""
    def record(name="Earlier", data="3010"):
        assert reg("add", INTERBOOT_KEY, "/v", name, "/d", data, "/f") == 0
    yield record
    reg("delete", INTERBOOT_KEY, "/f")


def interboot_key_exists():
    return reg("query", INTERBOOT_KEY) == 0


def wait_for(predicate, timeout=30.0, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return predicate()
