"""Installers nobody on the team wrote, chained by the real chainer: NSIS's own example installers (built by
makensis for the flavour under test, see CMakeLists.txt) started with /S, one of them downloaded from the test
server on 127.0.0.1 and checked by size and MD5; Windows Installer packages built with wixl started with /qn
and found by product code, upgrade code and component; and a package that cannot install. Each product is
absent before its run, found afterwards by what it wrote, and removed again by the test. In basic UI a failure
stays in the processing window until someone closes it: the test does, as a person would."""
import hashlib
import shutil
import subprocess

import pytest

from conftest import BIN_DIR, cancel_when_shown, configuration, log_messages, reg, reg_value, to_unix_path, \
    to_windows_path, wine, wine_env

FOUND = "Search result:An acceptable version was found."
FROM_PACKAGE = "Search result:No acceptable version found. It must be installed from package."
TO_DOWNLOAD = "Search result:No acceptable version found. It must be downloaded."
UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
# Start-menu entries must not reach the Linux desktop of whoever runs the tests.
NO_MENUS = {"WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe="}

# The products of tests/e2e/CMakeLists.txt and packages/RefusedProduct.wxs.
CHAINED_PRODUCT = "{5F0B2B41-7A0D-4E0F-8D40-0B4A0E5AD001}"  # version 2.1.0
CHAINED_COMPONENT = "{5F0B2B41-7A0D-4E0F-8D40-0B4A0E5ADC01}"
CHAINED_UPGRADE = "{5F0B2B41-7A0D-4E0F-8D40-0B4A0E5ADEEE}"
REFUSED_PRODUCT = "{8C3E5E74-AD20-4F21-9F73-2E7D3B8C0001}"


def searches(*entries, operator=0):
    """Search keys numbered from 1: each entry (type, string) or (type, string, VerMin)."""
    keys = {"Operator": str(operator)}
    for k, entry in enumerate(entries, 1):
        keys[f"SearchType{k}"] = str(entry[0])
        keys[f"SearchString{k}"] = entry[1]
        if len(entry) > 2:
            keys[f"VerMin{k}"] = entry[2]
    return keys


def silent_switch(switch):
    return {"NoUiCommandLine": switch, "BasicUiCommandLine": switch, "Options": "m"}


def md5(path):
    return hashlib.md5(path.read_bytes()).hexdigest()


@pytest.fixture
def nsis_products():
    """Removes what NSIS's examples install (their folders, keys and start-menu entries), before the test too,
    so that each run starts without them."""
    def remove():
        example2 = reg_value("HKLM\\Software\\NSIS_Example2", "Install_Dir")
        if example2:
            shutil.rmtree(to_unix_path(example2), ignore_errors=True)
        for key in ("HKLM\\Software\\NSIS_Example2", "HKLM\\" + UNINSTALL + "Example2",
                    "HKCU\\" + UNINSTALL + "Per-user example", "HKCU\\Software\\Modern UI Test",
                    "HKCU\\Software\\Classes\\.test-nullsoft", "HKCU\\Software\\Classes\\Nullsoft.Test",
                    "HKCU\\Software\\Classes\\Applications\\MyApp.exe"):
            reg("delete", key, "/f")
        for user in to_unix_path("C:\\users").iterdir():
            local = user / "AppData" / "Local"
            shutil.rmtree(local / "Programs" / "Per-user example", ignore_errors=True)
            shutil.rmtree(local / "Modern UI Test", ignore_errors=True)
            menu = user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs"
            shutil.rmtree(menu / "Example2", ignore_errors=True)
            (menu / "Per-user example.lnk").unlink(missing_ok=True)
    remove()
    yield
    remove()


def nsis_kit(kit, transfer_servers):
    """Three NSIS example installers, all mandatory: Example2 (per machine) and the Modern UI one (per user)
    from the kit, the per-user example downloaded."""
    for installer in ("nsis_example2.exe", "nsis_modern_ui.exe"):
        shutil.copyfile(BIN_DIR / installer, kit.folder / installer)
    downloaded = BIN_DIR / "nsis_per_user.exe"
    return [
        {"name": "NSIS Example2", "SetupFile": "nsis_example2.exe", **silent_switch("/S"),
         **searches((7, "HKLM\\Software\\NSIS_Example2\\Install_Dir"), (5, "HKLM\\" + UNINSTALL + "Example2"),
                    (0, "[ProgramFilesFolder]Example2\\example2.nsi"))},
        {"name": "Per-user example", "Url": f"{transfer_servers.http}/bin/nsis_per_user.exe", **silent_switch("/S"),
         "ExactSize": str(downloaded.stat().st_size), "MD5": md5(downloaded),
         **searches((5, "HKCU\\" + UNINSTALL + "Per-user example"),
                    (0, "[LocalAppDataFolder]Programs\\Per-user example\\MyApp.exe", "1.2.3.4"))},
        {"name": "Modern UI Test", "SetupFile": "nsis_modern_ui.exe", **silent_switch("/S"),
         **searches((7, "HKCU\\Software\\Modern UI Test\\"), (0, "[LocalAppDataFolder]Modern UI Test\\Uninstall.exe"))},
    ]


@pytest.mark.parametrize("mode, label", [("q", "silent"), ("b", "basic UI")])
def test_nsis_example_installers_install_silently_and_are_found(kit, transfer_servers, nsis_products, mode, label):
    prerequisites = nsis_kit(kit, transfer_servers)
    kit.write_ini(configuration(mode, *prerequisites, general=f"DownloadFolder={to_windows_path(kit.folder / 'dl')}\n"))
    assert kit.run(NO_MENUS) == 0
    log = log_messages(kit.folder / "run.log")
    start = log.index(f"Starting installing prerequisites in {label} mode.")
    assert log[:start] == [
        "Searching for:NSIS Example2", FROM_PACKAGE,
        "Searching for:Per-user example", TO_DOWNLOAD,
        "Searching for:Modern UI Test", FROM_PACKAGE,
        "Prerequisite selected for install:NSIS Example2",
        "Prerequisite selected for install:Per-user example",
        "Prerequisite selected for install:Modern UI Test",
    ]
    kit_folder = to_windows_path(kit.folder)
    assert log[start + 1:start + 4] == ["Starting download of:Per-user example", "Download completed succesfully.",
                                        "Downloaded file was accepted."]
    assert log[start + 4:start + 10] == [
        f"Launching file:{kit_folder}\\nsis_example2.exe", "Return code of launched file:0",
        f"Launching file:{kit_folder}\\dl\\nsis_per_user.exe", "Return code of launched file:0",
        f"Launching file:{kit_folder}\\nsis_modern_ui.exe", "Return code of launched file:0",
    ]
    final = log[start + 10:]
    for name in ("NSIS Example2", "Per-user example", "Modern UI Test"):
        at = final.index("Searching for:" + name)
        assert final[at + 1] == FOUND, name
    assert final[-1] == "After running prerequisites we have:  Reboot was required=false"
    # What the installers wrote, read back the way a person would; the download is gone.
    assert reg_value("HKLM\\Software\\NSIS_Example2", "Install_Dir")
    assert reg_value("HKCU\\" + UNINSTALL + "Per-user example", "DisplayName") == "Per-user example"
    assert not (kit.folder / "dl").exists()


def msiexec(*arguments):
    return subprocess.run(wine("msiexec", *arguments), env=wine_env(), stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300).returncode


MSI_OPEN = "HKCR\\Msi.Package\\shell\\Open\\command"


@pytest.fixture(scope="module", autouse=True)
def msi_association_as_on_windows():
    """OS quirk (Wine 8): the prefix opens a .msi with `msiexec /i "%1"` and drops the parameters that the
    shell is given, where Windows' association ends in %*; without it /qn never reaches msiexec, and a package
    that fails waits for a click on its message. The test prefix gets Windows' association while these run."""
    saved = reg_value(MSI_OPEN, "")
    windows = 'C:\\windows\\system32\\msiexec.exe /i "%1" %*'
    for view in ("/reg:32", "/reg:64"):
        reg("add", MSI_OPEN, "/ve", "/d", windows, "/f", view)
    yield
    if saved is not None:
        for view in ("/reg:32", "/reg:64"):
            reg("add", MSI_OPEN, "/ve", "/d", saved, "/f", view)


@pytest.fixture
def chained_product():
    msiexec("/x", CHAINED_PRODUCT, "/qn")
    yield
    msiexec("/x", CHAINED_PRODUCT, "/qn")


@pytest.mark.parametrize("mode, label", [("q", "silent"), ("b", "basic UI")])
def test_msi_package_installs_with_qn_and_is_found_by_its_codes(kit, chained_product, mode, label):
    shutil.copyfile(BIN_DIR / "chained_product.msi", kit.folder / "chained_product.msi")
    kit.write_ini(configuration(mode, {
        "name": "Chained product", "SetupFile": "chained_product.msi", **silent_switch("/qn"),
        **searches((3, CHAINED_PRODUCT, "2.1"), (4, CHAINED_UPGRADE, "2.0"), (11, CHAINED_COMPONENT)),
    }))
    assert kit.run() == 0
    log = log_messages(kit.folder / "run.log")
    start = log.index(f"Starting installing prerequisites in {label} mode.")
    assert log[:2] == ["Searching for:Chained product", FROM_PACKAGE]
    assert log[start + 1:] == [
        f"Launching file:{to_windows_path(kit.folder)}\\chained_product.msi",
        "Return code of launched file:0",
        "Searching for:Chained product", FOUND,
        "Prerequisite selected for install:Chained product",
        "After running prerequisites we have:  Reboot was required=false",
    ]


@pytest.mark.parametrize("mode, label", [("q", "silent"), ("b", "basic UI")])
def test_mandatory_msi_package_that_cannot_install_ends_the_run_with_1(kit, mode, label):
    shutil.copyfile(BIN_DIR / "refused_product.msi", kit.folder / "refused_product.msi")
    kit.write_ini(configuration(mode, {
        "name": "Refused product", "SetupFile": "refused_product.msi", **silent_switch("/qn"),
        **searches((3, REFUSED_PRODUCT)),
    }))
    if mode == "q":
        assert kit.run() == 1
    else:
        # The window shows the failure and stays until it is closed.
        chainer = kit.start()
        try:
            assert cancel_when_shown(kit, "Refused product") == 0
            assert chainer.wait(timeout=60) == 1
        finally:
            if chainer.poll() is None:
                chainer.kill()
    log = log_messages(kit.folder / "run.log")
    start = log.index(f"Starting installing prerequisites in {label} mode.")
    # ERROR_INSTALL_FAILURE: the launch condition was not met.
    assert log[start + 1:] == [
        f"Launching file:{to_windows_path(kit.folder)}\\refused_product.msi",
        "Return code of launched file:1603",
        "Searching for:Refused product", FROM_PACKAGE,
        "After running prerequisites we have:  Reboot was required=false",
    ]
