"""What a prerequisite's file must pass before it runs: SHA256 beside MD5, the publisher's signature
(SignerThumbprint; tests/helpers/sign-test-files.sh signs exit_with.exe at build time with two test
certificates, and makes a copy whose signature it breaks), and the line that says what came instead of the
file. Every refused prerequisite is mandatory: it never runs, and the run ends with 1."""
import hashlib
import shutil
import urllib.request
import uuid

import pytest

from conftest import BIN_DIR, configuration, helper, log_messages, to_windows_path

HTML_SENTENCE = " It starts like an HTML page: probably an error or sign-in page, not the file."


def thumbprint(publisher):
    return (BIN_DIR / f"{publisher}_publisher.sha1").read_text().strip()


def refusal_lines(publisher_line):
    """The line of each refused signature, by the program served."""
    return {
        "exit_with.exe": "The file for Remote is not signed: ",
        "tampered_exit_with.exe": "The signature of the file for Remote is broken: the file was changed after it "
                                  "was signed: ",
        "other_signed_exit_with.exe": publisher_line,
    }


def run_download(kit, registry_key, url, **keys):
    """A mandatory download that creates its registry mark when it runs; returns the exit code and the log."""
    prerequisite = helper(kit, "Remote", 0, registry_key + "\\Remote", Options="m", Folder="?setup.exe", **keys)
    del prerequisite["SetupFile"]
    prerequisite["Url"] = url
    kit.write_ini(configuration("q", prerequisite, general=f"DownloadFolder={to_windows_path(kit.folder / 'dl')}\n"))
    return kit.run(), log_messages(kit.folder / "run.log")


def assert_ran(code, log):
    assert code == 0, log
    assert "Downloaded file was accepted." in log
    assert "Return code of launched file:0" in log


def assert_refused(code, log, line):
    assert code == 1, log
    rejected = log.index("Downloaded file was rejected.(Invalid size or MD5).")
    assert log[rejected + 1].startswith(line), log[rejected:]
    assert not any(m.startswith("Launching file:") for m in log)


@pytest.mark.parametrize("program", ["signed_exit_with.exe", "exit_with.exe", "tampered_exit_with.exe",
                                     "other_signed_exit_with.exe"])
def test_download_runs_only_when_signed_by_a_pinned_certificate(kit, registry_key, transfer_servers, program):
    code, log = run_download(kit, registry_key, f"{transfer_servers.http}/bin/{program}",
                             SignerThumbprint=f"{thumbprint('test').upper()}; 00")
    if program == "signed_exit_with.exe":
        assert_ran(code, log)
        return
    other = ("The file for Remote is signed by another certificate: Velmora Other Publisher, thumbprint "
             f"{thumbprint('other')}: ")
    assert_refused(code, log, refusal_lines(other)[program])
    assert log[log.index("Downloaded file was rejected.(Invalid size or MD5).") + 2].startswith("Received ")


@pytest.mark.parametrize("program", ["signed_exit_with.exe", "other_signed_exit_with.exe"])
def test_kit_file_runs_only_when_signed_by_a_pinned_certificate(kit, registry_key, program):
    prerequisite = helper(kit, "Kit", 0, registry_key + "\\Kit", Options="m", SignerThumbprint=thumbprint("test"))
    shutil.copyfile(BIN_DIR / program, kit.folder / "helper.exe")
    kit.write_ini(configuration("q", prerequisite))
    code = kit.run()
    log = log_messages(kit.folder / "run.log")
    if program == "signed_exit_with.exe":
        assert code == 0, log
        assert "Return code of launched file:0" in log
        return
    assert code == 1, log
    path = to_windows_path(kit.folder / "helper.exe")
    refused = log.index(f"The file to launch for Kit fails its signature check and is not launched: {path}")
    assert log[refused + 1] == (f"The file for Kit is signed by another certificate: Velmora Other Publisher, "
                                f"thumbprint {thumbprint('other')}: {path}")
    assert not any(m.startswith("Launching file:") for m in log)
    assert (kit.folder / "helper.exe").exists()


@pytest.mark.parametrize("matches", [True, False])
def test_download_runs_only_with_its_sha256(kit, registry_key, transfer_servers, matches):
    data = (BIN_DIR / "exit_with.exe").read_bytes()
    sha256 = hashlib.sha256(data if matches else b"another file").hexdigest()
    url = f"{transfer_servers.http}/bin/exit_with.exe"
    code, log = run_download(kit, registry_key, url, SHA256=sha256.upper(), MD5=hashlib.md5(data).hexdigest())
    if matches:
        assert_ran(code, log)
        return
    assert_refused(code, log, f"Received {len(data)} bytes, MD5 {hashlib.md5(data).hexdigest()}, SHA256 "
                              f"{hashlib.sha256(data).hexdigest()}, from {url}.")


# A captive portal or a server's error page comes with status 200: the line after the rejection says so.
def test_html_page_instead_of_the_file_is_named_as_such(kit, registry_key, transfer_servers):
    name = "signin" + uuid.uuid4().hex
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(f"{transfer_servers.http}/signin/page-{name}", timeout=30) as answer:
        page = answer.read()
    code, log = run_download(kit, registry_key, f"{transfer_servers.http}/redirect/signin/{name}",
                             SHA256=hashlib.sha256(b"the real file").hexdigest())
    assert_refused(code, log, f"Received {len(page)} bytes, SHA256 {hashlib.sha256(page).hexdigest()}, "
                              f"Content-Type text/html; charset=utf-8, from {transfer_servers.http}/signin/{name}."
                              + HTML_SENTENCE)
