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
# The Wine loader of the build under test: `wine` for the 32-bit chainer, Wine's 64-bit loader for the 64-bit
# flavour (which runs where the machine starts no 32-bit code). Tests whose outcome follows the process's
# bitness ask IS_64BIT_PROCESS.
WINE = os.environ.get("VELMORA_WINE", "wine")
IS_64BIT_PROCESS = os.environ.get("VELMORA_FLAVOUR", "i686") == "x86_64"


def wine(*arguments):
    """The command line that runs a Windows program (or a Wine tool such as reg) under the build's Wine."""
    return [WINE, *(str(a) for a in arguments)]


def boot_prefix(env, timeout=300):
    """Starts the server of a private prefix and boots it, with every stream redirected (Wine's services
    would otherwise hold the caller's pipes open)."""
    subprocess.run(["sh", "-c", '(wineserver -p; "$0" cmd /c exit) </dev/null >/dev/null 2>&1', WINE],
                   env=wine_env(env), check=True, timeout=timeout)
    # OS quirk (Wine 8): where the machine runs no 32-bit code a 64-bit prefix boots without SysWOW64, which
    # 64-bit Windows always has (see tests/WineTests.cmake).
    if env.get("WINEARCH") == "win64":
        (Path(env["WINEPREFIX"]) / "drive_c/windows/syswow64").mkdir(parents=True, exist_ok=True)


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
        return subprocess.Popen(wine(self.exe), env=wine_env(extra_env), stdin=subprocess.DEVNULL,
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
    return subprocess.run(wine("reg", *arguments), env=wine_env(), stdin=subprocess.DEVNULL,
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


def cancel_when_shown(kit, text):
    """Presses Cancel in the kit's processing window once it shows the text, as the person at the machine
    would."""
    return subprocess.run(wine(BIN_DIR / "window_probe.exe", to_windows_path(kit.exe), "Velmora Setup", "60000",
                               "--cancel-when", text),
                          env=wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=120).returncode


def reg_value(key, name):
    """The text of a registry value as Wine's reg tool shows it (name "" for the default value), or None when
    it cannot be read."""
    which = ["/v", name] if name else ["/ve"]
    result = subprocess.run(wine("reg", "query", key, *which), env=wine_env(), stdin=subprocess.DEVNULL,
                            capture_output=True)
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[0] == (name or "(Default)") and parts[1].startswith("REG_"):
            return parts[2]
    return None


def to_unix_path(windows_path):
    """The Linux path of a path on Wine's Z: (the Linux root) or C: (the prefix's drive_c)."""
    drive, rest = windows_path[:2].upper(), windows_path[2:].replace("\\", "/").lstrip("/")
    if drive == "Z:":
        return Path("/") / rest
    if drive == "C:":
        return Path(os.environ["WINEPREFIX"]) / "drive_c" / rest
    raise ValueError(windows_path)


@pytest.fixture
def temp_folder():
    """Points the prefix user's temporary folder (TMP and TEMP of HKCU\\Environment, which Wine puts in the
    environment of every program it starts) at a folder of the test's own; the old values come back after."""
    key = "HKCU\\Environment"
    saved = {name: reg_value(key, name) for name in ("TMP", "TEMP")}

    def use(folder):
        Path(folder).mkdir(parents=True, exist_ok=True)
        for name in saved:
            assert reg("add", key, "/v", name, "/d", to_windows_path(folder), "/f") == 0
    yield use
    for name, value in saved.items():
        if value is None:
            reg("delete", key, "/v", name, "/f")
        else:
            reg("add", key, "/v", name, "/d", value, "/f")


class PowerShellRecorder:
    """powershell.exe of the prefix replaced by tests/helpers' stand-in, which records how it was started."""

    RECORD_VARIABLE = "VELMORA_POWERSHELL_RECORD"

    def __init__(self, folder):
        self.record = Path(folder) / "powershell-start.txt"
        self.env = {self.RECORD_VARIABLE: to_windows_path(self.record)}

    def started(self, timeout=30.0):
        """The start as a dict (cmdline, cwd, show, args), or None when PowerShell did not start in time."""
        if not wait_for(self.record.exists, timeout=timeout):
            return None
        start = {"args": []}
        for line in self.record.read_text(encoding="utf-8").split("\n"):
            name, _, value = line.partition("=")
            if name == "arg":
                start["args"].append(value)
            elif name:
                start[name] = value
        return start


def _replace_file(target, data):
    # A new file renamed into place: a stand-in of an earlier test may still be running from the old one.
    partial = target.with_name(target.name + ".new")
    partial.write_bytes(data)
    partial.chmod(0o755)
    os.replace(partial, target)


@pytest.fixture
def powershell(tmp_path):
    # The 32-bit chainer on a 64-bit prefix finds the one in syswow64; a 64-bit one finds system32's.
    windows = Path(os.environ["WINEPREFIX"]) / "drive_c" / "windows"
    targets = [windows / system / "WindowsPowerShell" / "v1.0" / "powershell.exe"
               for system in ("system32", "syswow64") if (windows / system).is_dir()]
    originals = {target: target.read_bytes() if target.exists() else None for target in targets}
    standin = (BIN_DIR / "powershell_standin.exe").read_bytes()
    for target in targets:
        target.parent.mkdir(parents=True, exist_ok=True)
        _replace_file(target, standin)
    yield PowerShellRecorder(tmp_path)
    for target, original in originals.items():
        if original is None:
            target.unlink()
        else:
            _replace_file(target, original)


SERVERS_DIR = Path(__file__).resolve().parents[1] / "transfer" / "servers"


def configuration(options, *prerequisites, general=""):
    """A configuration logging to run.log beside the chainer; each prerequisite a dict of its keys and name;
    general adds lines to [GeneralOptions]."""
    names = "".join(f"App{i}={p['name']}\n" for i, p in enumerate(prerequisites, 1))
    text = (f"[GeneralOptions]\nOptions={options}\n{general}[PREREQ_CHAINER]\nLogFile=run.log\n"
            f"[PREREQUISITES]\n{names}")
    for i, p in enumerate(prerequisites, 1):
        text += f"[App{i}]\n" + "".join(f"{k}={v}\n" for k, v in p.items() if k != "name")
    return text


def helper(kit, name, exit_code, marker=None, **keys):
    """A prerequisite whose setup file is exit_with.exe in the kit; with a marker it creates that HKCU key
    and is found by it afterwards."""
    shutil.copyfile(BIN_DIR / "exit_with.exe", kit.folder / "helper.exe")
    arguments = f"{exit_code} - 0" + (f" \"{marker}\"" if marker else "")
    search_key = marker or "Software\\VelmoraE2E\\never-there"
    return {"name": name, "SetupFile": "helper.exe", "NoUiCommandLine": arguments,
            "BasicUiCommandLine": arguments, "SearchType1": "5", "SearchString1": "HKCU\\" + search_key, **keys}


@pytest.fixture
def registry_key():
    """A private HKCU key (relative to HKCU) under which the helpers leave their marks."""
    import uuid
    key = "Software\\VelmoraE2E\\" + uuid.uuid4().hex
    yield key
    reg("delete", "HKCU\\" + key, "/f")


class TransferServers:
    """The transfer engine's test servers on 127.0.0.1 (tests/transfer/servers/transfer_servers.py): HTTP
    (http, and a second server http2), a proxy (proxy_port) and an FTP server that admits no anonymous login
    (ftp_login), the last two serving the build's programs as the HTTP servers do under /bin/."""

    def __init__(self, work):
        def port(name):
            return (work / f"{name}.port").read_text().strip()
        self.http = f"http://127.0.0.1:{port('http')}"
        self.http2 = f"http://127.0.0.1:{port('http2')}"
        self.proxy_port = port("proxy")
        self.ftp_login = f"ftp://127.0.0.1:{port('ftp_login')}"

    def requests(self, name):
        """What the HTTP server saw for a name: "<path> range=<Range> ..." lines."""
        import urllib.request
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        with opener.open(f"{self.http}/requests/{name}", timeout=30) as answer:
            return [line for line in answer.read().decode().splitlines() if line]


@pytest.fixture(scope="session")
def transfer_servers(tmp_path_factory):
    """Starts the test servers for the whole session, serving the build's programs under /bin/; they are
    stopped by their PID at the end (and end by themselves after a while in any case)."""
    import sys
    work = tmp_path_factory.mktemp("servers")
    port_file = work / "http.port"
    server = subprocess.Popen([sys.executable, str(SERVERS_DIR / "transfer_servers.py"), "--port-file", str(port_file),
                               "--serve-dir", str(BIN_DIR), "--ftp-root", str(BIN_DIR),
                               "--ftp-port-file", str(work / "ftp.port"), "--port-dir", str(work),
                               "--lifetime", "1800"],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    try:
        # The HTTP server's port is written last, once every server listens.
        assert wait_for(port_file.exists, 30), "the test servers did not start"
        yield TransferServers(work)
    finally:
        server.terminate()
        server.wait(10)


def pattern(size):
    """The bytes of every file the test servers make up (their /range/, /flaky/, ... paths)."""
    return bytes(((i * 7) + (i >> 9)) & 0xFF for i in range(size))


@pytest.fixture
def network_provider(tmp_path):
    """Lists tests/helpers' network provider in the prefix while the test runs: Windows' router then hands it
    the connections a program makes, and it records them. Yields the record file (the chainer must get
    VELMORA_NETPROVIDER_RECORD pointing at it)."""
    order_key = "HKLM\\System\\CurrentControlSet\\Control\\NetworkProvider\\Order"
    service_key = "HKLM\\System\\CurrentControlSet\\Services\\VelmoraTestNet"
    saved_order = reg_value(order_key, "ProviderOrder")
    order = "VelmoraTestNet" + ("," + saved_order if saved_order else "")
    assert reg("add", order_key, "/v", "ProviderOrder", "/d", order, "/f") == 0
    assert reg("add", service_key + "\\NetworkProvider", "/v", "ProviderPath", "/d",
               to_windows_path(BIN_DIR / "velmora_netprovider.dll"), "/f") == 0
    assert reg("add", service_key + "\\NetworkProvider", "/v", "Name", "/d", "Velmora Test Network", "/f") == 0
    yield tmp_path / "connections.txt"
    reg("delete", service_key, "/f")
    if saved_order is None:
        reg("delete", order_key, "/v", "ProviderOrder", "/f")
    else:
        reg("add", order_key, "/v", "ProviderOrder", "/d", saved_order, "/f")
