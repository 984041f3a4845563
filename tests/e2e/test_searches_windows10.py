"""Searches whose behaviour changes with Windows 10: file versions under the Windows folder are read from a
temporary copy, and package searches ask the package manager. On a private prefix whose version values are
switched between Windows 7 and Windows 10 (the shared prefix keeps its Windows 7 for the other tests)."""
import os
import shutil
import subprocess
from pathlib import Path

import pytest

from conftest import BIN_DIR, IS_64BIT_PROCESS, boot_prefix, log_messages, wine, wine_env

VERSION_KEY = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion"
ARCH = os.environ.get("VELMORA_WINE_ARCH", "win32")
FOUND = "An acceptable version was found."
MISSING = "No acceptable version found. It must be installed from package."


class Machine:
    """A prefix of its own; the chainer reads its version values in the 64-bit view."""

    def __init__(self, prefix, env):
        self.prefix = prefix
        self.env = env

    def reg(self, *arguments):
        view = ["/reg:64"] if ARCH == "win64" else []
        return subprocess.run(wine("reg", *arguments, "/f", *view), env=wine_env(self.env),
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=60).returncode

    def set_value(self, name, value, kind="REG_SZ"):
        if value is None:
            self.reg("delete", VERSION_KEY, "/v", name)
        else:
            assert self.reg("add", VERSION_KEY, "/v", name, "/t", kind, "/d", str(value)) == 0

    def emulate_windows_10(self, windows_10):
        self.set_value("CurrentMajorVersionNumber", 10 if windows_10 else None, "REG_DWORD")
        self.set_value("CurrentMinorVersionNumber", 0 if windows_10 else None, "REG_DWORD")
        self.set_value("CurrentVersion", "6.3" if windows_10 else "6.1")
        self.set_value("CurrentBuildNumber", "19045" if windows_10 else "7601")

    @property
    def windows(self):
        return self.prefix / "drive_c" / "windows"

    def temporary_copies(self):
        """Files named the way GetTempFileNameW names the "shim_clone" copies, anywhere under the users."""
        return sorted((self.prefix / "drive_c" / "users").rglob("shi*.tmp"))


@pytest.fixture(scope="module")
def machine(tmp_path_factory):
    prefix = tmp_path_factory.mktemp("windows10") / "prefix"
    env = {"WINEPREFIX": str(prefix), "WINEARCH": ARCH}
    boot_prefix(env)
    yield Machine(prefix, env)
    subprocess.run(["sh", "-c", "(wineserver -k; wineserver -w) </dev/null >/dev/null 2>&1"],
                   env=wine_env(env), timeout=60)
    shutil.rmtree(prefix, ignore_errors=True)


def run(kit, machine, prerequisites):
    """Runs the chainer silently on the machine; returns the run's messages."""
    listed = "".join(f"App{i}={name}\n" for i, name in enumerate(prerequisites, 1))
    text = f"[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nLogFile=run.log\n[PREREQUISITES]\n{listed}"
    for i, keys in enumerate(prerequisites.values(), 1):
        text += f"[App{i}]\nSetupFile=s.exe\n" + "".join(f"{key}={value}\n" for key, value in keys.items())
    kit.write_ini(text)
    kit.run(extra_env=machine.env)
    return log_messages(kit.folder / "run.log")


def first_results(messages):
    """Prerequisite name to the text of its first "Search result:" line."""
    results = {}
    current = None
    for message in messages:
        if message.startswith("Searching for:"):
            current = message[len("Searching for:"):]
        elif message.startswith("Search result:") and current is not None:
            results.setdefault(current, message[len("Search result:"):])
            current = None
    return results


def file_search(path, ver_min, ver_max=""):
    keys = {"SearchType1": "0", "SearchString1": path, "VerMin1": ver_min}
    if ver_max:
        keys["VerMax1"] = ver_max
    return keys


@pytest.mark.parametrize("windows_10", [False, True], ids=["windows7", "windows10"])
def test_Searches_FileVersion_WindowsFolderFilesAreReadThroughATemporaryCopyFromWindows10On(
        kit, machine, windows_10):
    machine.emulate_windows_10(windows_10)
    shutil.copyfile(BIN_DIR / "exit_with.exe", machine.windows / "velmora_probe.exe")
    # The same name in both system folders of a 64-bit system: 1.2.3.4 in the 32-bit one, 10.0.65535.7 in
    # the native one. The copy is made with redirection off, so from Windows 10 on even a search without
    # the "x" option reads the native file through the path of the 32-bit view.
    wow64 = ARCH == "win64"
    if wow64:
        shutil.copyfile(BIN_DIR / "exit_with.exe", machine.windows / "syswow64" / "velmora_probe_sys.exe")
        shutil.copyfile(BIN_DIR / "exit_with_v10.exe", machine.windows / "system32" / "velmora_probe_sys.exe")
    else:
        shutil.copyfile(BIN_DIR / "exit_with.exe", machine.windows / "system32" / "velmora_probe_sys.exe")
    before = machine.temporary_copies()

    messages = run(kit, machine, {
        "WindowsFolder": file_search("[WindowsFolder]velmora_probe.exe", "1.2.3.4", "1.2.3.4"),
        "System32Native": file_search("[System32Folder]velmora_probe_sys.exe", "10.0"),
        "System32Redirected": file_search("[System32Folder]velmora_probe_sys.exe", "1.2.3.4", "1.2.3.4"),
    })
    # A 64-bit process is never redirected: it reads the native file whatever the system.
    native = wow64 and (windows_10 or IS_64BIT_PROCESS)
    assert first_results(messages) == {
        "WindowsFolder": FOUND,
        "System32Native": FOUND if native else MISSING,
        "System32Redirected": MISSING if native else FOUND,
    }
    assert machine.temporary_copies() == before, "a temporary copy was left behind"


@pytest.mark.parametrize("windows_10", [False, True], ids=["windows7", "windows10"])
def test_Searches_PackageVersion_AsksThePackageManagerOnlyFromWindows10On(kit, machine, windows_10):
    machine.emulate_windows_10(windows_10)
    messages = run(kit, machine, {
        "Package": {"SearchType1": "13", "SearchString1": "Microsoft.VCLibs.140.00?x86"},
    })
    assert first_results(messages) == {"Package": MISSING}
    # OS quirk (Wine 8): the package manager is not registered, so a search that asks it logs the failure.
    asked = any(m.startswith("Package search failed") for m in messages)
    assert asked == windows_10
