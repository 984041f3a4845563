"""The operating system as the registry tells it: the log header's OS line and the exclusion lists of the
prerequisites, on a private prefix whose version values are rewritten to stand for other Windows versions
(the shared prefix keeps its Windows 7 for the other tests)."""
import os
import shutil
import subprocess

import pytest

from conftest import boot_prefix, log_messages, wine, wine_env

VERSION_KEY = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion"
OPTIONS_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions"
ARCH = os.environ.get("VELMORA_WINE_ARCH", "win32")
BITS = "x64" if ARCH == "win64" else "x86"
OTHER_BITS = "x86" if BITS == "x64" else "x64"
CATCH_ALL = {
    "x64": "Windows XP/Vista/Windows 7/Windows 8 x64/Windows 8.1 x64/Windows 10 x64/Windows 11 x64",
    "x86": "Windows 9x/ME/NT/2000/XP/Vista/Windows 7/Windows 8 x86/Windows 8.1 x86/Windows 10 x86",
}


class Machine:
    """A prefix of its own whose version values the tests set; the chainer reads them in the 64-bit view."""

    def __init__(self, env):
        self.env = env

    def reg(self, *arguments):
        view = ["/reg:64"] if ARCH == "win64" else []
        return subprocess.run(wine("reg", *arguments, "/f", *view), env=wine_env(self.env),
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=60).returncode

    def set_value(self, key, name, value, kind="REG_SZ"):
        if value is None:
            self.reg("delete", key, "/v", name)
        else:
            assert self.reg("add", key, "/v", name, "/t", kind, "/d", str(value)) == 0

    def emulate(self, major=None, minor=None, current_version=None, build=None, branch=None, csd=None,
                product_type="WinNT"):
        """Sets every value the detection reads; None removes it."""
        self.set_value(VERSION_KEY, "CurrentMajorVersionNumber", major, "REG_DWORD")
        self.set_value(VERSION_KEY, "CurrentMinorVersionNumber", minor, "REG_DWORD")
        self.set_value(VERSION_KEY, "CurrentVersion", current_version)
        self.set_value(VERSION_KEY, "CurrentBuildNumber", build)
        self.set_value(VERSION_KEY, "BuildBranch", branch)
        self.set_value(VERSION_KEY, "CSDVersion", csd)
        self.set_value(OPTIONS_KEY, "ProductType", product_type)


@pytest.fixture(scope="module")
def machine(tmp_path_factory):
    prefix = tmp_path_factory.mktemp("emulated") / "prefix"
    env = {"WINEPREFIX": str(prefix), "WINEARCH": ARCH}
    boot_prefix(env)
    yield Machine(env)
    subprocess.run(["sh", "-c", "(wineserver -k; wineserver -w) </dev/null >/dev/null 2>&1"],
                   env=wine_env(env), timeout=60)
    shutil.rmtree(prefix, ignore_errors=True)


def names(template):
    """The lists of a prerequisite that names this system's bitness in its own list, with the other
    bitness's names in the other list."""
    own, other = template.format(bits=BITS), template.format(bits=OTHER_BITS)
    return {"WinNT64Versions": own, "WinNTVersions": other} if BITS == "x64" else \
        {"WinNTVersions": own, "WinNT64Versions": other}


def run(kit, machine, prerequisites):
    """Runs the chainer on the machine; returns the header's OS line and the run's messages."""
    listed = "".join(f"App{i}={name}\n" for i, name in enumerate(prerequisites, 1))
    text = f"[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nLogFile=run.log\n[PREREQUISITES]\n{listed}"
    for i, (name, keys) in enumerate(prerequisites.items(), 1):
        # Found at once: HKLM\Software exists on every system.
        text += f"[App{i}]\nSetupFile=s.exe\nSearchType1=5\nSearchString1=HKLM\\Software\n"
        text += "".join(f"{key}={value}\n" for key, value in keys.items())
    kit.write_ini(text)
    assert kit.run(extra_env=machine.env) == 0
    lines = (kit.folder / "run.log").read_bytes().decode("utf-16-le").split("\r\n")
    os_line = next(line for line in lines if line.startswith("OS Version: "))
    return os_line, log_messages(kit.folder / "run.log")


def excluded(messages):
    return [m[len("Wrong OS or Os language for:"):] for m in messages
            if m.startswith("Wrong OS or Os language for:")]


def test_windows_10_21h2_is_named_by_its_release_and_in_general(kit, machine):
    machine.emulate(major=10, minor=0, current_version="6.3", build="19044")
    os_line, messages = run(kit, machine, {
        "General": names("Windows 10 {bits}"),
        "Detailed": names("Windows 10 version 21H2 {bits}"),
        "OtherRelease": names("Windows 10 version 1909 {bits}"),
        "LaterItem": names("Windows 8 {bits}, Windows 10 {bits}"),
        "NoBlank": names("Windows 8 {bits},Windows 10 {bits}"),
        "Untrimmed": names("Windows 8 {bits},  Windows 10 {bits}"),
        "OtherCase": names("windows 10 {bits}"),
        "OtherList": {"WinNT64Versions" if BITS == "x86" else "WinNTVersions": f"Windows 10 {BITS}"},
    })
    assert os_line == f"OS Version: 10.0.19044 SP0 (workstation) [{BITS}]"
    assert excluded(messages) == ["General", "Detailed", "LaterItem"]
    assert messages[-1] == "No prerequisite must be installed."


@pytest.mark.parametrize("build, branch, os_line, detailed, general", [
    ("22000", "co_release", "11.0.22000", "Windows 11 version 21H2", "Windows 11"),
    ("22631", "RS_PRERELEASE", "11.0.22631", "Windows 11", "Windows 11"),
    ("22621", "ni_release", "10.0.22621", "Windows 10", "Windows 10"),
    ("22621", None, "10.0.22621", "Windows 10", "Windows 10"),
])
def test_windows_11_is_told_by_its_build_branch(kit, machine, build, branch, os_line, detailed, general):
    machine.emulate(major=10, minor=0, current_version="6.3", build=build, branch=branch)
    line, messages = run(kit, machine, {
        "Detailed": names(detailed + " {bits}"),
        "General": names(general + " {bits}"),
        "Windows 7": names("Windows 7 {bits}"),
    })
    assert line == f"OS Version: {os_line} SP0 (workstation) [{BITS}]"
    assert excluded(messages) == ["Detailed", "General"]


@pytest.mark.parametrize("product_type, kind", [("ServerNT", "server"), ("LanmanNT", "server"),
                                                ("WinNT", "workstation")])
def test_windows_8_1_from_current_version_with_its_product_type(kit, machine, product_type, kind):
    machine.emulate(current_version="6.3", build="9600", product_type=product_type)
    server_x64 = kind == "server" and BITS == "x64"
    name = "Windows Server 2012 R2 x64" if server_x64 else f"Windows 8.1 {BITS}"
    line, messages = run(kit, machine, {
        "ByName": {"WinNTVersions": name, "WinNT64Versions": name},
        "Workstation": names("Windows 8.1 {bits}"),
    })
    assert line == f"OS Version: 6.3.9600 SP0 ({kind}) [{BITS}]"
    assert excluded(messages) == (["ByName"] if server_x64 else ["ByName", "Workstation"])


def test_service_pack_comes_from_the_last_character_of_its_text(kit, machine):
    machine.emulate(current_version="6.0", build="6002", csd="Service Pack 2")
    line, messages = run(kit, machine, {
        "Detailed": names("Windows Vista SP2 {bits}"),
        "General": names("Windows Vista {bits}"),
        "Sp1": names("Windows Vista SP1 {bits}"),
    })
    assert line == f"OS Version: 6.0.6002 SP2 (workstation) [{BITS}]"
    assert excluded(messages) == ["Detailed", "General"]


def test_catch_all_list_excludes_every_system_of_its_bitness(kit, machine):
    machine.emulate(major=12, minor=0, build="30000")
    line, messages = run(kit, machine, {
        "CatchAll": names(CATCH_ALL[BITS].replace(BITS, "{bits}")),
        "OwnCatchAllOnly": {("WinNT64Versions" if BITS == "x64" else "WinNTVersions"): CATCH_ALL[BITS]},
        "CatchAllAndMore": names(CATCH_ALL[BITS].replace(BITS, "{bits}") + ", Windows 7 {bits}"),
        "Unidentified": {"WinNTVersions": "OsNotIdentified", "WinNT64Versions": "OsNotIdentified"},
    })
    assert line == f"OS Version: 12.0.30000 SP0 (workstation) [{BITS}]"
    assert excluded(messages) == ["CatchAll", "OwnCatchAllOnly", "Unidentified"]
