"""A password in a URL's user information stays out of the log and the download folder.

(Crash reports: tests/platform/core/CrashReportTest.cpp; the logged address of a site: ProcessingEngineTest.)
"""
import uuid

from conftest import configuration, to_windows_path

NOT_INSTALLED = {"SearchType1": "5", "SearchString1": "HKCU\\Software\\VelmoraE2E\\never-there"}


def test_url_password_reaches_neither_the_log_nor_a_file_name(kit, transfer_servers):
    # The last segment of the path has no dot, so the file name comes from the host, which follows the
    # password in the URL.
    name = "account" + uuid.uuid4().hex
    url = transfer_servers.http.replace("http://", "http://tester:s3cret@") + f"/range/3000/{name}"
    kit.write_ini(configuration("q", {"name": "Data", "Url": url, **NOT_INSTALLED},
                                general=f"DownloadFolder={to_windows_path(kit.folder / 'dl')}\nKeepFiles=prereqs\n"))
    kit.run()
    log = (kit.folder / "run.log").read_bytes().decode("utf-16-le")
    assert "Download completed succesfully." in log
    assert "s3cret" not in log
    assert [p.name for p in (kit.folder / "dl").iterdir()] == ["127.0.0.1"]
