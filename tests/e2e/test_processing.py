"""The processing sequence of the real chainer: prerequisites launched from the kit (exit_with.exe as their
setup file, leaving a registry key behind as an installer would), their exit codes recorded in the
interboot store, the final check after the launches, in silent and in basic-UI mode."""
import pytest

from conftest import BIN_DIR, configuration, helper, interboot_key_exists, log_messages, to_windows_path

FOUND = "Search result:An acceptable version was found."
FROM_PACKAGE = "Search result:No acceptable version found. It must be installed from package."


def messages(kit):
    return log_messages(kit.folder / "run.log")


@pytest.mark.parametrize("mode, label", [("q", "silent"), ("b", "basic UI")])
def test_launched_prerequisite_is_found_afterwards_and_the_run_exits_0(kit, registry_key, mode, label):
    marker = registry_key + "\\Runtime"
    kit.write_ini(configuration(mode, helper(kit, "Runtime", 0, marker, Options="m")))
    assert kit.run() == 0
    log = messages(kit)
    start = log.index(f"Starting installing prerequisites in {label} mode.")
    assert log[start + 1:] == [
        "Launching file:" + to_windows_path(kit.folder) + "\\helper.exe",
        "Return code of launched file:0",
        "Searching for:Runtime", FOUND,
        # The selection of a prerequisite found now is removed, and that change is logged too.
        "Prerequisite selected for install:Runtime",
        "After running prerequisites we have:  Reboot was required=false",
    ]
    assert not interboot_key_exists()


def test_exit_code_is_recorded_under_its_name_in_the_interboot_store(kit, registry_key):
    # The second prerequisite is found once the first one's exit code stands in HKCU\InterbootContext.
    checker = helper(kit, "Checker", 0, None, Options="m")
    checker["SearchString1"] = "HKCU\\InterbootContext\\RuntimeRet"
    checker["SearchType1"] = "7"
    kit.write_ini(configuration("q", helper(kit, "Runtime", 5, None, RetValPropName="RuntimeRet"), checker))
    assert kit.run() == 0
    log = messages(kit)
    assert "Return code of launched file:5" in log
    final = log[log.index("Searching for:Checker", log.index("Return code of launched file:5")):]
    assert final[:2] == ["Searching for:Checker", FOUND]
    # No reboot is pending, so the store ends with the run.
    assert not interboot_key_exists()


def test_mandatory_prerequisite_whose_launch_fails_exits_1(kit, registry_key):
    kit.write_ini(configuration("q", {"name": "Absent", "SetupFile": "absent.exe", "Options": "m",
                                      "SearchType1": "5", "SearchString1": "HKCU\\" + registry_key}))
    assert kit.run() == 1
    log = messages(kit)
    assert any(m.startswith("Launch failed. Error:") for m in log)
    assert log[-1] == "After running prerequisites we have:  Reboot was required=false"


def test_setup_file_naming_a_folder_fails_at_once(kit, registry_key):
    # Handed to the shell, the folder would open in a window of its own that never ends.
    (kit.folder / "tools").mkdir()
    kit.write_ini(configuration("q", {"name": "Folder", "SetupFile": "tools", "Options": "m",
                                      "SearchType1": "5", "SearchString1": "HKCU\\" + registry_key}))
    assert kit.run(timeout=60) == 1
    log = messages(kit)
    assert "Launching file:" + to_windows_path(kit.folder) + "\\tools" in log
    assert any(m.startswith("Launch failed. Error:") for m in log)


def test_unreachable_mandatory_download_fails_and_the_silent_run_goes_on(kit, registry_key):
    marker = registry_key + "\\Local"
    kit.write_ini(configuration(
        "q",
        {"name": "Remote", "Url": "http://127.0.0.1:9/remote.exe", "Options": "m",
         "SearchType1": "5", "SearchString1": "HKCU\\" + registry_key + "\\Remote"},
        helper(kit, "Local", 0, marker),
    ))
    assert kit.run() == 1
    log = messages(kit)
    assert "Starting download of:Remote" in log
    assert any(m.startswith("Download failed. Error:") for m in log)
    # Silent runs go on to the install phase whatever the download phase returned.
    assert "Return code of launched file:0" in log


@pytest.fixture
def http_server(tmp_path):
    """Serves the files of a folder on 127.0.0.1; yields (folder, base URL) and stops the server at the end."""
    import functools
    import http.server
    import threading
    folder = tmp_path / "served"
    folder.mkdir()
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=str(folder))
    handler.log_message = lambda *args: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield folder, f"http://127.0.0.1:{server.server_address[1]}"
    server.shutdown()
    server.server_close()


def test_downloaded_prerequisite_is_checked_launched_found_and_deleted(kit, registry_key, http_server):
    import hashlib
    folder, base = http_server
    payload = (BIN_DIR / "exit_with.exe").read_bytes()
    (folder / "remote.exe").write_bytes(payload)
    marker = registry_key + "\\Remote"
    download = helper(kit, "Remote", 0, marker, Options="m", ExactSize=str(len(payload)),
                      MD5=hashlib.md5(payload).hexdigest())
    del download["SetupFile"]
    download["Url"] = base + "/remote.exe?from=e2e"
    kit.write_ini(configuration("q", download).replace(
        "[GeneralOptions]\n", f"[GeneralOptions]\nDownloadFolder={to_windows_path(kit.folder / 'dl')}\n"))
    assert kit.run() == 0
    log = messages(kit)
    start = log.index("Starting download of:Remote")
    assert log[start + 1:start + 3] == ["Download completed succesfully.", "Downloaded file was accepted."]
    assert "Launching file:" + to_windows_path(kit.folder / "dl") + "\\remote.exe" in log
    assert "Return code of launched file:0" in log
    # The download and the folder made for it are gone at the end.
    assert not (kit.folder / "dl").exists()


def test_download_with_a_wrong_digest_is_rejected_and_not_launched(kit, registry_key, http_server):
    folder, base = http_server
    (folder / "remote.exe").write_bytes((BIN_DIR / "exit_with.exe").read_bytes())
    download = helper(kit, "Remote", 0, registry_key + "\\Remote", Options="m", MD5="0" * 32)
    del download["SetupFile"]
    download["Url"] = base + "/remote.exe"
    kit.write_ini(configuration("q", download).replace(
        "[GeneralOptions]\n", f"[GeneralOptions]\nDownloadFolder={to_windows_path(kit.folder / 'dl')}\n"))
    assert kit.run() == 1
    log = messages(kit)
    assert "Downloaded file was rejected.(Invalid size or MD5)." in log
    assert not any(m.startswith("Launching file:") for m in log)
