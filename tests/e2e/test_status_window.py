"""The status window of start-up: shown with "Preparing..." in basic-UI mode while the chainer waits for
the Windows Installer, absent in silent mode."""
import subprocess

import pytest

from conftest import BIN_DIR, to_windows_path, wait_for, wine, wine_env


def probe(kit, title, timeout_ms):
    """Exit code of window_probe watching the kit's chainer and what it read: "<status text>|skip" or
    "<status text>|no skip"."""
    result = subprocess.run(wine(str(BIN_DIR / "window_probe.exe"), to_windows_path(kit.exe), title,
                                 str(timeout_ms)), env=wine_env(),
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            timeout=120)
    return result.returncode, result.stdout.decode("utf-8").strip()


@pytest.fixture
def installer_busy(tmp_path):
    """Holds the Windows Installer mutex until the test ends, so the chainer stays at its wait."""
    ready = tmp_path / "ready"
    release = tmp_path / "release"
    holder = subprocess.Popen(
        wine(str(BIN_DIR / "hold_mutex.exe"), "Global\\_MSIExecute", to_windows_path(ready),
         to_windows_path(release)),
        env=wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    assert wait_for(ready.exists), "the helper never took the mutex"
    yield lambda: release.write_text("go")
    release.write_text("go")
    holder.wait(timeout=60)


def test_basic_ui_shows_preparing_titled_with_the_product_name(kit, installer_busy):
    kit.write_ini("[GeneralOptions]\nOptions=b\n")
    chainer = kit.start()
    try:
        assert probe(kit, "Velmora Setup", 30000) == (0, "Preparing...|no skip")
    finally:
        installer_busy()
    assert chainer.wait(timeout=60) == 0


def test_silent_run_shows_no_window(kit, installer_busy):
    kit.write_ini("[GeneralOptions]\nOptions=q\n")
    chainer = kit.start()
    try:
        # The chainer is at its wait (it has not ended) and has shown nothing.
        assert probe(kit, "Velmora Setup", 3000)[0] == 1
        assert chainer.poll() is None
    finally:
        installer_busy()
    assert chainer.wait(timeout=60) == 0
