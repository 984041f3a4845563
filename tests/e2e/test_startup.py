"""Start-up: finding the configuration, the installer mutex, the exit code."""
import os
import subprocess
import uuid
from pathlib import Path

import pytest

from conftest import (BIN_DIR, interboot_key_exists, log_messages, to_windows_path, wait_for, wine,
                       wine_env, write_ini)

# A silent run with a mandatory prerequisite that no machine has: it ends with 1 whenever the main flow runs.
MISSING_MANDATORY = (
    "[GeneralOptions]\nOptions=q\n"
    "[PREREQ_CHAINER]\nLogFile=run.log\n"
    "[PREREQUISITES]\nApp1=Needed\n"
    "[App1]\nSetupFile=n.exe\nOptions=m\nSearchType1=5\n"
    "SearchString1=HKCU\\Software\\VelmoraE2E\\NoSuchKey" + uuid.uuid4().hex + "\n")


def test_without_configuration_exits_0_and_writes_nothing(kit):
    before = sorted(p.name for p in kit.folder.iterdir())
    assert kit.run() == 0
    assert sorted(p.name for p in kit.folder.iterdir()) == before


def test_empty_and_bom_only_configurations_exit_0(kit):
    kit.write_ini("")
    assert kit.run() == 0
    kit.ini_path().write_bytes(b"\xff")
    assert kit.run() == 0


def test_configuration_of_exactly_two_bytes_runs_with_nothing_to_do(kit, interboot_value):
    kit.ini_path().write_bytes(b"\xff\xfe")
    interboot_value()
    before = sorted(p.name for p in kit.folder.iterdir())
    assert kit.run() == 0
    assert sorted(p.name for p in kit.folder.iterdir()) == before
    # The main flow ran on an empty configuration: no prerequisites, and the store is ended.
    assert not interboot_key_exists()


def test_unreadable_configuration_runs_with_nothing_to_do(kit, interboot_value):
    # Found by name but not readable as a file: the run goes on with an empty configuration.
    kit.ini_path().mkdir()
    interboot_value()
    assert kit.run() == 0
    assert not interboot_key_exists()


def test_configuration_with_an_odd_byte_after_the_mark_is_empty(kit):
    kit.ini_path().write_bytes(b"\xff\xfe[")
    assert kit.run() == 0


def test_configuration_read_from_byte_two_whatever_its_first_bytes_are(kit):
    # Any two leading bytes are skipped, not only a byte-order mark.
    data = MISSING_MANDATORY.replace("\n", "\r\n").encode("utf-16-le")
    kit.ini_path().write_bytes(b"XY" + data)
    assert kit.run() == 1


def test_configuration_without_byte_order_mark_loses_its_first_header(kit):
    # The first character "[" is skipped with the mark that is not there: GeneralOptions is no section, so
    # Options=q is not seen; the run is neither silent nor basic UI and ends with 0.
    kit.write_ini(MISSING_MANDATORY, bom=False)
    assert kit.run() == 0
    messages = log_messages(kit.folder / "run.log")
    assert "Searching for:Needed" in messages
    assert "Starting installing prerequisites in silent mode." not in messages
    assert messages[-1] == "After running prerequisites we have:  Reboot was required=false"

    kit.write_ini(MISSING_MANDATORY, bom=True)
    assert kit.run() == 1


def test_without_configuration_the_interboot_store_is_left_alone(kit, interboot_value):
    interboot_value()
    assert kit.run() == 0
    assert interboot_key_exists()


def test_configuration_without_prerequisites_logs_nothing_and_ends_the_store(kit, interboot_value):
    kit.write_ini("[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nLogFile=run.log\n")
    interboot_value()
    assert kit.run() == 0
    assert log_messages(kit.folder / "run.log") == []
    assert not interboot_key_exists()


@pytest.mark.parametrize("exe_name, ini_name", [("prereq.exe", "Prereq.INI"), ("my.setup.exe", "my.setup.ini")])
def test_configuration_beside_the_chainer_is_found_by_its_base_name(make_kit, exe_name, ini_name):
    kit = make_kit(exe_name)
    write_ini(kit.folder / ini_name, MISSING_MANDATORY)
    assert kit.run() == 1


def test_configuration_of_another_base_name_is_not_read(make_kit):
    kit = make_kit("my.setup.exe")
    write_ini(kit.folder / "my.ini", MISSING_MANDATORY)
    assert kit.run() == 0
    assert not (kit.folder / "run.log").exists()


def test_chainers_folder_becomes_the_current_directory(kit, tmp_path):
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    kit.write_ini(MISSING_MANDATORY)
    process = subprocess.Popen(wine(str(kit.exe)), env=wine_env(), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=elsewhere)
    assert process.wait(timeout=120) == 1
    # The relative LogFile is resolved in the chainer's folder, not in the folder it was started from.
    assert "Searching for:Needed" in log_messages(kit.folder / "run.log")
    assert list(elsewhere.iterdir()) == []


@pytest.fixture
def drive_letter(tmp_path):
    """A free drive letter of the prefix mapped onto a fresh folder; returns (letter, folder)."""
    dosdevices = Path(os.environ["WINEPREFIX"]) / "dosdevices"
    root = tmp_path / "drive"
    root.mkdir()
    for letter in "vutsrqponmlk":
        link = dosdevices / f"{letter}:"
        if not link.exists() and not link.is_symlink():
            link.symlink_to(root)
            break
    else:
        pytest.skip("no free drive letter in the prefix")
    yield letter.upper(), root
    link.unlink()


def test_chainer_at_a_drive_root_makes_the_root_current(drive_letter):
    letter, root = drive_letter
    (root / "sub").mkdir()
    (root / "setup.exe").write_bytes((BIN_DIR / "chainer.exe").read_bytes())
    write_ini(root / "setup.ini", MISSING_MANDATORY)
    # Started from a folder of the same drive: "X:" alone would keep that folder current.
    process = subprocess.Popen(wine(f"{letter}:\\setup.exe"), env=wine_env(), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=root / "sub")
    assert process.wait(timeout=120) == 1
    assert "Searching for:Needed" in log_messages(root / "run.log")
    assert list((root / "sub").iterdir()) == []


@pytest.mark.parametrize("how, line", [
    ("abandon", "Another installation ended without releasing the Windows Installer mutex; the run goes on."),
    # Another object holds the name: the mutex cannot be opened, and the run cannot know whether an
    # installation runs.
    ("event", "Could not open the Windows Installer mutex. Error: 6 "),
])
def test_installer_mutex_abandoned_or_unopenable_is_logged_and_the_run_goes_on(kit, tmp_path, interboot_value,
                                                                                how, line):
    kit.write_ini(MISSING_MANDATORY)
    interboot_value()
    ready = tmp_path / "ready"
    release = tmp_path / "release"
    holder = subprocess.Popen(
        wine(str(BIN_DIR / "hold_mutex.exe"), "Global\\_MSIExecute", to_windows_path(ready),
         to_windows_path(release), how),
        env=wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        assert wait_for(ready.exists), "the helper never took the name"
        chainer = kit.start()
        if how == "abandon":
            assert not wait_for(lambda: chainer.poll() is not None, timeout=2.0)
            release.write_text("go")
        # Never a silent success: the main flow runs and finds the mandatory prerequisite missing.
        assert chainer.wait(timeout=60) == 1
    finally:
        release.write_text("go")
        holder.wait(timeout=60)
    messages = log_messages(kit.folder / "run.log")
    assert messages[0].startswith(line), messages
    assert "Searching for:Needed" in messages
    assert not interboot_key_exists()


def test_waits_while_installer_mutex_is_held_and_goes_on_when_released(kit, tmp_path):
    kit.write_ini("[GeneralOptions]\nOptions=q\n")
    ready = tmp_path / "ready"
    release = tmp_path / "release"
    holder = subprocess.Popen(
        wine(str(BIN_DIR / "hold_mutex.exe"), "Global\\_MSIExecute", to_windows_path(ready),
         to_windows_path(release)),
        env=wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        assert wait_for(ready.exists), "the helper never took the mutex"
        chainer = kit.start()
        # Still waiting well after a normal run would have ended.
        assert not wait_for(lambda: chainer.poll() is not None, timeout=2.0)
        release.write_text("go")
        assert chainer.wait(timeout=60) == 0
    finally:
        release.write_text("go")
        holder.wait(timeout=60)


def test_a_silent_run_that_finds_everything_loads_no_user_interface_library(kit):
    # Loading comctl32 or user32 (the display driver, the theme engine, the prefix's desktop), COM's
    # apartment (a hidden window) or the shell costs every start 10 to 20 ms each under Wine; a silent run
    # that has nothing to do must not pay them, nor version.dll for a window title it never shows. The
    # loader's trace names every library loaded.
    kit.write_ini("[GeneralOptions]\nOptions=q\n[PREREQUISITES]\nApp1=Present\n"
                  "[App1]\nUrl=http://127.0.0.1:9/p.exe\nOptions=m\nSearchType1=5\n"
                  "SearchString1=HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\n")
    result = subprocess.run(wine(kit.exe), env=wine_env({"WINEDEBUG": "+loaddll"}), cwd=kit.folder,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            timeout=120)
    assert result.returncode == 0
    lines = result.stderr.decode(errors="replace").splitlines()
    # Only the chainer's own process: Wine's services may start beside it and load anything.
    started = next(line for line in lines if "Loaded" in line and "setup.exe" in line)
    process = started.split(":", 1)[0]
    loaded = [line.lower() for line in lines if line.startswith(process + ":") and "Loaded" in line]
    unneeded = ("comctl32", "user32", "gdi32", "shell32", "ole32", "combase", "version.dll")
    assert [line for line in loaded if any(name in line for name in unneeded)] == []
