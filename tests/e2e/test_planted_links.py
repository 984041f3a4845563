"""Links planted where the chainer writes or launches: a second name (hard link) of another file as the log,
as a partial download and as a download found in place, and a link in place of the shared log folder.

Symbolic links to files cannot be shown here: Wine 8's CreateSymbolicLinkW makes nothing, and it follows a
Linux link to a file as if it were the file. The decision on what Windows reports for them is tested in
platform/pure/FileTrustTest.cpp.
"""
import hashlib
import os
import shutil
import uuid
from pathlib import Path

from conftest import BIN_DIR, configuration, helper, log_messages, pattern, reg, to_windows_path

NOT_INSTALLED = {"SearchType1": "5", "SearchString1": "HKCU\\Software\\VelmoraE2E\\never-there"}


def shared_log_folder():
    return Path(os.environ["WINEPREFIX"]) / "drive_c" / "ProgramData" / "VELMORA_LOGS"


def victim(folder, data):
    """A file of someone else's, whose second name gets planted."""
    path = folder / f"victim{uuid.uuid4().hex}.bin"
    path.write_bytes(data)
    return path


def download_configuration(kit, prerequisite, general=""):
    return configuration("q", prerequisite,
                         general=f"DownloadFolder={to_windows_path(kit.folder / 'dl')}\n" + general)


def test_log_planted_as_a_second_name_of_another_file_is_not_written(make_kit, tmp_path):
    stem = f"planted{os.getpid()}"
    kit = make_kit(stem + ".exe")
    other = victim(tmp_path, b"not a log")
    os.link(other, kit.folder / "run.log")
    fallback = shared_log_folder() / f"{stem}.LOG"
    kit.write_ini(configuration("q"))
    try:
        assert kit.run() == 0
        assert other.read_bytes() == b"not a log"
        # The next place the log may go.
        assert "<< Velmora (x86) Log >>" in fallback.read_bytes().decode("utf-16-le")
    finally:
        fallback.unlink(missing_ok=True)


def test_shared_log_folder_replaced_by_a_link_is_passed_over(make_kit, tmp_path):
    # Everyone may remove the shared folder and leave a link to another folder in its place.
    stem = f"linkedfolder{os.getpid()}"
    kit = make_kit(stem + ".exe")
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    shared = shared_log_folder()
    shared.mkdir(parents=True, exist_ok=True)
    kept = shared.with_name(f"VELMORA_LOGS.kept{os.getpid()}")
    shared.rename(kept)
    shared.symlink_to(elsewhere)
    missing = to_windows_path(kit.folder / "no" / "run.log")
    kit.write_ini(configuration("q").replace("LogFile=run.log", "LogFile=" + missing))
    try:
        assert kit.run() == 0
    finally:
        shared.unlink()
        kept.rename(shared)
    assert list(elsewhere.iterdir()) == []
    # Beside the program: the rule after the shared folder.
    assert "<< Velmora (x86) Log >>" in (kit.folder / f"{stem}.LOG").read_bytes().decode("utf-16-le")


def test_partial_file_planted_as_a_second_name_is_made_anew(kit, transfer_servers, tmp_path):
    # The victim starts like the server's file: without the check the transfer would resume into it.
    name = "plantedpart" + uuid.uuid4().hex
    other = victim(tmp_path, pattern(1000))
    (kit.folder / "dl").mkdir()
    os.link(other, kit.folder / "dl" / "data.bin.part")
    kit.write_ini(download_configuration(kit, {"name": "Data", "Url": f"{transfer_servers.http}/range/5000/{name}",
                                               "Folder": "?data.bin", **NOT_INSTALLED},
                                        general="KeepFiles=prereqs\n"))
    kit.run()
    assert other.read_bytes() == pattern(1000)
    assert (kit.folder / "dl" / "data.bin").read_bytes() == pattern(5000)
    requests = transfer_servers.requests(name)
    assert len(requests) == 1 and " range= " in requests[0], requests
    log = log_messages(kit.folder / "run.log")
    assert any(m.startswith("The partial file ") and m.endswith(" is a link or has another name; it is not "
                                                                 "continued but made anew.") for m in log), log


def test_download_planted_as_a_second_name_is_fetched_again(kit, registry_key, transfer_servers, tmp_path):
    # Without a size or digest to check, a file found in place is launched as it is; a second name of a file
    # that someone can still change through its other name is not taken as the download.
    other = victim(tmp_path, (BIN_DIR / "exit_with.exe").read_bytes())
    (kit.folder / "dl").mkdir()
    os.link(other, kit.folder / "dl" / "exit_with.exe")
    download = helper(kit, "Remote", 0, registry_key + "\\Remote", Options="m")
    del download["SetupFile"]
    download["Url"] = f"{transfer_servers.http}/bin/exit_with.exe"
    kit.write_ini(download_configuration(kit, download))
    assert kit.run() == 0
    log = log_messages(kit.folder / "run.log")
    start = log.index("Starting download of:Remote")
    assert log[start + 1] == "Download completed succesfully."
    assert "Return code of launched file:0" in log
    assert os.stat(other).st_nlink == 1


def remote_helper(kit, registry_key, transfer_servers, **keys):
    download = helper(kit, "Remote", 0, registry_key + "\\Remote", Options="m", **keys)
    del download["SetupFile"]
    download["Url"] = f"{transfer_servers.http}/bin/exit_with.exe"
    return download


def unresolved(path):
    """The Windows path of a link itself, not of where it leads."""
    return "Z:" + str(path).replace("/", "\\")


def launched_paths(log):
    return [m[len("Launching file:"):] for m in log if m.startswith("Launching file:")]


def test_download_folder_others_may_write_to_is_not_trusted(kit, registry_key, transfer_servers):
    # A system run's download folder lies in C:\Windows\Temp, where any account can make it first and leave
    # a file of the right size in it; a world-writable folder stands for that here.
    real = (BIN_DIR / "exit_with.exe").read_bytes()
    planted = real[:-1] + bytes([real[-1] ^ 0xFF])
    digest = hashlib.md5(real).hexdigest()
    cases = [
        ("no MD5", {}, planted, False,
         "may have been left by another account (no digest or signer to check it) and is downloaded again: "),
        ("another MD5", {"MD5": digest}, planted, False, "does not match its MD5 and is downloaded again: "),
        # A kit laid out for offline use keeps working where it gives the digest: the file is checked where
        # it lies, and nothing is written there.
        ("its MD5", {"MD5": digest}, real, True, None),
    ]
    folder = kit.folder / "dl"
    folder.mkdir()
    for name, keys, data, used, line in cases:
        (folder / "exit_with.exe").write_bytes(data)
        os.chmod(folder, 0o777)
        (kit.folder / "run.log").unlink(missing_ok=True)
        kit.write_ini(download_configuration(
            kit, remote_helper(kit, registry_key, transfer_servers, ExactSize=str(len(real)), **keys)))
        assert kit.run() == 0, name
        log = log_messages(kit.folder / "run.log")
        found = to_windows_path(folder / "exit_with.exe")
        assert f"The download folder {to_windows_path(folder)}\\ is not written to: other accounts may change " \
               f"what is in {to_windows_path(folder)}." in log, (name, log)
        assert (folder / "exit_with.exe").read_bytes() == data, name
        assert sorted(p.name for p in folder.iterdir()) == ["exit_with.exe"], name
        launched = launched_paths(log)
        assert len(launched) == 1, (name, log)
        if used:
            assert launched[0] == found, (name, log)
            assert "Starting download of:Remote" not in log, (name, log)
        else:
            assert f"The file found for Remote {line}{found}" in log, (name, log)
            assert launched[0] != found and launched[0].endswith("\\exit_with.exe"), (name, log)
            assert any(m.startswith("The downloads go to the new folder ") for m in log), (name, log)
        reg("delete", "HKCU\\" + registry_key + "\\Remote", "/f")


def test_download_folder_that_is_a_link_gets_nothing_written(kit, registry_key, transfer_servers, tmp_path):
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    (kit.folder / "dl").symlink_to(elsewhere)
    dl = unresolved(kit.folder / "dl")
    kit.write_ini(configuration("q", remote_helper(kit, registry_key, transfer_servers),
                                general=f"DownloadFolder={dl}\n"))
    assert kit.run() == 0
    assert list(elsewhere.iterdir()) == []
    log = log_messages(kit.folder / "run.log")
    assert f"The download folder {dl}\\ is not written to: {dl} is a link." in log, log
    assert "Return code of launched file:0" in log
    assert not launched_paths(log)[0].startswith(dl + "\\"), log


def test_cleanup_file_behind_a_link_is_not_deleted(kit, tmp_path):
    # CleanupFolders=C:\ProgramData with a listed C:\ProgramData\Documents\x.txt would delete
    # C:\Users\Public\Documents\x.txt: Documents there is a junction.
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    (elsewhere / "x.txt").write_bytes(b"someone else's")
    cleanup = kit.folder / "C"
    cleanup.mkdir()
    (cleanup / "Documents").symlink_to(elsewhere)
    (cleanup / "own").mkdir()
    (cleanup / "own" / "y.txt").write_bytes(b"the kit's")
    listed = [unresolved(cleanup / "Documents" / "x.txt"), unresolved(cleanup / "own" / "y.txt")]
    kit.write_ini("[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nLogFile=run.log\n"
                  f"CleanupFolders={to_windows_path(cleanup)}\nCleanupFiles={chr(1).join(listed)}\n")
    assert kit.run() == 0
    assert (elsewhere / "x.txt").read_bytes() == b"someone else's"
    assert not (cleanup / "own").exists()
    assert (cleanup / "Documents").is_symlink()
    log = log_messages(kit.folder / "run.log")
    assert f"Not cleaned up: {listed[0]} passes through the link {unresolved(cleanup / 'Documents')}." in log, log


def test_partial_file_others_may_change_is_continued_only_with_an_md5(kit, transfer_servers):
    folder = kit.folder / "dl"
    folder.mkdir()
    for keys, resumed in (({}, False), ({"MD5": hashlib.md5(pattern(5000)).hexdigest()}, True)):
        name = "openpart" + uuid.uuid4().hex
        part = folder / "data.bin.part"
        part.write_bytes(pattern(1000))
        os.chmod(part, 0o666)
        (folder / "data.bin").unlink(missing_ok=True)
        (kit.folder / "run.log").unlink(missing_ok=True)
        kit.write_ini(download_configuration(kit, {"name": "Data", "Url": f"{transfer_servers.http}/range/5000/{name}",
                                                   "Folder": "?data.bin", **NOT_INSTALLED, **keys},
                                            general="KeepFiles=prereqs\n"))
        kit.run()
        assert (folder / "data.bin").read_bytes() == pattern(5000)
        requests = transfer_servers.requests(name)
        assert len(requests) == 1 and (" range=bytes=1000- " in requests[0]) == resumed, (keys, requests)
        line = (f"The partial file {to_windows_path(part)} may have been left by another account; it is not "
                "continued but made anew.")
        assert (line in log_messages(kit.folder / "run.log")) != resumed, keys


def test_download_found_in_place_that_others_may_change_is_fetched_again(kit, registry_key, transfer_servers):
    # The folder is the run's to use; the file in it is not: any account may rewrite it.
    folder = kit.folder / "dl"
    folder.mkdir()
    found = folder / "exit_with.exe"
    found.write_bytes((BIN_DIR / "exit_with.exe").read_bytes())
    os.chmod(found, 0o666)
    kit.write_ini(download_configuration(kit, remote_helper(kit, registry_key, transfer_servers)))
    assert kit.run() == 0
    log = log_messages(kit.folder / "run.log")
    assert (f"The file found for Remote may have been left by another account (no digest or signer to check it) and is "
            f"downloaded again: {to_windows_path(found)}") in log, log
    assert "Starting download of:Remote" in log
    assert launched_paths(log) == [to_windows_path(found)], log
    assert not any(m.startswith("The download folder ") for m in log), log
