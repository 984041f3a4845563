"""Kits as they arrive from the field, broken: each ends within a minute with its documented exit code and log,
and deletes nothing but what the kit lists (the configuration file itself, once it was read). Covered beside
the table: a configuration without byte-order mark, of one byte and of the mark alone (test_startup.py), and a
SetupFile that names a folder (test_processing.py)."""
import os
import random
import string
from pathlib import Path

import pytest

from conftest import configuration, helper, to_windows_path

NOT_INSTALLED = {"SearchType1": "5", "SearchString1": "HKCU\\Software\\VelmoraE2E\\never-there"}
END = "After running prerequisites we have:  Reboot was required=false"


def utf16(text, bom=True):
    return (b"\xff\xfe" if bom else b"") + text.replace("\n", "\r\n").encode("utf-16-le")


def truncated_in_a_character(kit, registry_key, servers):
    # The list of names comes last and the file ends inside the name's last character: half of its low
    # surrogate is there, so the byte count is odd and the name ends in a lone high surrogate.
    text = configuration("q", helper(kit, "Runtime \U0001F600", 0, registry_key + "\\Runtime", Options="m"))
    head, _, rest = text.partition("[PREREQUISITES]\n")
    names, _, app = rest.partition("[App1]\n")
    data = utf16(head + "[App1]\n" + app + "[PREREQUISITES]\n" + names.rstrip("\n"))
    return data[:-1]


def ten_thousand(kit, registry_key, servers):
    # Without searches every prerequisite is found; the last one is missing, mandatory and still missing after
    # its launch, so the exit code 1 says that the list was read to its end. Without a log: each of its lines
    # reaches the disk before the next, which takes a minute or more for 20,000 of them.
    found = [{"name": f"Component {n}", "SetupFile": "helper.exe"} for n in range(1, 10000)]
    return utf16(configuration("q", *found, helper(kit, "Last", 0, None, Options="m"))
                 .replace("LogFile=run.log", "LogFile="))


def wrong_case_sections(kit, registry_key, servers):
    return utf16(configuration("q", helper(kit, "Runtime", 0, registry_key + "\\Runtime", Options="m"))
                 .replace("[GeneralOptions]", "[generaloptions]").replace("[PREREQUISITES]", "[Prerequisites]"))


def wrong_case_keys(kit, registry_key, servers):
    return utf16(configuration("q", helper(kit, "Runtime", 0, registry_key + "\\Runtime", Options="m"))
                 .replace("SetupFile=", "Setupfile="))


def port_above_65535(kit, registry_key, servers):
    return utf16(configuration("q", {"name": "Remote", "Url": "http://127.0.0.1:70000/setup.exe", "Options": "m",
                                     **NOT_INSTALLED}))


def missing_drive():
    used = {p.name[0].upper() for p in (Path(os.environ["WINEPREFIX"]) / "dosdevices").iterdir()}
    return next(letter for letter in reversed(string.ascii_uppercase) if letter not in used)


def download_folder_on_missing_drive(kit, registry_key, servers):
    # The server answers, so the failure is the folder's.
    return utf16(configuration("q", {"name": "Remote", "Url": f"{servers.http}/bin/exit_with.exe", "Options": "m",
                                     **NOT_INSTALLED}, general=f"DownloadFolder={missing_drive()}:\\velmora\\dl\n"))


def starts(prefix):
    return lambda log: any(m.startswith(prefix) for m in log)


# name -> (the configuration's bytes, exit code, whether PREREQ_CHAINER is read (so the configuration file is
# deleted), the log's messages: None for no log, ... for any, and checks on them)
BAD_KITS = {
    "zero-bytes": (lambda kit, key, servers: b"", 0, False, None, []),
    "random-megabyte": (lambda kit, key, servers: random.Random(17).randbytes(1 << 20), 0, False, None, []),
    "truncated-in-a-character": (truncated_in_a_character, 0, True, ..., [
        lambda log: log[:2] == ["Searching for:Runtime \ud83d", "Search result:No acceptable version found. "
                                "It must be installed from package."],
        lambda log: "Return code of launched file:0" in log]),
    "ten-thousand-prerequisites": (ten_thousand, 1, True, None, []),
    # Names are compared exactly: the sections are not found, so there is nothing to do and nothing to log.
    "wrong-case-sections": (wrong_case_sections, 0, True, [], []),
    # A prerequisite without SetupFile, OpenSite or Url ends the list where it stands.
    "wrong-case-keys": (wrong_case_keys, 0, True, [], []),
    "port-above-65535": (port_above_65535, 1, True, ..., [
        starts("Could not open http://127.0.0.1:70000/setup.exe."), starts("Download failed. Error:"),
        lambda log: log[-1] == END]),
    "download-folder-on-missing-drive": (download_folder_on_missing_drive, 1, True, ..., [
        starts("Could not create the folder of "), starts("Download failed. Error:"),
        lambda log: log[-1] == END]),
}


@pytest.mark.parametrize("name", BAD_KITS)
def test_bad_kit_ends_with_its_documented_outcome(kit, registry_key, transfer_servers, name):
    make, exit_code, read, expected_log, checks = BAD_KITS[name]
    (kit.folder / "keep.txt").write_text("not listed anywhere")
    kit.ini_path().write_bytes(make(kit, registry_key, transfer_servers))
    before = {p.name for p in kit.folder.iterdir()}
    assert kit.run(timeout=60) == exit_code
    # Only the configuration file goes: it is the one file every kit lists whose PREREQ_CHAINER is read.
    after = {p.name for p in kit.folder.iterdir()}
    assert after - {"run.log"} == before - ({kit.ini_path().name} if read else set())
    log_path = kit.folder / "run.log"
    if expected_log is None:
        assert not log_path.exists()
        return
    text = log_path.read_bytes().decode("utf-16-le", "surrogatepass")
    log = [line[20:] for line in text.split("\r\n") if len(line) > 20 and line[19] == "-" and line[4] == "-"]
    log = [m for m in log if not m.startswith("=====")]
    if expected_log is not ...:
        assert log == expected_log
    for check in checks:
        assert check(log), log[-12:]


def test_log_folder_the_chainer_may_not_write_sends_the_log_to_the_shared_folder(make_kit):
    # /proc takes no new file, whoever asks: the log goes where a log that cannot be opened goes.
    stem = f"badlog{os.getpid()}"
    kit = make_kit(stem + ".exe")
    kit.write_ini(configuration("q", {"name": "Anything", "SetupFile": "absent.exe", **NOT_INSTALLED})
                  .replace("LogFile=run.log", "LogFile=Z:\\proc\\run.log"))
    shared = Path(os.environ["WINEPREFIX"]) / "drive_c" / "ProgramData" / "VELMORA_LOGS" / f"{stem}.LOG"
    try:
        assert kit.run(timeout=60) == 0
        text = shared.read_bytes().decode("utf-16-le")
        assert "-Searching for:Anything\r\n" in text
        assert "-Launch failed. Error:" in text
    finally:
        shared.unlink(missing_ok=True)
