"""Logging: LogFile of PREREQ_CHAINER switches the log on; its header and lines follow one exact format."""
import datetime
import os
import re
import subprocess
from pathlib import Path

import pytest

from conftest import BIN_DIR, to_windows_path, wine, wine_env

BOM = b"\xff\xfe"
STAMP = r"\d{4}-\d{2}-\d{2} \d{2}-\d{2}-\d{2}"
END_LINE = "=====================End of Log=====================\r\n\r\n"


def prefix_drive_c():
    return Path(os.environ["WINEPREFIX"]) / "drive_c"


def os_line():
    # A fresh Wine prefix reports Windows 7 SP1; the 64-bit prefix runs the chainer under WOW64.
    bits = "x64" if os.environ.get("VELMORA_WINE_ARCH") == "win64" else "x86"
    return f"OS Version: 6.1.7601 SP1 (workstation) [{bits}]\r\n"


def cpu_brand():
    """The brand string as cpuid gives it to a program under the same Wine (on some virtual machines the
    kernel's /proc/cpuinfo names another processor)."""
    result = subprocess.run(wine(BIN_DIR / "cpu_brand.exe"), env=wine_env(), stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=60, check=True)
    return result.stdout.decode("latin-1").rstrip("\r\n")


def header_pattern():
    return re.escape("\r\n<< Velmora (x86) Log >>\r\n" + os_line()) + r"CPU: (?P<cpu>[^\r\n]*)\r\n\r\n"


def run_pattern():
    # Whatever the run logs in between, every line carries its time stamp; the closing line ends the run.
    return header_pattern() + rf"(?:{STAMP}-[^\r\n]*\r\n)*(?P<stamp>{STAMP})-" + re.escape(END_LINE)


def decode(data):
    assert len(data) % 2 == 0
    return data.decode("utf-16-le")


def chainer_ini(log_file_value):
    return f"[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nLogFile={log_file_value}\n"


def temp_log_folders():
    return {p for p in (prefix_drive_c() / "users").glob("*/Temp/VELMORA_LOGS")}


def test_log_file_holds_mark_header_and_closing_line_exactly(kit):
    log = kit.folder / "run.log"
    kit.write_ini(chainer_ini(to_windows_path(log)))
    started = datetime.datetime.now().replace(microsecond=0)
    assert kit.run() == 0
    ended = datetime.datetime.now()

    data = log.read_bytes()
    assert data[:2] == BOM
    match = re.fullmatch(run_pattern(), decode(data[2:]))
    assert match, decode(data[2:])
    assert match.group("cpu") == cpu_brand()
    stamp = datetime.datetime.strptime(match.group("stamp"), "%Y-%m-%d %H-%M-%S")
    assert started - datetime.timedelta(seconds=2) <= stamp <= ended + datetime.timedelta(seconds=2)


def test_second_run_appends_without_another_mark(kit):
    log = kit.folder / "run.log"
    kit.write_ini(chainer_ini(to_windows_path(log)))
    assert kit.run() == 0
    first = log.read_bytes()
    kit.write_ini(chainer_ini(to_windows_path(log)))  # the first run's exit cleanup deleted it
    assert kit.run() == 0
    data = log.read_bytes()
    assert data.startswith(first)
    assert data.count(BOM) == 1
    assert re.fullmatch(run_pattern(), decode(data[len(first):]))


def test_relative_log_file_lands_in_the_chainers_folder(kit):
    kit.write_ini(chainer_ini("relative.log"))
    assert kit.run() == 0
    assert re.fullmatch(run_pattern(), decode((kit.folder / "relative.log").read_bytes()[2:]))


@pytest.mark.parametrize("exe_name, ini_name", [
    ("prereq.exe", "Prereq.INI"),
    ("my.setup.exe", "my.setup.ini"),
])
def test_configuration_found_beside_the_chainer_switches_logging_on(make_kit, exe_name, ini_name):
    kit = make_kit(exe_name)
    log = kit.folder / "found.log"
    kit.write_ini(chainer_ini(to_windows_path(log)), name=ini_name)
    assert kit.run() == 0
    assert log.exists()


def test_configuration_of_another_name_is_not_read(make_kit):
    kit = make_kit("my.setup.exe")
    log = kit.folder / "found.log"
    kit.write_ini(chainer_ini(to_windows_path(log)), name="my.ini")
    assert kit.run() == 0
    assert not log.exists()


@pytest.mark.parametrize("ini", [
    "[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nLogFile=\n",
    "[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nCleanupFolders=C:\\nothing\n",
    "[GeneralOptions]\nOptions=q\n[OTHER]\nLogFile=C:\\run.log\n",
])
def test_no_log_file_named_means_no_log_anywhere(make_kit, ini):
    kit = make_kit(f"nolog{os.getpid()}.exe")
    kit.write_ini(ini)
    shared = prefix_drive_c() / "ProgramData" / "VELMORA_LOGS" / f"nolog{os.getpid()}.LOG"
    temp_before = temp_log_folders()
    # With PREREQ_CHAINER the exit cleanup deletes the configuration, and nothing else appears.
    before = sorted(p.name for p in kit.folder.iterdir()
                    if "[PREREQ_CHAINER]" not in ini or p != kit.ini_path())
    assert kit.run() == 0
    assert sorted(p.name for p in kit.folder.iterdir()) == before
    assert not shared.exists()
    assert not (prefix_drive_c() / "run.log").exists()
    assert temp_log_folders() == temp_before


def test_log_file_in_a_missing_folder_goes_to_the_shared_log_folder(make_kit):
    stem = f"missing{os.getpid()}"
    kit = make_kit(stem + ".exe")
    shared = prefix_drive_c() / "ProgramData" / "VELMORA_LOGS" / f"{stem}.LOG"
    try:
        kit.write_ini(chainer_ini(to_windows_path(kit.folder / "no" / "such" / "run.log")))
        assert kit.run() == 0
        assert not (kit.folder / "no").exists()
        data = shared.read_bytes()
        assert data[:2] == BOM
        assert re.fullmatch(run_pattern(), decode(data[2:]))
    finally:
        shared.unlink(missing_ok=True)


def shared_log_folder():
    return prefix_drive_c() / "ProgramData" / "VELMORA_LOGS"


def temp_log_folder():
    # GetTempPathW of the prefix's user: C:\users\<user>\Temp
    folders = list((prefix_drive_c() / "users").glob("*/Temp"))
    assert len(folders) == 1, folders
    return folders[0] / "VELMORA_LOGS"


@pytest.fixture
def fallback_kit(make_kit):
    """A kit whose LogFile lies in a missing folder, with a name of its own so that no other run's
    fallback log is in the way; the fallback logs it may leave are removed afterwards."""
    stem = f"fallback{os.getpid()}"
    kit = make_kit(stem + ".exe")
    kit.stem = stem
    kit.write_ini(chainer_ini(to_windows_path(kit.folder / "no" / "such" / "run.log")))
    shared_log_folder().mkdir(parents=True, exist_ok=True)
    yield kit
    for path in (shared_log_folder() / f"{stem}.LOG", temp_log_folder() / f"{stem}.LOG"):
        if path.is_dir():
            path.rmdir()
        else:
            path.unlink(missing_ok=True)


def assert_one_run_log(path):
    data = path.read_bytes()
    assert data[:2] == BOM
    assert re.fullmatch(run_pattern(), decode(data[2:])), decode(data[2:])


def test_shared_log_that_cannot_be_opened_sends_the_log_beside_the_program(fallback_kit):
    # A folder in the way of the shared log file: the folder exists, the file cannot be opened.
    (shared_log_folder() / f"{fallback_kit.stem}.LOG").mkdir()
    assert fallback_kit.run() == 0
    assert_one_run_log(fallback_kit.folder / f"{fallback_kit.stem}.LOG")


def test_log_goes_to_a_new_temporary_log_folder_when_nothing_before_can_be_opened(fallback_kit):
    (shared_log_folder() / f"{fallback_kit.stem}.LOG").mkdir()
    (fallback_kit.folder / f"{fallback_kit.stem}.LOG").mkdir()
    temp_folder = temp_log_folder()
    kept = temp_folder.with_name(f"VELMORA_LOGS.kept{os.getpid()}")
    if temp_folder.exists():
        temp_folder.rename(kept)
    try:
        assert fallback_kit.run() == 0
        assert_one_run_log(temp_folder / f"{fallback_kit.stem}.LOG")
    finally:
        (temp_folder / f"{fallback_kit.stem}.LOG").unlink(missing_ok=True)
        if temp_folder.exists():
            temp_folder.rmdir()
        if kept.exists():
            kept.rename(temp_folder)


def test_existing_temporary_log_folder_is_not_used(fallback_kit):
    (shared_log_folder() / f"{fallback_kit.stem}.LOG").mkdir()
    (fallback_kit.folder / f"{fallback_kit.stem}.LOG").mkdir()
    temp_folder = temp_log_folder()
    made = not temp_folder.exists()
    temp_folder.mkdir(exist_ok=True)
    try:
        before = sorted(p.name for p in temp_folder.iterdir())
        assert fallback_kit.run() == 0
        assert sorted(p.name for p in temp_folder.iterdir()) == before
        assert not (fallback_kit.folder / "no").exists()
    finally:
        if made:
            temp_folder.rmdir()


def test_shared_log_folder_that_cannot_be_made_ends_the_search(fallback_kit):
    # A dangling link in the place of VELMORA_LOGS: the folder does not exist and cannot be made (its name
    # is taken), so the rules after it are not tried and no log is written anywhere.
    shared = shared_log_folder()
    kept = shared.with_name(f"VELMORA_LOGS.kept{os.getpid()}")
    shared.rename(kept)
    shared.symlink_to(prefix_drive_c() / f"nothing{os.getpid()}")
    temp_before = temp_log_folders()
    kit_before = sorted(p.name for p in fallback_kit.folder.iterdir() if p != fallback_kit.ini_path())
    try:
        assert fallback_kit.run() == 0
    finally:
        shared.unlink()
        kept.rename(shared)
    assert not (prefix_drive_c() / f"nothing{os.getpid()}").exists()
    assert sorted(p.name for p in fallback_kit.folder.iterdir()) == kit_before
    assert temp_log_folders() == temp_before


def test_existing_file_of_another_writer_is_appended_to_without_a_mark(kit):
    log = kit.folder / "run.log"
    log.write_bytes("earlier\r\n".encode("utf-16-le"))
    kit.write_ini(chainer_ini(to_windows_path(log)))
    assert kit.run() == 0
    data = log.read_bytes()
    assert BOM not in data
    assert decode(data).startswith("earlier\r\n\r\n<< Velmora (x86) Log >>\r\n")
    assert re.fullmatch(run_pattern(), decode(data)[len("earlier\r\n"):])


def test_log_file_is_opened_as_written_without_resolving_references(kit):
    # LogFile is a path as it stands: brackets and percent signs are characters of its name.
    kit.write_ini(chainer_ini("[SETUPEXEDIR]%TEMP%.log"))
    assert kit.run() == 0
    assert re.fullmatch(run_pattern(), decode((kit.folder / "[SETUPEXEDIR]%TEMP%.log").read_bytes()[2:]))
