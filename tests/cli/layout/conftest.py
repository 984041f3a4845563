"""Fixtures for chainer-layout runs under Wine: the end-to-end helpers (tests/e2e/conftest.py) under a name of
their own, and the transfer engine's test servers with files of the test's own, started and stopped by each
test."""
import importlib.util
import subprocess
import sys
import tempfile
from pathlib import Path

import pytest

_spec = importlib.util.spec_from_file_location("velmora_e2e_support",
                                               Path(__file__).resolve().parents[2] / "e2e" / "conftest.py")
e2e = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(e2e)

LAYOUT = e2e.BIN_DIR / "chainer-layout.exe"
registry_key = e2e.registry_key


def layout(kit, *options):
    """Runs chainer-layout on the kit folder from its parent. Its output goes to files, not pipes: a Wine
    process that starts the prefix's desktop hands its streams on to it."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(e2e.wine(LAYOUT, *options), cwd=Path(kit).parent, env=e2e.wine_env(),
                                stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=300)
        out.seek(0)
        err.seek(0)
        result.stdout, result.stderr = out.read().decode("utf-8"), err.read().decode("utf-8", "replace")
    return result


class Servers:
    """HTTP and FTP on 127.0.0.1 serving the files of `root` (HTTP under /bin/), until stop()."""

    def __init__(self, root, work):
        port_file = work / "http.port"
        self.process = subprocess.Popen(
            [sys.executable, str(e2e.SERVERS_DIR / "transfer_servers.py"), "--port-file", str(port_file),
             "--serve-dir", str(root), "--ftp-root", str(root), "--ftp-port-file", str(work / "ftp.port"),
             "--lifetime", "600"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        # The HTTP server's port is written last, once every server listens.
        assert e2e.wait_for(port_file.exists, 30), "the test servers did not start"
        self.http = f"http://127.0.0.1:{port_file.read_text().strip()}"
        self.ftp = f"ftp://127.0.0.1:{(work / 'ftp.port').read_text().strip()}"

    def requests(self, name):
        import urllib.request
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        with opener.open(f"{self.http}/requests/{name}", timeout=30) as answer:
            return [line for line in answer.read().decode().splitlines() if line]

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


@pytest.fixture
def servers(tmp_path):
    root = tmp_path / "served"
    work = tmp_path / "servers"
    root.mkdir()
    work.mkdir()
    started = []

    def start():
        started.append(Servers(root, work))
        return started[-1]
    start.root = root
    yield start
    for server in started:
        server.stop()
