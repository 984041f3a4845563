"""Exit cleanup: the chainer deletes its configuration and the listed files, removes the folders that leaves
empty, and hands itself and its folders to the package's PowerShell script (a stand-in records the start)."""
import time

import pytest

from conftest import Kit, to_unix_path, to_windows_path

SCRIPT_TEXT = b"param([string[]]$paths, [int]$retry_count)\r\n# removes $paths\r\n"
PARAMETERS = ["-NoProfile", "-NonInteractive", "-NoLogo", "-ExecutionPolicy", "RemoteSigned", "-Command"]
QUOTES = "'\u2018\u2019\u201a\u201b"


def read_powershell_command(command):
    """Reads the -Command text as PowerShell reads it: returns the script called with & and the -paths array,
    and fails on anything else, so a quote that ends a string early shows up here."""
    literals, shape, i = [], "", 0
    while i < len(command):
        if command[i] not in QUOTES:
            shape += command[i]
            i += 1
            continue
        literal, i = "", i + 1
        while True:
            assert i < len(command), "unterminated string in " + command
            if command[i] in QUOTES:
                if i + 1 < len(command) and command[i + 1] in QUOTES:
                    literal += command[i + 1]
                    i += 2
                    continue
                i += 1
                break
            literal += command[i]
            i += 1
        literals.append(literal)
        shape += "S"
    count = len(literals) - 1
    assert shape == "& S -paths " + ",".join(["S"] * count) + " -retry_count 10", command
    return literals[0], literals[1:]


def cleanup_ini(folders="", files=(), script="", log=""):
    text = "[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\n"
    text += f"CleanupFolders={folders}\nCleanupFiles={chr(1).join(files)}\nCleanupScript={script}\n"
    return text + (f"LogFile={log}\n" if log else "")


def write(path, data=b"x"):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)
    return path


def handed_over(start, script_folder):
    """The paths the script receives; checks the start itself and the copy of the script on the way."""
    assert start is not None, "PowerShell was not started"
    assert start["args"][:6] == PARAMETERS and len(start["args"]) == 7
    assert start["show"] == "0"  # SW_HIDE
    assert start["cwd"].rstrip("\\").lower() == to_windows_path(script_folder).lower()
    copy, paths = read_powershell_command(start["args"][6])
    assert copy.lower().endswith(".ps1")
    copy_file = to_unix_path(copy)
    assert copy_file.read_bytes() == SCRIPT_TEXT
    copy_file.unlink()
    return paths


def assert_not_started(powershell):
    # The chainer does not wait for PowerShell: give a start that should not happen time to show.
    time.sleep(1.5)
    assert powershell.started(timeout=0) is None


def test_kit_run_leaves_only_what_the_script_is_handed(tmp_path, powershell):
    top = tmp_path / "T" / "S"
    kit = Kit(top / "a" / "b")
    script = write(kit.folder / "clean.ps1", SCRIPT_TEXT)
    inside = [write(kit.folder / "data.bin"), write(top / "x" / "extra.txt")]
    kept = [write(tmp_path / "T" / "outside.txt"), write(tmp_path / "escape.txt"), write(top / "y" / "keep.txt")]
    listed = [to_windows_path(p) for p in inside + kept[:2]]
    listed += [to_windows_path(top / "missing.txt"), to_windows_path(top) + "\\..\\..\\escape.txt"]
    kit.write_ini(cleanup_ini(to_windows_path(top), listed, to_windows_path(script)))

    assert kit.run(powershell.env) == 0
    assert not kit.ini_path().exists()
    assert not any(p.exists() for p in inside)
    assert not (top / "x").exists()  # left empty below CleanupFolders
    assert all(p.exists() for p in kept)
    paths = handed_over(powershell.started(), kit.folder)
    assert paths == [to_windows_path(script), to_windows_path(kit.exe), to_windows_path(kit.folder),
                     to_windows_path(top / "a")]
    assert sorted(p.name for p in kit.folder.iterdir()) == ["clean.ps1", "setup.exe"]


def test_folder_that_holds_the_log_is_kept_with_the_folders_above_it(tmp_path, powershell):
    top = tmp_path / "S"
    kit = Kit(top / "a" / "b")
    script = write(top / "clean.ps1", SCRIPT_TEXT)
    # A prerequisite that is in place: its search is logged, so the log exists before the exit.
    kit.write_ini(cleanup_ini(to_windows_path(top), script=to_windows_path(script), log="setup.log") +
                  "[PREREQUISITES]\nApp1=Windows\n[App1]\nSetupFile=w.exe\nSearchType1=2\n"
                  "SearchString1=HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion\n")
    assert kit.run(powershell.env) == 0
    assert (kit.folder / "setup.log").exists()
    assert handed_over(powershell.started(), top) == [to_windows_path(script), to_windows_path(kit.exe)]


@pytest.mark.parametrize("script", ["", "missing.ps1"])
def test_no_usable_script_starts_nothing_and_files_are_still_deleted(tmp_path, powershell, script):
    kit = Kit(tmp_path / "S" / "kit")
    listed = write(kit.folder / "data.bin")
    script_path = to_windows_path(kit.folder / script) if script else ""
    kit.write_ini(cleanup_ini(to_windows_path(tmp_path / "S"), [to_windows_path(listed)], script_path))
    assert kit.run(powershell.env) == 0
    assert not kit.ini_path().exists()
    assert not listed.exists()
    assert_not_started(powershell)


def test_without_chainer_section_nothing_is_deleted(kit, powershell):
    write(kit.folder / "clean.ps1", SCRIPT_TEXT)
    kit.write_ini("[GeneralOptions]\nOptions=q\n")
    assert kit.run(powershell.env) == 0
    assert kit.ini_path().exists()
    assert_not_started(powershell)


def test_blanks_and_quotes_in_temporary_and_kit_folders_reach_the_script_intact(tmp_path, powershell,
                                                                                temp_folder):
    temp = tmp_path / "Users" / "Mary O'Brien" / "Temp"
    temp_folder(temp)
    top = tmp_path / "S"
    kit = Kit(top / "O'Brien\u2019s kit" / "a b; $(x)")
    script = write(kit.folder / "clean up.ps1", SCRIPT_TEXT)
    kit.write_ini(cleanup_ini(to_windows_path(top), script=to_windows_path(script)))
    assert kit.run(powershell.env) == 0
    start = powershell.started()
    copy, _ = read_powershell_command(start["args"][6])
    assert copy.lower().startswith(to_windows_path(temp).lower() + "\\")
    assert handed_over(start, kit.folder) == [to_windows_path(script), to_windows_path(kit.exe),
                                              to_windows_path(kit.folder), to_windows_path(kit.folder.parent)]


@pytest.mark.parametrize("cleanup_folders", ["trailing backslash", "text prefix"])
def test_cleanup_folders_never_hands_over_itself_or_what_lies_above(tmp_path, powershell, cleanup_folders):
    kit = Kit(tmp_path / "T" / "Setup" / "a")
    script = write(kit.folder / "clean.ps1", SCRIPT_TEXT)
    if cleanup_folders == "trailing backslash":
        folders, expected = to_windows_path(tmp_path / "T" / "Setup") + "\\", [to_windows_path(kit.folder)]
    else:
        folders, expected = to_windows_path(tmp_path / "T" / "S"), []
    kit.write_ini(cleanup_ini(folders, script=to_windows_path(script)))
    assert kit.run(powershell.env, timeout=30) == 0
    assert handed_over(powershell.started(), kit.folder) == [to_windows_path(script), to_windows_path(kit.exe)] + expected
