"""Servers and proxies that ask for a login, in front of the real chainer: the credentials dialog in basic UI
(answered by tests/helpers' credentials_answerer as a person would), one dialog per server for the whole run,
a clean failure in silent mode, and never a password in the log. The servers are the transfer engine's test
servers on 127.0.0.1; the proxy test runs on a prefix of its own whose Internet settings name the proxy."""
import os
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import BIN_DIR, SERVERS_DIR, boot_prefix, configuration, helper, log_messages, to_windows_path, wait_for, wine, wine_env

sys.path.insert(0, str(SERVERS_DIR))
from transfer_servers import ACCOUNTS, DOWNLOADS_REALM, FTP_PASSWORD, FTP_USER, PROXY_PASSWORD, PROXY_REALM, PROXY_USER  # noqa: E402

OWNER = "Velmora Setup"  # the processing window, which owns the dialog
EXPLANATION = "The server {} at {} requires a username and password. Please enter them below."
USER, PASSWORD = ACCOUNTS["alice"]
WRONG_PASSWORD = "Not-The-Pass9"
PASSWORDS = (PASSWORD, WRONG_PASSWORD, PROXY_PASSWORD, FTP_PASSWORD)


class Person:
    """credentials_answerer.exe watching for the chainer's credentials dialogs while a run goes on."""

    def __init__(self, folder, program, answers, env=None):
        self.record = Path(folder) / "dialogs.txt"
        self.stop = Path(folder) / "stop-answering"
        arguments = [a for pair in answers for a in (pair or ("-", "-"))]
        self.process = subprocess.Popen(
            wine(BIN_DIR / "credentials_answerer.exe", to_windows_path(self.record), to_windows_path(self.stop),
                 to_windows_path(program), OWNER, *arguments),
            env=wine_env(env), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def leave(self):
        """The dialogs seen, each a dict: title, explanation, ok (three Ok states as "0"/"1"), answer."""
        self.stop.write_text("done")
        self.process.wait(timeout=60)
        if not self.record.exists():
            return []
        visits = []
        for line in self.record.read_text(encoding="utf-8").splitlines():
            title, explanation, ok, answer = line.split("\t")
            visits.append({"title": title, "explanation": explanation, "ok": ok, "answer": answer})
        return visits


@pytest.fixture
def person(tmp_path, kit):
    """Starts the person who answers the dialogs of the kit's chainer, and of no other program."""
    started = []

    def start(*answers, env=None):
        started.append(Person(tmp_path, kit.exe, answers, env))
        return started[-1]
    yield start
    for p in started:
        if p.process.poll() is None:
            p.stop.write_text("done")
            p.process.wait(timeout=60)


def guarded(kit, name, base, marker_root, **keys):
    """A prerequisite fetched from the server's /auth/alice/ address: exit_with.exe, which leaves its marker
    key, under a file name of its own."""
    prerequisite = helper(kit, name, 0, f"{marker_root}\\{name}", **keys)
    del prerequisite["SetupFile"]
    prerequisite["Url"] = f"{base}/auth/alice/bin/exit_with.exe?{name}"
    prerequisite["Folder"] = f"?{name}.exe"
    return prerequisite


def run_configuration(kit, mode, *prerequisites):
    return configuration(mode, *prerequisites, general=f"DownloadFolder={to_windows_path(kit.folder / 'dl')}\n")


def log_of(kit):
    return log_messages(kit.folder / "run.log")


def assert_no_password(kit):
    text = (kit.folder / "run.log").read_bytes().decode("utf-16-le")
    for password in PASSWORDS:
        assert password not in text


def test_wrong_credentials_ask_again_and_cancel_fails_the_download(kit, registry_key, transfer_servers, person):
    answering = person((USER, WRONG_PASSWORD), None)
    kit.write_ini(run_configuration(kit, "b", guarded(kit, "Guarded", transfer_servers.http, registry_key)))
    assert kit.run() == 0  # optional: the run goes on without it
    visits = answering.leave()
    assert [v["answer"] for v in visits] == ["entered", "cancelled"]
    for visit in visits:
        # The realm is shown without the quotes the server sent it in.
        assert visit["title"] == "Connect to 127.0.0.1"
        assert visit["explanation"] == EXPLANATION.format("127.0.0.1", DOWNLOADS_REALM)
    # Ok is disabled until a user name is typed; the password alone is not enough.
    assert visits[0]["ok"] == "001"
    log = log_of(kit)
    assert any(m.startswith("Could not open ") and m.endswith("Error: 0xE0000012 XFER_AUTH_REQUIRED") for m in log)
    assert any(m.startswith("Download failed. Error:") for m in log)
    assert not any(m.startswith("Launching file:") for m in log)
    assert_no_password(kit)


def test_one_dialog_per_server_for_the_whole_run(kit, registry_key, transfer_servers, person):
    answering = person((USER, PASSWORD), (USER, PASSWORD))
    kit.write_ini(run_configuration(
        kit, "b",
        guarded(kit, "First", transfer_servers.http, registry_key, Options="m"),
        guarded(kit, "Second", transfer_servers.http, registry_key, Options="m"),
        guarded(kit, "Elsewhere", transfer_servers.http2, registry_key, Options="m")))
    assert kit.run() == 0
    # The second prerequisite on the same server needs no dialog; the other server asks for itself.
    visits = answering.leave()
    assert [v["answer"] for v in visits] == ["entered", "entered"]
    log = log_of(kit)
    assert log.count("Downloaded file was accepted.") == 3
    assert log.count("Return code of launched file:0") == 3
    assert_no_password(kit)


def test_silent_run_fails_cleanly_without_a_window(kit, registry_key, transfer_servers, person):
    answering = person((USER, PASSWORD))
    kit.write_ini(run_configuration(kit, "q", guarded(kit, "Guarded", transfer_servers.http, registry_key,
                                                      Options="m")))
    assert kit.run(timeout=60) == 1
    assert answering.leave() == []
    log = log_of(kit)
    assert any(m.endswith("Error: 0xE0000012 XFER_AUTH_REQUIRED") for m in log)
    assert any(m.startswith("Download failed. Error:") for m in log)
    assert_no_password(kit)


def test_realm_with_a_line_break_stays_one_log_line(kit, registry_key, transfer_servers):
    prerequisite = guarded(kit, "Guarded", transfer_servers.http, registry_key, Options="m")
    prerequisite["Url"] = prerequisite["Url"].replace("/auth/", "/authlines/")
    kit.write_ini(run_configuration(kit, "q", prerequisite))
    assert kit.run(timeout=60) == 1
    log = log_of(kit)
    asked = [m for m in log if m.startswith("Credentials are needed for ")]
    assert len(asked) == 1, log
    assert asked[0].endswith(' (realm "Velmora downloads 2026-01-01 00-00-00-Downloaded file was accepted.").')
    text = (kit.folder / "run.log").read_bytes().decode("utf-16-le")
    assert "\r2026-01-01" not in text


def test_ftp_server_refusing_anonymous_logins_asks_for_the_ftp_server(kit, registry_key, transfer_servers, person):
    answering = person((FTP_USER, FTP_PASSWORD))
    prerequisite = helper(kit, "Ftp", 0, registry_key + "\\Ftp", Options="m")
    del prerequisite["SetupFile"]
    prerequisite["Url"] = f"{transfer_servers.ftp_login}/exit_with.exe"
    kit.write_ini(run_configuration(kit, "b", prerequisite))
    assert kit.run() == 0
    visits = answering.leave()
    assert [(v["title"], v["explanation"], v["answer"]) for v in visits] == [
        ("Connect to 127.0.0.1", EXPLANATION.format("127.0.0.1", "FTP Server"), "entered")]
    assert "Return code of launched file:0" in log_of(kit)
    assert_no_password(kit)


ARCH = os.environ.get("VELMORA_WINE_ARCH", "win32")
INTERNET_SETTINGS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"


@pytest.fixture(scope="module")
def proxied_prefix(tmp_path_factory, transfer_servers):
    """A prefix of its own whose Internet settings send every request through the test proxy, given as
    address and port as a person would type it (an address: a machine without /etc/hosts cannot resolve
    localhost, and each run then waited on the name server)."""
    prefix = tmp_path_factory.mktemp("proxied") / "prefix"
    env = {"WINEPREFIX": str(prefix), "WINEARCH": ARCH}
    boot_prefix(env)
    for arguments in (["HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N"],
                      [INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1"],
                      [INTERNET_SETTINGS, "/v", "ProxyServer", "/d", f"127.0.0.1:{transfer_servers.proxy_port}"]):
        assert subprocess.run(wine("reg", "add", *arguments, "/f"), env=wine_env(env), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60).returncode == 0
    yield env
    subprocess.run(["sh", "-c", "(wineserver -k; wineserver -w) </dev/null >/dev/null 2>&1"],
                   env=wine_env(env), timeout=60)


def test_proxy_asking_for_credentials_is_named_by_its_host(kit, registry_key, transfer_servers, person,
                                                           proxied_prefix):
    answering = person((PROXY_USER, PROXY_PASSWORD), env=proxied_prefix)
    prerequisite = helper(kit, "Proxied", 0, registry_key + "\\Proxied", Options="m")
    del prerequisite["SetupFile"]
    prerequisite["Url"] = f"{transfer_servers.http}/private/bin/exit_with.exe"
    kit.write_ini(run_configuration(kit, "b", prerequisite))
    assert kit.run(extra_env=proxied_prefix) == 0
    visits = answering.leave()
    # The title names the proxy's host without its port.
    assert [(v["title"], v["explanation"], v["answer"]) for v in visits] == [
        ("Connect to 127.0.0.1", EXPLANATION.format("127.0.0.1", PROXY_REALM), "entered")]
    assert "Return code of launched file:0" in log_of(kit)
    assert_no_password(kit)
