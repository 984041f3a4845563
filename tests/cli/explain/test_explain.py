"""chainer-explain under Wine: the real evaluation of a kit's configuration on the prefix's machine, every
search kind with what it collected, the system and language exclusions, parent and child selection, and the
action the processing sequence would take, while nothing is downloaded, launched or written."""
import re
import shutil

from conftest import EXIT_WITH, configuration, e2e, explain, explain_json, snapshot

UNKNOWN_CODE = "{00000000-1111-2222-3333-444444444444}"
INTERBOOT_KEY = "HKCU\\InterbootContext"


def by_name(report):
    return {p["name"]: p for p in report["prerequisites"]}


def test_every_search_kind_runs_and_shows_what_it_collected(kit, registry_key):
    shutil.copyfile(EXIT_WITH, kit / "tool.exe")  # file version 1.2.3.4; exits with its first argument
    for version in ("1.5", "0.9"):
        (kit / "versions" / version).mkdir(parents=True)
    reg = e2e.reg
    assert reg("add", registry_key + "\\Versions\\2.5", "/f") == 0
    assert reg("add", registry_key, "/v", "Version", "/d", "3.1", "/f") == 0
    assert reg("add", registry_key, "/v", "Count", "/t", "REG_DWORD", "/d", "12", "/f") == 0
    assert reg("add", registry_key + "\\Names", "/v", "4.0", "/d", "x", "/f") == 0
    key = registry_key
    # name: (search keys, found, values collected)
    cases = {
        "file version": ({"SearchType1": 0, "SearchString1": "[SETUPEXEDIR]tool.exe", "VerMin1": "1.2"},
                         True, ["1.2.3.4"]),
        "subkey version": ({"SearchType1": 1, "SearchString1": key + "\\Versions", "VerMin1": "2.0"}, True, ["2.5"]),
        "value version": ({"SearchType1": 2, "SearchString1": key + "\\Version", "VerMin1": "3.0"}, True, ["3.1"]),
        "product version": ({"SearchType1": 3, "SearchString1": UNKNOWN_CODE}, False, []),
        "upgrade code": ({"SearchType1": 4, "SearchString1": UNKNOWN_CODE}, False, []),
        "key exists": ({"SearchType1": 5, "SearchString1": key}, True, []),
        "key missing": ({"SearchType1": 6, "SearchString1": key + "\\Missing"}, True, []),
        "value exists": ({"SearchType1": 7, "SearchString1": key + "\\Version"}, True, []),
        "value missing": ({"SearchType1": 8, "SearchString1": key + "\\Missing"}, True, []),
        "value content": ({"SearchType1": 9, "SearchString1": key + "\\Count", "RefContent1": "G10"}, True, []),
        "program": ({"SearchType1": 10, "SearchString1": "tool.exe", "SearchCmdLine1": "0",
                     "RefContent1": "WND_HIDE"}, True, []),
        "failing program": ({"SearchType1": 10, "SearchString1": "tool.exe", "SearchCmdLine1": "3"}, False, []),
        "component": ({"SearchType1": 11, "SearchString1": UNKNOWN_CODE}, False, []),
        "value names": ({"SearchType1": 12, "SearchString1": key + "\\Names", "VerMin1": "4.0"}, True, ["4.0"]),
        "package": ({"SearchType1": 13, "SearchString1": "Vendor.App?x64?CN=Vendor"}, False, []),
        "folder names": ({"SearchType1": 14, "SearchString1": "[SETUPEXEDIR]versions", "VerMin1": "1.0"},
                         True, ["1.5"]),
        "unknown type": ({"SearchType1": 99, "SearchString1": "anything"}, True, []),
    }
    prerequisites = [dict(name=name, SetupFile="tool.exe", **keys) for name, (keys, _, _) in cases.items()]
    e2e.write_ini(kit / "setup.ini", configuration(*prerequisites))
    before = snapshot(kit)

    report = explain_json(kit)

    windows_kit = e2e.to_windows_path(kit) + "\\"
    explained = by_name(report)
    for name, (_, found, values) in cases.items():
        search = explained[name]["searches"][0]
        assert search["ran"], name
        assert (search["found"], search["values"]) == (found, values), name
        assert explained[name]["state"] == (0 if found else 1), name
    assert explained["file version"]["searches"][0]["lookedAt"] == windows_kit + "tool.exe"
    assert explained["file version"]["searches"][0]["verMin"] == {"key": "VerMin1", "written": "1.2", "read": "1.2"}
    assert explained["value content"]["searches"][0]["value"] == "12"
    assert explained["program"]["searches"][0]["lookedAt"] == windows_kit + "tool.exe"
    assert explained["folder names"]["searches"][0]["lookedAt"] == windows_kit + "versions\\"
    assert explained["unknown type"]["searches"][0]["typeName"].startswith("unknown")
    # The programs ran (that is the search) and wrote nothing; the kit is as it was.
    assert snapshot(kit) == before
    assert e2e.reg("query", INTERBOOT_KEY) != 0


def test_system_and_language_exclusions(kit):
    e2e.write_ini(kit / "setup.ini", configuration({"name": "probe", "SetupFile": "x.exe"}))
    machine = explain_json(kit)["machine"]
    detailed, general = machine["detailedName"], machine["generalName"]
    other = general.replace("x64", "x86") if machine["is64BitOs"] else general.replace("x86", "x64")

    def excluding(names):
        return {"WinNTVersions": names, "WinNT64Versions": names}

    e2e.write_ini(kit / "setup.ini", configuration(
        {"name": "by detailed name", "SetupFile": "x.exe", **excluding("Windows XP x86, " + detailed)},
        {"name": "by general name", "SetupFile": "x.exe", **excluding(general)},
        {"name": "other bitness", "SetupFile": "x.exe", **excluding(other)},
        {"name": "German only", "SetupFile": "x.exe", "LanguageList": "1031"},
        {"name": "German or English", "SetupFile": "x.exe", "LanguageList": "1031;1033"},
    ))

    report = explain_json(kit)

    p = by_name(report)
    assert [p[n]["state"] for n in p] == [4, 4, 0, 4, 0]  # no searches: found where it applies
    assert (p["by detailed name"]["excluded"], p["by detailed name"]["languageAccepted"]) == (True, None)
    assert p["by detailed name"]["osListKey"] == ("WinNT64Versions" if machine["is64BitOs"] else "WinNTVersions")
    assert (p["other bitness"]["excluded"], p["other bitness"]["languageAccepted"]) == (False, None)
    assert (p["German only"]["excluded"], p["German only"]["languageAccepted"]) == (False, False)
    assert p["German or English"]["languageAccepted"] is True
    assert p["German only"]["action"]["summary"] == "nothing: it does not apply here"
    assert not p["German only"]["selected"]
    log = report["log"]
    assert "Wrong OS or Os language for:by detailed name" in log
    assert "Wrong OS or Os language for:German only" in log
    # The chainer logs the system's language each time it tests a list.
    assert log.count(machine["language"]) == 2


def test_parent_and_child_selection(kit):
    missing = {"SearchType1": 5, "SearchString1": "HKCU\\Software\\VelmoraExplain\\NoSuchKey"}
    e2e.write_ini(kit / "setup.ini", configuration(
        {"name": "Child first", "SetupFile": "x.exe", "ParentPrereq": "Runtime", **missing},
        {"name": "Runtime", "SetupFile": "x.exe", **missing},
        {"name": "Tools", "SetupFile": "x.exe", "ParentPrereq": "Runtime", **missing},
        {"name": "Base", "SetupFile": "x.exe"},  # no searches, Operator 0: found
        {"name": "Addon", "SetupFile": "x.exe", "ParentPrereq": "Base", **missing},
        {"name": "Orphan", "SetupFile": "x.exe", "ParentPrereq": "Nobody", **missing},
    ))

    report = explain_json(kit)

    p = by_name(report)
    assert {n: p[n]["selected"] for n in p} == {"Child first": True, "Runtime": True, "Tools": True,
                                                "Base": False, "Addon": True, "Orphan": True}
    assert p["Runtime"]["children"] == [1, 3]
    assert p["Tools"]["parentNumber"] == 2
    assert p["Orphan"]["parentNumber"] is None
    assert p["Base"]["action"]["summary"] == "nothing: it is installed"
    selections = [line for line in report["log"] if line.startswith("Prerequisite selected for install:")]
    # The child selects its parent, which selects its other child; a found parent stays unselected.
    assert selections == ["Prerequisite selected for install:" + n
                          for n in ("Child first", "Runtime", "Tools", "Addon", "Orphan")]


def test_actions_with_files_and_command_lines(kit):
    shutil.copyfile(EXIT_WITH, kit / "tool.exe")
    (kit / "app.msix").write_bytes(b"package")
    ready = kit / "downloads" / "Ready" / "ready.exe"
    ready.parent.mkdir(parents=True)
    ready.write_bytes(b"12345")
    missing = {"SearchType1": 5, "SearchString1": "HKCU\\Software\\VelmoraExplain\\NoSuchKey"}
    e2e.write_ini(kit / "setup.ini", configuration(
        {"name": "Package", "SetupFile": "tool.exe", "NoUiCommandLine": "/quiet 0", "CommandLine": "ignored",
         "Options": "mr", "RetValPropName": "PackageResult", "SignerThumbprint": "AA" * 20 + "; " + "bb" * 32,
         **missing},
        {"name": "Download", "Url": "http://127.0.0.1:9/pkg/tools.exe", "Folder": "Tools", "ExactSize": 5,
         "MD5": "827ccb0eea8a706c4c34a16891f84e7b", "SHA256": "5" * 64, "NoUiCommandLine": "-s", **missing},
        {"name": "Ready", "Url": "http://127.0.0.1:9/pkg/ready.exe", "Folder": "Ready", "ExactSize": 5, **missing},
        {"name": "Site", "OpenSite": "https://example.com/manual", **missing},
        {"name": "Store app", "SetupFile": "app.msix", **missing},
        {"name": "In place", "Url": "file:///" + e2e.to_windows_path(kit / "tool.exe").replace("\\", "/"),
         **missing},
        {"name": "Installed", "SetupFile": "tool.exe"},
        general="Options=q\nDownloadFolder=[SETUPEXEDIR]downloads\n"))
    before = snapshot(kit)

    report = explain_json(kit)

    windows_kit = e2e.to_windows_path(kit) + "\\"
    assert report["mode"] == "silent" and report["commandLineKey"] == "NoUiCommandLine"
    assert report["downloadFolder"] == windows_kit + "downloads\\"
    actions = {p["name"]: p["action"] for p in report["prerequisites"]}
    assert {n: a["code"] for n, a in actions.items()} == {"Package": 1, "Download": 2, "Ready": 5, "Site": 3,
                                                          "Store app": 1, "In place": 5, "Installed": 7}
    package = actions["Package"]
    assert (package["file"], package["fileExists"], package["commandLine"]) == (windows_kit + "tool.exe", True,
                                                                                 "/quiet 0")
    assert (package["route"], package["hidden"], package["rebootMode"]) == ("shell", True, 1)
    assert package["returnValueName"] == "PackageResult"
    # A kit's file is checked for its signer only; a download for every key given.
    assert (package["checks"], package["signerThumbprints"]) == (["SignerThumbprint"], ["aa" * 20, "bb" * 32])
    download = actions["Download"]
    assert download["downloadPath"] == windows_kit + "downloads\\Tools\\tools.exe"
    assert (download["file"], download["fileExists"]) == (download["downloadPath"], False)
    assert (download["checksSize"], download["checksDigest"], download["hidden"]) == (True, True, False)
    assert download["checks"] == ["ExactSize", "MD5", "SHA256"]
    assert (actions["Ready"]["file"], actions["Ready"]["alreadyDownloaded"]) == (
        windows_kit + "downloads\\Ready\\ready.exe", True)
    assert actions["Site"]["url"] == "https://example.com/manual" and "file" not in actions["Site"]
    assert actions["Store app"]["route"] == "package deployment"
    assert actions["In place"]["file"] == windows_kit + "tool.exe"
    # Nothing was downloaded, launched or written.
    assert snapshot(kit) == before
    assert e2e.reg("query", INTERBOOT_KEY) != 0


def test_text_report_and_failures(kit):
    e2e.write_ini(kit / "setup.ini", configuration(
        {"name": "Runtime", "SetupFile": "runtime.exe",
         "SearchType1": 5, "SearchString1": "HKCU\\Software\\VelmoraExplain\\NoSuchKey"}, general="Options=b\n"))

    explained = explain(kit)
    text = explained.stdout.decode("utf-8")

    assert 'App1 "Runtime"' in text
    assert "    1. RegistryKeyExists (5) \"HKCU\\Software\\VelmoraExplain\\NoSuchKey\"" in text
    assert "  Action: install it from the package" in text
    assert "command line (BasicUiCommandLine): \"\"" in text
    assert "Evaluation log:\n  Searching for:Runtime\n" in text
    assert explained.returncode == 1
    # Without a mode that processes it, a missing prerequisite is left alone: nothing to do.
    e2e.write_ini(kit / "-setup.ini", configuration(
        {"name": "Runtime", "SetupFile": "runtime.exe", "SearchType1": 5,
         "SearchString1": "HKCU\\Software\\VelmoraExplain\\NoSuchKey"}, general=""))
    unprocessed = explain(kit, "--", configuration="-setup.ini")
    assert unprocessed.returncode == 0, unprocessed.stderr
    assert "the general Options ask for neither" in unprocessed.stdout.decode("utf-8")
    version = explain(kit, "--version")
    assert version.returncode == 0
    assert re.fullmatch(r"chainer-explain \d+\.\d+\.\d+ \(Velmora package chainer\)\n", version.stdout.decode("utf-8"))
    (kit / "-setup.ini").unlink()

    (kit / "setup.ini").unlink()
    failed = explain(kit)
    assert failed.returncode == 2
    assert "no such file" in failed.stderr.decode("utf-8", "replace")
