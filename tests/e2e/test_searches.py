"""Searches of every kind a kit commonly uses, run by the real chainer against the Wine registry, real files and
folders, real programs and an installed Windows Installer product; each answer read back from the log's
"Search result:" line of its prerequisite."""
import os
import shutil
import subprocess
import time
import uuid
from pathlib import Path

import pytest

from conftest import (BIN_DIR, IS_64BIT_PROCESS, configuration, log_messages, reg, to_windows_path, wine,
                      wine_env)

FOUND = "An acceptable version was found."
MISSING = "No acceptable version found. It must be installed from package."

# The product that tests/e2e/CMakeLists.txt builds with wixl.
E2E_MSI = BIN_DIR / "e2e_product.msi"
E2E_PRODUCT = "{6A1C3C52-8B0E-4E0F-9E51-0C5B1F6AE001}"  # version 4.5.6
E2E_COMPONENT = "{6A1C3C52-8B0E-4E0F-9E51-0C5B1F6AEC01}"
E2E_UPGRADE = "{6A1C3C52-8B0E-4E0F-9E51-0C5B1F6AEEEE}"
UNKNOWN_CODE = "{00000000-1111-2222-3333-444444444444}"
# Windows Installer refuses a second installation while one runs (another test may be installing).
ERROR_INSTALL_ALREADY_RUNNING = 1618


@pytest.fixture
def registry_key():
    """A private HKCU key the searches can find, removed afterwards."""
    key = "HKCU\\Software\\VelmoraE2E\\" + uuid.uuid4().hex
    assert reg("add", key, "/f") == 0
    yield key
    reg("delete", key, "/f")


def messages_of(kit):
    return log_messages(kit.folder / "run.log")


def is_64bit_prefix():
    return os.environ.get("VELMORA_WINE_ARCH") == "win64"


def search(search_type, search_string, ver_min="", ver_max="", **extra):
    """The keys of one search, numbered 1."""
    keys = {"SearchType1": str(search_type), "SearchString1": search_string}
    if ver_min:
        keys["VerMin1"] = ver_min
    if ver_max:
        keys["VerMax1"] = ver_max
    keys.update({f"{k}1": v for k, v in extra.items()})
    return keys


def search_results(kit):
    """Prerequisite name to the text after "Search result:" of its (last) evaluation."""
    messages = messages_of(kit)
    results = {}
    for at, message in enumerate(messages):
        if message.startswith("Searching for:"):
            following = messages[at + 1] if at + 1 < len(messages) else ""
            assert following.startswith("Search result:"), following
            results[message[len("Searching for:"):]] = following[len("Search result:"):]
    return results


def run_cases(kit, cases, general="", extra_env=None):
    """Runs one configuration with a prerequisite per case, name -> (search keys, found), in the mode that
    evaluates without installing anything, and compares every answer."""
    prerequisites = [{"name": name, "SetupFile": "missing_setup.exe", **keys}
                     for name, (keys, _) in cases.items()]
    kit.write_ini(configuration("", *prerequisites, general=general))
    assert kit.run(extra_env) == 0
    expected = {name: FOUND if found else MISSING for name, (_, found) in cases.items()}
    assert search_results(kit) == expected


def reg_add(key, name, data, kind="REG_SZ", view=None):
    args = ["add", key, "/v", name, "/t", kind, "/d", data, "/f"]
    if view:
        args.append(f"/reg:{view}")
    assert reg(*args) == 0


def copy_helper(name, target):
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(BIN_DIR / name, target)


def record_of(path):
    """The fields exit_with.exe wrote about how it was started."""
    return dict(line.split("=", 1) for line in Path(path).read_text().splitlines() if "=" in line)


def test_Searches_RegistryValueVersion_BoundsAreInclusiveAndTheTextIsReadWhateverItsType(kit, registry_key):
    reg_add(registry_key, "Version", "2.5.1")
    reg_add(registry_key, "Worded", "Release 3,1")
    reg_add(registry_key, "Number", "5", kind="REG_DWORD")
    value = registry_key + "\\"
    run_cases(kit, {
        "InRange": (search(2, value + "Version", "2.0", "3.0"), True),
        "OnBothBounds": (search(2, value + "Version", "2.5.1", "2.5.1"), True),
        "BelowMin": (search(2, value + "Version", "2.6"), False),
        "AboveMax": (search(2, value + "Version", "", "2.5"), False),
        "NoBounds": (search(2, value + "Version"), True),
        "ZeroBoundsAreAbsent": (search(2, value + "Version", "0.0.0.0", "0"), True),
        "WordsAndCommas": (search(2, value + "Worded", "3.1", "3.1"), True),
        # A DWORD's bytes read as UTF-16 hold no digit: no version, so only a search without bounds finds it.
        "DwordWithBound": (search(2, value + "Number", "1.0"), False),
        "DwordWithoutBounds": (search(2, value + "Number"), True),
        "MissingValue": (search(2, value + "Nothing"), False),
        "MissingKey": (search(2, registry_key + "\\missing\\Version"), False),
        "LongRootName": (search(2, "HKEY_CURRENT_USER" + value[4:] + "Version", "2.5"), True),
    })


def test_Searches_RegistryNames_SubkeyAndValueNamesAreTheVersions(kit, registry_key):
    for name in ("1.5", "2.0.1", "Servicing"):
        assert reg("add", registry_key + "\\Subkeys\\" + name, "/f") == 0
    reg_add(registry_key + "\\Values", "3.1", "")
    reg_add(registry_key + "\\Values", "Install", "1")
    subkeys = registry_key + "\\Subkeys"
    values = registry_key + "\\Values"
    run_cases(kit, {
        "SubkeyInRange": (search(1, subkeys, "2.0", "2.0.1"), True),
        "SubkeyTooOld": (search(1, subkeys, "2.1"), False),
        "SubkeyNoBounds": (search(1, subkeys), True),
        "NoSubkeys": (search(1, values), False),
        "ValueNameInRange": (search(12, values, "3.1", "3.1"), True),
        "ValueNameTooNew": (search(12, values, "", "3.0"), False),
        "MissingKey": (search(12, registry_key + "\\missing"), False),
    })


def test_Searches_RegistryView_XOptionReadsThe64BitViewOnA64BitSystem(kit):
    key = "HKLM\\Software\\VelmoraE2E\\" + uuid.uuid4().hex
    try:
        # On a 32-bit system both views are one key: the later write wins.
        reg_add(key, "Version", "3.0", view="32")
        reg_add(key, "Version", "4.0", view="64")
        only_in_64 = key + "\\Native"
        assert reg("add", only_in_64, "/f", "/reg:64") == 0
        # Without "x" a search reads the process's own view: the 32-bit one for the 32-bit chainer on a
        # 64-bit system, the 64-bit one for a 64-bit process.
        own_view_is_64bit = not is_64bit_prefix() or IS_64BIT_PROCESS
        run_cases(kit, {
            "ValueWithX": ({**search(2, key + "\\Version", "4.0"), "Options": "x"}, True),
            "ValueWithoutX": (search(2, key + "\\Version", "4.0"), own_view_is_64bit),
            "KeyWithX": ({**search(5, only_in_64), "Options": "x"}, True),
            "KeyWithoutX": (search(5, only_in_64), own_view_is_64bit),
        })
    finally:
        for view in ("32", "64"):
            reg("delete", key, "/f", f"/reg:{view}")


def test_Searches_RegistryValueExistsAndMissing_AnswerOppositely(kit, registry_key):
    reg_add(registry_key, "Present", "")
    run_cases(kit, {
        "ExistsPresent": (search(7, registry_key + "\\Present"), True),
        "ExistsAbsent": (search(7, registry_key + "\\Absent"), False),
        "ExistsNoKey": (search(7, registry_key + "\\missing\\Present"), False),
        "MissingPresent": (search(8, registry_key + "\\Present"), False),
        "MissingAbsent": (search(8, registry_key + "\\Absent"), True),
        "MissingNoKey": (search(8, registry_key + "\\missing\\Present"), True),
        "MissingNoBackslash": (search(8, "HKCU"), True),
    })


def test_Searches_RegistryValueContent_OperatorsCompareCaseSensitively(kit, registry_key):
    reg_add(registry_key, "Edition", "Professional x64")
    reg_add(registry_key, "Count", "12", kind="REG_DWORD")
    reg_add(registry_key, "Build", "12b")
    reg_add(registry_key, "Empty", "")
    edition = registry_key + "\\Edition"
    count = registry_key + "\\Count"

    def content(path, ref):
        return search(9, path, RefContent=ref)

    run_cases(kit, {
        "Equal": (content(edition, "MProfessional x64"), True),
        "EqualOtherCase": (content(edition, "Mprofessional x64"), False),
        "Contains": (content(edition, "Csional"), True),
        "StartsWith": (content(edition, "SPro"), True),
        "EndsWith": (content(edition, "Ex64"), True),
        "Differs": (content(edition, "DHome"), True),
        "LacksButHas": (content(edition, "Xx64"), False),
        "LacksAndLacks": (content(edition, "Xarm64"), True),
        "DwordGreater": (content(count, "G10"), True),
        "DwordNotLess": (content(count, "L10"), False),
        "DigitsThenLetter": (content(registry_key + "\\Build", "G10"), False),
        "EmptyCountsAsZero": (content(registry_key + "\\Empty", "L1"), True),
        "UnknownOperator": (content(edition, "ZProfessional x64"), False),
        "NoRefContent": (search(9, edition), False),
        "NoValueNoText": (content(registry_key + "\\Absent", "DHome"), False),
    })


def test_Searches_FileVersion_BesideTheChainerAndBelowItToTheGivenDepth(kit):
    copy_helper("exit_with.exe", kit.folder / "probe.exe")  # file version 1.2.3.4
    copy_helper("exit_with_v10.exe", kit.folder / "deep" / "one" / "probe10.exe")  # 10.0.65535.7
    (kit.folder / "plain.dll").write_bytes(b"no version resource")
    absolute = to_windows_path(kit.folder) + "\\probe.exe"
    # A name without a folder is looked for in the root of each fixed drive only, never beside the chainer.
    bare = "velmora_e2e_" + uuid.uuid4().hex + ".exe"
    copy_helper("exit_with.exe", kit.folder / bare)
    run_cases(kit, {
        "InRange": (search(0, "[SETUPEXEDIR]probe.exe", "1.2", "1.2.3.4"), True),
        "TooOld": (search(0, "[SETUPEXEDIR]probe.exe", "1.2.3.5"), False),
        "TooNew": (search(0, absolute, "", "1.2.3.3"), False),
        "AbsoluteNoBounds": (search(0, absolute), True),
        "EnvironmentReference": (search(0, "%VELMORA_E2E_KIT%\\probe.exe", "1.2.3.4"), True),
        "TwoLevelsDown": (search(0, "[SETUPEXEDIR]probe10.exe?2", "10.0"), True),
        "OneLevelIsNotEnough": (search(0, "[SETUPEXEDIR]probe10.exe?1"), False),
        "NoResourceNoBounds": (search(0, "[SETUPEXEDIR]plain.dll"), True),
        "NoResourceWithBound": (search(0, "[SETUPEXEDIR]plain.dll", "1.0"), False),
        "MissingFile": (search(0, "[SETUPEXEDIR]absent.dll"), False),
        "BareName": (search(0, bare), False),
    }, extra_env={"VELMORA_E2E_KIT": to_windows_path(kit.folder)})


@pytest.fixture
def system_folder_file():
    """A helper under one name in the 32-bit system folder (1.2.3.4) and, on a 64-bit system, in the
    native one (10.0.65535.7); removed afterwards."""
    windows = Path(os.environ["WINEPREFIX"]) / "drive_c" / "windows"
    name = "velmora_e2e_" + uuid.uuid4().hex + ".exe"
    placed = []
    if is_64bit_prefix():
        placed += [windows / "syswow64" / name, windows / "system32" / name]
        copy_helper("exit_with.exe", placed[0])
        copy_helper("exit_with_v10.exe", placed[1])
    else:
        placed.append(windows / "system32" / name)
        copy_helper("exit_with.exe", placed[0])
    yield name
    for path in placed:
        path.unlink(missing_ok=True)


def test_Searches_FileVersion_SystemFolderIsThe32BitOneUnlessTheXOptionAsksForTheNative(kit, system_folder_file):
    path = "[SystemFolder]" + system_folder_file
    wow64 = is_64bit_prefix()
    run_cases(kit, {
        "ThirtyTwoBitView": (search(0, path, "1.2.3.4", "1.2.3.4"), True),
        "NativeWithX": ({**search(0, path, "10.0"), "Options": "x"}, wow64),
        "NativeWithoutX": (search(0, path, "10.0"), False),
    })


@pytest.fixture
def drive_c_file():
    """A helper two folder levels below the root of C: (1.2.3.4), under a name no other file has."""
    top = Path(os.environ["WINEPREFIX"]) / "drive_c" / ("velmora_e2e_" + uuid.uuid4().hex)
    name = "velmora_e2e_" + uuid.uuid4().hex + ".exe"
    copy_helper("exit_with.exe", top / "sub" / name)
    yield name
    shutil.rmtree(top, ignore_errors=True)


def test_Searches_FileVersion_BareNameWalksEachFixedDriveToTheGivenDepth(kit, drive_c_file):
    run_cases(kit, {
        "RootOnly": (search(0, drive_c_file), False),
        "OneLevel": (search(0, drive_c_file + "?1"), False),
        "TwoLevels": (search(0, drive_c_file + "?2", "1.2.3.4", "1.2.3.4"), True),
        "TwoLevelsTooOld": (search(0, drive_c_file + "?2", "1.2.3.5"), False),
    })


def test_Searches_FolderNameVersion_SubfolderNamesAreTheVersions(kit):
    for name in ("1.0", "2.5", "notes"):
        (kit.folder / "versions" / name).mkdir(parents=True)
    (kit.folder / "words" / "beta").mkdir(parents=True)
    (kit.folder / "versions" / "9.0.txt").write_bytes(b"a file, not a folder")
    run_cases(kit, {
        "MinReached": (search(14, "[SETUPEXEDIR]versions", "2.0"), True),
        "MinNotReached": (search(14, "[SETUPEXEDIR]versions", "3.0"), False),
        "MaxReached": (search(14, "[SETUPEXEDIR]versions", "", "1.0"), True),
        "ExactWithBackslash": (search(14, "[SETUPEXEDIR]versions\\", "2.5", "2.5"), True),
        "WordsWithoutBounds": (search(14, "[SETUPEXEDIR]words"), True),
        "WordsWithBound": (search(14, "[SETUPEXEDIR]words", "1.0"), False),
        "NoSubfolders": (search(14, "[SETUPEXEDIR]versions\\2.5"), False),
        "MissingFolder": (search(14, "[SETUPEXEDIR]absent"), False),
    })


def test_Searches_RunProgram_FoundWhenTheProgramBesideTheChainerExitsWith0(kit, tmp_path):
    copy_helper("exit_with.exe", kit.folder / "probe.exe")
    hidden = tmp_path / "hidden.txt"
    shown = tmp_path / "shown.txt"
    run_cases(kit, {
        "ExitsZero": (search(10, "probe.exe", SearchCmdLine="0"), True),
        "ExitsThree": (search(10, "probe.exe", SearchCmdLine="3"), False),
        "Hidden": (search(10, "probe.exe", SearchCmdLine=f"0 \"{to_windows_path(hidden)}\"",
                          RefContent="WND_HIDE"), True),
        "Shown": (search(10, "probe.exe", SearchCmdLine=f"0 \"{to_windows_path(shown)}\"",
                         RefContent="wnd_hide"), True),
        "ArgumentReference": (search(10, "probe.exe", SearchCmdLine="%VELMORA_E2E_CODE%"), True),
        "MissingProgram": (search(10, "absent.exe", SearchCmdLine="0"), False),
    }, extra_env={"VELMORA_E2E_CODE": "0"})
    assert record_of(hidden)["show"] == "0"
    assert record_of(shown)["show"] == "1"
    # No working folder is given, so the program starts in its own folder.
    assert record_of(hidden)["cwd"].rstrip("\\").lower() == to_windows_path(kit.folder).lower()


@pytest.mark.parametrize("written", ["path", "reference"])
def test_Searches_RunProgram_ComesFromTheConfiguredExtractionFolder(kit, tmp_path, written):
    extraction = tmp_path / "extracted"
    copy_helper("exit_with.exe", extraction / "probe.exe")
    copy_helper("exit_with.exe", kit.folder / "beside.exe")
    folder = to_windows_path(extraction) if written == "path" else "%VELMORA_E2E_EXTRACTED%"
    run_cases(kit, {
        "InExtractionFolder": (search(10, "probe.exe", SearchCmdLine="0"), True),
        "BesideTheChainer": (search(10, "beside.exe", SearchCmdLine="0"), False),
    }, general=f"ExtractionFolder={folder}\n", extra_env={"VELMORA_E2E_EXTRACTED": to_windows_path(extraction)})


def test_Searches_RunProgram_DecidesTheExitCodeOfASilentRun(kit):
    copy_helper("exit_with.exe", kit.folder / "probe.exe")
    for code, exit_code in (("0", 0), ("7", 1)):
        kit.write_ini(configuration("q", {"name": "Probe", "SetupFile": "missing_setup.exe", "Options": "m",
                                          **search(10, "probe.exe", SearchCmdLine=code)}))
        assert kit.run() == exit_code
        assert search_results(kit) == {"Probe": FOUND if exit_code == 0 else MISSING}
        if exit_code == 0:
            assert messages_of(kit)[-1] == "No prerequisite must be installed."


def test_Searches_Operator_StopsAtTheFirstAnswerThatDecides(kit, registry_key, tmp_path):
    copy_helper("exit_with.exe", kit.folder / "probe.exe")
    present = {"SearchType": "5", "SearchString": registry_key}
    absent = {"SearchType": "5", "SearchString": registry_key + "\\missing"}

    def program(record):
        return {"SearchType": "10", "SearchString": "probe.exe",
                "SearchCmdLine": f"0 \"{to_windows_path(tmp_path / record)}\""}

    def searches(*items):
        return {f"{key}{k}": value for k, item in enumerate(items, 1) for key, value in item.items()}

    kit.write_ini(configuration(
        "",
        {"name": "AllStopsAtMissing", "SetupFile": "a.exe", "Operator": "0",
         **searches(present, absent, program("all_stopped.txt"))},
        {"name": "AllRunsEverything", "SetupFile": "b.exe", "Operator": "0",
         **searches(present, present, program("all_ran.txt"))},
        {"name": "AnyStopsAtFound", "SetupFile": "c.exe", "Operator": "1",
         **searches(absent, present, program("any_stopped.txt"))},
        {"name": "OtherOperatorRunsEverything", "SetupFile": "d.exe", "Operator": "2",
         **searches(present, program("other_ran.txt"))},
    ))
    assert kit.run() == 0
    assert search_results(kit) == {"AllStopsAtMissing": MISSING, "AllRunsEverything": FOUND,
                                   "AnyStopsAtFound": FOUND, "OtherOperatorRunsEverything": MISSING}
    assert not (tmp_path / "all_stopped.txt").exists()
    assert (tmp_path / "all_ran.txt").exists()
    assert not (tmp_path / "any_stopped.txt").exists()
    assert (tmp_path / "other_ran.txt").exists()


@pytest.fixture(scope="module")
def installed_product():
    """The e2e product installed in the test prefix for this module, removed afterwards."""
    package = to_windows_path(E2E_MSI)
    for _ in range(60):
        result = subprocess.run(wine("msiexec", "/i", package, "/qn"), env=wine_env(),
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if result.returncode != ERROR_INSTALL_ALREADY_RUNNING:
            break
        time.sleep(0.5)
    assert result.returncode == 0, f"msiexec /i answered {result.returncode}"
    yield
    for _ in range(60):
        result = subprocess.run(wine("msiexec", "/x", E2E_PRODUCT, "/qn"), env=wine_env(),
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if result.returncode != ERROR_INSTALL_ALREADY_RUNNING:
            break
        time.sleep(0.5)


def test_Searches_WindowsInstaller_ProductUpgradeCodeAndComponentOfAnInstalledPackage(kit, installed_product):
    run_cases(kit, {
        "Product": (search(3, E2E_PRODUCT), True),
        "ProductInRange": (search(3, E2E_PRODUCT, "4.5", "4.5.6"), True),
        "ProductTooOld": (search(3, E2E_PRODUCT, "4.5.7"), False),
        "ProductTooNew": (search(3, E2E_PRODUCT, "", "4.5.5"), False),
        "UnknownProduct": (search(3, UNKNOWN_CODE), False),
        "UpgradeCode": (search(4, E2E_UPGRADE, "4.0", "5.0"), True),
        "UpgradeCodeTooOld": (search(4, E2E_UPGRADE, "5.0"), False),
        "UnknownUpgradeCode": (search(4, UNKNOWN_CODE), False),
        "Component": (search(11, E2E_COMPONENT), True),
        "UnknownComponent": (search(11, UNKNOWN_CODE), False),
    })
