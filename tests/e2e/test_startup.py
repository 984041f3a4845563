"""Start-up: finding the configuration, the installer mutex, the exit code."""
import subprocess

from conftest import BIN_DIR, to_windows_path, wait_for, wine_env


def test_without_configuration_exits_0_and_writes_nothing(kit):
    before = sorted(p.name for p in kit.folder.iterdir())
    assert kit.run() == 0
    assert sorted(p.name for p in kit.folder.iterdir()) == before


def test_empty_and_bom_only_configurations_exit_0(kit):
    kit.write_ini("")
    assert kit.run() == 0
    kit.ini_path().write_bytes(b"\xff")
    assert kit.run() == 0


def test_waits_while_installer_mutex_is_held_and_goes_on_when_released(kit, tmp_path):
    kit.write_ini("[GeneralOptions]\nOptions=q\n")
    ready = tmp_path / "ready"
    release = tmp_path / "release"
    holder = subprocess.Popen(
        ["wine", str(BIN_DIR / "hold_mutex.exe"), "Global\\_MSIExecute", to_windows_path(ready),
         to_windows_path(release)],
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
