"""Start-up loads the whole configuration model, resolving references against the machine."""


def test_every_key_and_every_kind_of_reference_loads(kit):
    kit.write_ini(
        "[GeneralOptions]\n"
        "Options=q\n"
        "DownloadFolder=[TempFolder]%USERNAME%\\!HKCU\\Software\\NoSuchVendor\\Dir!\n"
        "ExtractionFolder=[SETUPEXEDIR]ex. \\\n"
        "KeepFiles=complete\n"
        "DefaultProdCode={8A2B7C1D-0000-4000-8000-123456789ABC}\n"
        "[PREREQUISITES]\n"
        "App1=Runtime\n"
        "App2=Site\n"
        "[App1]\n"
        "Url=http://127.0.0.1:9/[ProgramFilesFolder]r.exe?!HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentVersion!\n"
        "ExactSize=12abc\n"
        "LanguageList=1033\n"
        "SearchType1=5\n"
        "SearchString1=HKLM\\Software\n"
        "[App2]\n"
        "OpenSite=[NoSuchFolder] 100% [unclosed %SystemRoot%\n"
        "[PREREQ_CHAINER]\n"
        "CleanupFolders=\n")
    assert kit.run() == 0
    # Folders are computed, never created, at start-up.
    assert not (kit.folder / "ex").exists()
