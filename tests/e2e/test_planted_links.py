"""Links planted where the chainer writes or launches: a second name (hard link) of another file as the log,
as a partial download and as a download found in place, and a link in place of the shared log folder.

Symbolic links to files cannot be shown here: Wine 8's CreateSymbolicLinkW makes nothing, and it follows a
Linux link to a file as if it were the file. The decision on what Windows reports for them is tested in
platform/pure/FileTrustTest.cpp.
"""
import os
import shutil
import uuid
from pathlib import Path

from conftest import BIN_DIR, configuration, helper, log_messages, pattern, to_windows_path

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
