"""Evaluation and the main flow on real configurations: searches against the real Wine registry, exclusions,
selection, modes and exit codes, all read back from the log."""
import shutil
import subprocess
import uuid

import pytest

from conftest import BIN_DIR, interboot_key_exists, log_messages as conftest_log_messages, wine, wine_env

ALL_FOUND = "No prerequisite must be installed."
FOUND = "Search result:An acceptable version was found."
FROM_PACKAGE = "Search result:No acceptable version found. It must be installed from package."
DOWNLOAD = "Search result:No acceptable version found. It must be downloaded."
# A fresh Wine prefix runs in US English.
LANGUAGE_LINE = "SystemDefault LangID=1033-English (United States)"


@pytest.fixture
def registry_key():
    """A private HKCU key the searches can find, removed afterwards."""
    key = "HKCU\\Software\\VelmoraE2E\\" + uuid.uuid4().hex
    subprocess.run(wine("reg", "add", key, "/f"), env=wine_env(), check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    yield key
    subprocess.run(wine("reg", "delete", key, "/f"), env=wine_env(),
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def log_messages(kit):
    return conftest_log_messages(kit.folder / "run.log")


EVALUATION_PREFIXES = ("Wrong OS or Os language for:", "Searching for:", "Search result:",
                       "Prerequisite selected for install:", "Starting installing prerequisites in",
                       "After running prerequisites we have:")


def evaluation_messages(kit):
    """The log's evaluation and main-flow lines, without what the processing phases add between them."""
    return [m for m in log_messages(kit) if m.startswith(EVALUATION_PREFIXES)]


def configuration(options, *prerequisites):
    names = "".join(f"App{i}={p['name']}\n" for i, p in enumerate(prerequisites, 1))
    text = f"[GeneralOptions]\nOptions={options}\n[PREREQ_CHAINER]\nLogFile=run.log\n[PREREQUISITES]\n{names}"
    for i, p in enumerate(prerequisites, 1):
        text += f"[App{i}]\n" + "".join(f"{k}={v}\n" for k, v in p.items() if k != "name")
    return text


def key_exists(key):
    return {"SearchType1": "5", "SearchString1": key}


def test_everything_found_logs_each_search_and_exits_0(kit, registry_key):
    kit.write_ini(configuration("q", {"name": "Runtime", "SetupFile": "rt.exe", **key_exists(registry_key)}))
    assert kit.run() == 0
    assert log_messages(kit) == ["Searching for:Runtime", FOUND, ALL_FOUND]


def test_excluded_by_os_or_language_is_not_searched(kit, registry_key):
    kit.write_ini(configuration(
        "q",
        {"name": "OldOs", "SetupFile": "a.exe", "WinNTVersions": "Windows 7 x86",
         "WinNT64Versions": "Windows 7 x64", **key_exists(registry_key + "\\missing")},
        {"name": "German", "SetupFile": "b.exe", "LanguageList": "1031", **key_exists(registry_key)},
    ))
    assert kit.run() == 0
    messages = log_messages(kit)
    # The language is looked at only for a system that is not excluded, and named before it is judged.
    assert messages[:3] == [
        "Wrong OS or Os language for:OldOs", LANGUAGE_LINE, "Wrong OS or Os language for:German"]
    assert not any(m.startswith("Searching for:") for m in messages)
    assert messages[-1] == ALL_FOUND


def test_option_i_skips_the_searches_and_selects(kit, registry_key):
    kit.write_ini(configuration("", {"name": "Always", "SetupFile": "a.exe", "Options": "i",
                                     **key_exists(registry_key)}))
    assert kit.run() == 0
    assert log_messages(kit) == [
        "Searching for:Always", FROM_PACKAGE, "Prerequisite selected for install:Always",
        "After running prerequisites we have:  Reboot was required=false",
    ]


@pytest.mark.parametrize("operator, found", [("0", False), ("1", True), ("2", False)])
def test_operator_combines_the_searches(kit, registry_key, operator, found):
    kit.write_ini(configuration("", {
        "name": "Combined", "Url": "http://127.0.0.1:9/c.exe", "Operator": operator,
        "SearchType1": "5", "SearchString1": registry_key,
        "SearchType2": "5", "SearchString2": registry_key + "\\missing"}))
    assert kit.run() == 0
    messages = log_messages(kit)
    assert messages[1] == (FOUND if found else DOWNLOAD)


def test_selecting_a_child_selects_its_parent(kit, registry_key):
    missing = key_exists(registry_key + "\\missing")
    kit.write_ini(configuration(
        "",
        {"name": "Child", "SetupFile": "c.exe", "ParentPrereq": "Parent", **missing},
        {"name": "Parent", "SetupFile": "p.exe", **missing},
        {"name": "Orphan", "SetupFile": "o.exe", "ParentPrereq": "Nobody", **missing},
    ))
    assert kit.run() == 0
    selected = [m for m in log_messages(kit) if m.startswith("Prerequisite selected for install:")]
    assert selected == ["Prerequisite selected for install:Child", "Prerequisite selected for install:Parent",
                        "Prerequisite selected for install:Orphan"]


def test_silent_run_with_a_missing_mandatory_prerequisite_exits_1(kit, registry_key):
    kit.write_ini(configuration("q", {"name": "Needed", "SetupFile": "n.exe", "Options": "m",
                                      **key_exists(registry_key + "\\missing")}))
    assert kit.run() == 1
    messages = log_messages(kit)
    assert "Starting installing prerequisites in silent mode." in messages
    assert messages[-1] == "After running prerequisites we have:  Reboot was required=false"


def test_basic_ui_run_logs_its_mode(kit, registry_key):
    kit.write_ini(configuration("b", {"name": "Optional", "SetupFile": "o.exe",
                                      **key_exists(registry_key + "\\missing")}))
    assert kit.run() == 0
    assert "Starting installing prerequisites in basic UI mode." in log_messages(kit)


def test_interboot_store_key_is_deleted_at_the_end(kit, registry_key):
    subprocess.run(wine("reg", "add", "HKCU\\InterbootContext", "/v", "Old", "/d", "0", "/f"),
                   env=wine_env(), check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    kit.write_ini(configuration("q", {"name": "Runtime", "SetupFile": "rt.exe", **key_exists(registry_key)}))
    assert kit.run() == 0
    query = subprocess.run(wine("reg", "query", "HKCU\\InterbootContext"), env=wine_env(),
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    assert query.returncode != 0


@pytest.mark.parametrize("general, options, present, exit_code", [
    ("q", "m", False, 1),    # silent, a mandatory prerequisite still missing
    ("q", "m", True, 0),     # silent, the mandatory prerequisite is installed
    ("q", "", False, 0),     # silent, only an optional one missing
    ("q", "mi", False, 0),   # "i" excuses a mandatory prerequisite from the final check
    ("qb", "m", False, 1),   # both letters: silent wins
    ("b", "m", False, 1),    # basic UI: the processing window ends with "some still missing"
    ("", "m", False, 0),     # neither mode: nothing is processed, whatever is missing
])
def test_exit_code_follows_mode_and_final_check(kit, registry_key, general, options, present, exit_code):
    search = key_exists(registry_key if present else registry_key + "\\missing")
    # A setup file that launches and succeeds without installing anything: the prerequisite is still
    # missing at the final check, and no failed launch keeps a processing window open.
    shutil.copyfile(BIN_DIR / "exit_with.exe", kit.folder / "n.exe")
    kit.write_ini(configuration(general, {"name": "Needed", "SetupFile": "n.exe", "Options": options,
                                          "CommandLine": "0", "BasicUiCommandLine": "0", "NoUiCommandLine": "0",
                                          **search}))
    assert kit.run() == exit_code
    messages = log_messages(kit)
    if present:
        assert messages[-1] == ALL_FOUND
    else:
        assert messages[-1] == "After running prerequisites we have:  Reboot was required=false"
        silent = "q" in general
        assert ("Starting installing prerequisites in silent mode." in messages) == silent
        assert ("Starting installing prerequisites in basic UI mode." in messages) == (general == "b")


def test_prerequisite_without_searches_is_found(kit):
    kit.write_ini(configuration("q", {"name": "Bare", "SetupFile": "b.exe", "Operator": "0", "Options": "m"}))
    assert kit.run() == 0
    assert log_messages(kit) == ["Searching for:Bare", FOUND, ALL_FOUND]


def test_excluded_mandatory_prerequisite_does_not_fail_the_run(kit, registry_key):
    kit.write_ini(configuration("q", {"name": "OldOs", "SetupFile": "a.exe", "Options": "m",
                                      "WinNTVersions": "Windows 7 x86", "WinNT64Versions": "Windows 7 x64",
                                      **key_exists(registry_key + "\\missing")}))
    assert kit.run() == 0
    assert log_messages(kit) == ["Wrong OS or Os language for:OldOs", ALL_FOUND]


def test_site_and_download_states_are_logged_and_selected(kit, registry_key):
    missing = key_exists(registry_key + "\\missing")
    kit.write_ini(configuration(
        "",
        {"name": "Site", "OpenSite": "http://127.0.0.1:9/page", **missing},
        {"name": "Remote", "Url": "http://127.0.0.1:9/r.exe", **missing},
    ))
    assert kit.run() == 0
    assert log_messages(kit) == [
        "Searching for:Site",
        "Search result:No acceptable version found. It must be downloaded manually from a site.",
        "Searching for:Remote", DOWNLOAD,
        "Prerequisite selected for install:Site", "Prerequisite selected for install:Remote",
        "After running prerequisites we have:  Reboot was required=false",
    ]


def test_recorded_exit_codes_survive_until_a_run_ends_the_store(kit, registry_key, interboot_value):
    interboot_value("RuntimeRet", "3010")
    kit.write_ini(configuration("q", {"name": "Runtime", "SetupFile": "rt.exe", "RetValPropName": "RuntimeRet",
                                      "Options": "m", **key_exists(registry_key + "\\missing")}))
    assert kit.run() == 1
    # No reboot is pending at the end of this run, so the key goes.
    assert not interboot_key_exists()


@pytest.mark.parametrize("language_list", ["1033", "1031;1033", "1031;1033;", " 1033;1031"])
def test_language_list_naming_the_system_language_is_searched(kit, registry_key, language_list):
    kit.write_ini(configuration("q", {"name": "Local", "SetupFile": "l.exe", "LanguageList": language_list,
                                      **key_exists(registry_key)}))
    assert kit.run() == 0
    assert log_messages(kit) == [LANGUAGE_LINE, "Searching for:Local", FOUND, ALL_FOUND]


@pytest.mark.parametrize("language_list", ["1031", "1031;;1036", "0x409"])
def test_language_list_without_the_system_language_excludes(kit, registry_key, language_list):
    kit.write_ini(configuration("q", {"name": "Foreign", "SetupFile": "f.exe", "LanguageList": language_list,
                                      **key_exists(registry_key)}))
    assert kit.run() == 0
    assert log_messages(kit) == [LANGUAGE_LINE, "Wrong OS or Os language for:Foreign", ALL_FOUND]


def test_empty_language_list_accepts_without_naming_the_language(kit, registry_key):
    kit.write_ini(configuration("q", {"name": "Any", "SetupFile": "a.exe", "LanguageList": "",
                                      **key_exists(registry_key)}))
    assert kit.run() == 0
    assert log_messages(kit) == ["Searching for:Any", FOUND, ALL_FOUND]


def test_prerequisite_list_ends_at_the_first_gap_in_the_numbers(kit, registry_key):
    kit.write_ini(
        "[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nLogFile=run.log\n"
        "[PREREQUISITES]\nApp1=First\nApp3=Third\n"
        f"[App1]\nSetupFile=1.exe\nSearchType1=5\nSearchString1={registry_key}\n"
        f"[App3]\nSetupFile=3.exe\nSearchType1=5\nSearchString1={registry_key}\n")
    assert kit.run() == 0
    assert log_messages(kit) == ["Searching for:First", FOUND, ALL_FOUND]


def test_section_is_found_by_the_key_name_not_by_the_display_name(kit, registry_key):
    kit.write_ini(
        "[GeneralOptions]\nOptions=q\n[PREREQ_CHAINER]\nLogFile=run.log\n"
        "[PREREQUISITES]\nApp1=Runtime\n"
        f"[Runtime]\nSetupFile=1.exe\nSearchType1=5\nSearchString1={registry_key}\n")
    assert kit.run() == 0
    # No prerequisite at all: the main flow has nothing to do and logs nothing.
    assert log_messages(kit) == []


def test_search_without_its_string_drops_that_prerequisite_and_all_after_it(kit, registry_key):
    kit.write_ini(configuration(
        "q",
        {"name": "Good", "SetupFile": "g.exe", **key_exists(registry_key)},
        {"name": "Broken", "SetupFile": "b.exe", "SearchType1": "5", "SearchString1": registry_key,
         "SearchType2": "5"},
        {"name": "After", "SetupFile": "a.exe", **key_exists(registry_key)},
    ))
    assert kit.run() == 0
    assert log_messages(kit) == ["Searching for:Good", FOUND, ALL_FOUND]


def test_prerequisite_without_a_source_ends_the_list(kit, registry_key):
    kit.write_ini(configuration(
        "q",
        {"name": "Good", "SetupFile": "g.exe", **key_exists(registry_key)},
        {"name": "Sourceless", **key_exists(registry_key)},
        {"name": "After", "SetupFile": "a.exe", **key_exists(registry_key)},
    ))
    assert kit.run() == 0
    assert log_messages(kit) == ["Searching for:Good", FOUND, ALL_FOUND]


@pytest.mark.parametrize("sources, result", [
    ({"SetupFile": "s.exe", "Url": "http://127.0.0.1:9/u.exe"}, FROM_PACKAGE),
    ({"SetupFile": "", "OpenSite": "http://127.0.0.1:9/"}, FROM_PACKAGE),
    ({"Url": "http://127.0.0.1:9/u.exe"}, DOWNLOAD),
])
def test_first_present_source_key_decides_how_a_missing_prerequisite_is_obtained(kit, registry_key, sources,
                                                                                  result):
    # Option "i" marks it as missing without searching; a run without "q" or "b" processes nothing.
    kit.write_ini(configuration("", {"name": "Missing", "Options": "i", **sources}))
    assert kit.run() == 0
    assert log_messages(kit)[:2] == ["Searching for:Missing", result]


def test_final_check_searches_again_but_not_for_excluded_or_i_prerequisites(kit, registry_key):
    missing = key_exists(registry_key + "\\missing")
    kit.write_ini(configuration(
        "q",
        {"name": "OldOs", "SetupFile": "a.exe", "Options": "m", "WinNTVersions": "Windows 7 x86",
         "WinNT64Versions": "Windows 7 x64", **missing},
        {"name": "Always", "SetupFile": "b.exe", "Options": "i", **missing},
        {"name": "Needed", "SetupFile": "c.exe", "Options": "m", **missing},
    ))
    assert kit.run() == 1
    assert evaluation_messages(kit) == [
        "Wrong OS or Os language for:OldOs",
        "Searching for:Always", FROM_PACKAGE,
        "Searching for:Needed", FROM_PACKAGE,
        "Prerequisite selected for install:Always", "Prerequisite selected for install:Needed",
        "Starting installing prerequisites in silent mode.",
        # The final check: the excluded one is left alone, the "i" one keeps its state without a result.
        "Searching for:Always",
        "Searching for:Needed", FROM_PACKAGE,
        "After running prerequisites we have:  Reboot was required=false",
    ]


def test_download_already_in_a_relative_download_folder_is_not_fetched_again(kit, registry_key):
    # The download folder is relative to the chainer's folder; the file is there at its exact size, so the
    # run launches it without a download (the URL leads nowhere).
    (kit.folder / "dl").mkdir()
    shutil.copyfile(BIN_DIR / "exit_with.exe", kit.folder / "dl" / "r.exe")
    size = (kit.folder / "dl" / "r.exe").stat().st_size
    text = configuration("q", {"name": "Remote", "Url": "http://127.0.0.1:9/r.exe", "ExactSize": str(size),
                               "NoUiCommandLine": "0", "Options": "m", **key_exists(registry_key + "\\missing")})
    kit.write_ini(text.replace("[GeneralOptions]\n", "[GeneralOptions]\nDownloadFolder=dl\n"))
    assert kit.run() == 1
    messages = log_messages(kit)
    assert DOWNLOAD in messages
    assert not any(m.startswith("Starting download of:") for m in messages)
    assert (kit.folder / "dl" / "r.exe").exists()
