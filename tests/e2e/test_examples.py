"""The repository's example kits, run by the real chainer as their readers would run them: the demo kit of
tools/demo.sh with its download server, the kits of docs/examples, each with the exit code and the log
lines its page shows, and the example setups that start the chainer and act on its exit code."""
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import (BIN_DIR, IS_64BIT_PROCESS, RUN_TIMEOUT, configuration, log_messages, reg, to_windows_path,
                      wait_for, wine, wine_env)

ROOT = Path(__file__).resolve().parents[2]
DEMO = ROOT / "examples" / "demo"


@pytest.fixture
def demo_server(tmp_path):
    """tools/demo_server.py serving the demo's downloads at once (no pacing); yields its port."""
    port_file = tmp_path / "server.port"
    server = subprocess.Popen([sys.executable, str(ROOT / "tools" / "demo_server.py"), "--root",
                               str(DEMO / "download"), "--port-file", str(port_file), "--requests",
                               str(tmp_path / "requests.txt"), "--seconds", "0", "--lifetime", "300"],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    try:
        assert wait_for(port_file.exists, 30), "the demo server did not start"
        yield port_file.read_text().strip()
    finally:
        server.terminate()
        server.wait(10)


@pytest.fixture
def demo_keys():
    reg("delete", "HKCU\\Software\\Velmora", "/f")
    yield
    reg("delete", "HKCU\\Software\\Velmora", "/f")


def test_demo_kit_finds_one_installs_one_from_the_kit_and_one_downloaded(kit, demo_server, demo_keys):
    for name in ("setup.ini", "demo-install.cmd"):
        shutil.copyfile(DEMO / name, kit.folder / name)
    assert kit.run({"VELMORA_DEMO_PORT": demo_server}) == 0
    log = log_messages(kit.folder / "setup.log")
    start = log.index("Starting installing prerequisites in basic UI mode.")
    assert log[:2] == ["Searching for:Windows 7 or later", "Search result:An acceptable version was found."]
    assert log[start + 1:start + 5] == ["Starting download of:Velmora demo tools", "Download completed succesfully.",
                                        "Downloaded file was accepted.",
                                        f"Launching file:{to_windows_path(kit.folder)}\\demo-install.cmd"]
    assert log[start + 6].startswith("Launching file:") and log[start + 6].endswith("\\demo-tools-setup.cmd")
    assert log.count("Return code of launched file:0") == 2
    assert log[-3:] == ["Searching for:Velmora demo tools", "Search result:An acceptable version was found.",
                        "After running prerequisites we have:  Reboot was required=false"]


DOCS_EXAMPLES = sorted(p.parent for p in (ROOT / "docs" / "examples").glob("*/expected.log"))
# The kit folder as the pages show it.
DOCS_KIT = "D:\\Kit"


@pytest.fixture
def example_keys():
    reg("delete", "HKCU\\Software\\Velmora Examples", "/f")
    yield
    reg("delete", "HKCU\\Software\\Velmora Examples", "/f")


@pytest.mark.parametrize("example", DOCS_EXAMPLES, ids=[p.name for p in DOCS_EXAMPLES])
def test_docs_example_kit_runs_as_its_page_shows(kit, example, example_keys):
    """expected.log: "# exit code: N", then the log's messages, the kit's folder written as D:\\Kit."""
    for file in example.iterdir():
        if file.name != "expected.log":
            shutil.copyfile(file, kit.folder / file.name)
    first, *expected = (example / "expected.log").read_text(encoding="utf-8").splitlines()
    code = kit.run()
    log = [m.replace(to_windows_path(kit.folder), DOCS_KIT) for m in log_messages(kit.folder / "setup.log")]
    assert (code, log) == (int(first.removeprefix("# exit code: ")), expected)


CALLING = ROOT / "docs" / "examples" / "calling-setup"


@pytest.fixture(scope="module")
def nsis_product_setup(tmp_path_factory):
    """docs/examples/calling-setup/product-setup.nsi built by Debian's makensis for the flavour under test."""
    work = tmp_path_factory.mktemp("nsis")
    shutil.copyfile(CALLING / "product-setup.nsi", work / "product-setup.nsi")
    target = "amd64-unicode" if IS_64BIT_PROCESS else "x86-unicode"
    subprocess.run(["makensis", "-V1", f"-XTarget {target}", "product-setup.nsi"], cwd=work, check=True,
                   stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    return work / "product-setup.exe"


@pytest.mark.parametrize("caller", ["nsis", "batch"])
@pytest.mark.parametrize("case, setup_exit_code, says", [
    ("ready", 0, "installing Example Product"),
    ("missing", 1603, "could not be installed"),
    ("restart", 3010, "Run this setup again"),
    ("crashed", 1603, "ended unexpectedly (exit code -1073741819)"),
])
def test_calling_setup_acts_on_the_chainers_exit_code(make_kit, nsis_product_setup, example_keys, caller, case,
                                                     setup_exit_code, says):
    kit = make_kit("prerequisites.exe")
    found = {"SearchType1": "2", "SearchString1": "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion",
             "VerMin1": "5.0"}
    missing = {"SetupFile": "not-in-the-kit.exe", "Options": "m", "SearchType1": "5",
               "SearchString1": "HKCU\\Software\\Velmora Examples\\Never"}
    kit.write_ini(configuration("q", {"name": "Runtime", "SetupFile": "runtime.exe",
                                      **(missing if case == "missing" else found)}))
    env = {}
    # A restart and a crash are not for a test machine: a stand-in ends with the chainer's code for them.
    if case in ("restart", "crashed"):
        shutil.copyfile(BIN_DIR / "exit_with.exe", kit.exe)
        env["VELMORA_EXIT_WITH"] = "-1" if case == "restart" else "-1073741819"
    if caller == "nsis":
        shutil.copyfile(nsis_product_setup, kit.folder / "product-setup.exe")
        command = wine(kit.folder / "product-setup.exe", "/S")
    else:
        shutil.copyfile(CALLING / "product-setup.cmd", kit.folder / "product-setup.cmd")
        command = wine("cmd", "/c", to_windows_path(kit.folder / "product-setup.cmd"))
    result = subprocess.run(command, cwd=kit.folder, env=wine_env(env), stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=RUN_TIMEOUT)
    # Linux sees the low byte of a Windows exit code.
    assert result.returncode == setup_exit_code & 0xFF
    if caller == "batch":
        assert says in result.stdout.decode("utf-8", "replace")
    installed = reg("query", "HKCU\\Software\\Velmora Examples\\Product") == 0
    assert installed == (caller == "nsis" and case == "ready")
