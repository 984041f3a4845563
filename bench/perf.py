#!/usr/bin/env python3
"""Whole-program benchmarks of the chainer under Wine, each one a ratio against a floor measured in the same
run: the two programs run alternately, pinned to CPU 0 (this driver and its loopback server stay on CPU 1),
and each side's figure is the median of its runs. tools/bench.sh builds everything and calls this with the
flavour's binaries and a booted Wine prefix in the environment (WINEPREFIX, VELMORA_WINE).

Usage: perf.py BIN_DIR WORK_DIR FLAVOUR [--runs N] [--only NAME ...]
Writes the table to stdout and to WORK_DIR/results-FLAVOUR-WINEARCH.md.
"""
import argparse
import hashlib
import http.server
import os
import shutil
import socketserver
import statistics
import subprocess
import threading
import time
from pathlib import Path

WINE = os.environ.get("VELMORA_WINE", "wine")
PIN = ["taskset", "-c", "0"]
BENCH_KEY = r"HKCU\Software\VelmoraBench"
PAYLOAD_SIZE = 200 * 1024 * 1024
PACED_RATE = 40 * 1000 * 1000  # bytes per second
WORK_FILES = {}


def windows_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def write_ini(path, text):
    Path(path).write_bytes(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))


def run_once(command, prepare=None, done=None):
    """Wall time in seconds, peak resident memory in KiB and exit code of one pinned run. GNU time reports the
    memory: a child of this driver would inherit the driver's own peak through fork and exec. With done (a
    function), also the time from the start and the peak resident memory of the measured program at the
    moment done() first holds while it runs (the kernel's high-water mark of its process, read then), or None
    when it never did."""
    if prepare is not None:
        prepare()
    report = WORK_FILES["rss"]
    start = time.perf_counter()
    process = subprocess.Popen(PIN + ["/usr/bin/time", "-f", "%M", "-o", str(report)] + command,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    at_done = watch(process, done, start) if done is not None else None
    code = process.wait()
    elapsed = time.perf_counter() - start
    return elapsed, int(report.read_text().split()[-1]), code, at_done


def watch(process, done, start):
    """The measured program is GNU time's child (taskset and Wine's loader exec, keeping the process): the
    time since start and its high-water mark when done() first holds, polled every 2 ms from this driver's
    own CPU."""
    children = Path(f"/proc/{process.pid}/task/{process.pid}/children")
    program = None
    while process.poll() is None:
        if program is None:
            try:
                found = children.read_text().split()
            except OSError:
                found = []
            program = found[0] if found else None
        elif done():
            elapsed = time.perf_counter() - start
            try:
                for line in Path(f"/proc/{program}/status").read_text().splitlines():
                    if line.startswith("VmHWM:"):
                        return elapsed, int(line.split()[1])
            except OSError:
                return None
            return None
        time.sleep(0.002)
    return None


def alternate(sides, runs, warmup=1):
    """sides: name -> (command, prepare[, exit code[, done]]). Runs them in turn, runs times; medians of time
    and peak memory. A run that ends with another exit code than the one given did not do what the benchmark
    measures, and stops it. A side with done also gets the medians of its time and peak memory at the moment
    done() first held, as times[name + "@done"] and memory[name + "@done"]."""
    def run(name, side):
        command, prepare, *rest = side
        expected = rest[0] if rest else None
        done = rest[1] if len(rest) > 1 else None
        elapsed, rss, code, at_done = run_once(command, prepare, done)
        if expected is not None and code != expected:
            raise SystemExit(f"{name}: exit code {code}, expected {expected}: {' '.join(map(str, command))}")
        if done is not None and at_done is None:
            raise SystemExit(f"{name}: ended before what is watched for happened: {' '.join(map(str, command))}")
        return elapsed, rss, at_done

    for _ in range(warmup):
        for name, side in sides.items():
            run(name, side)
    times = {name: [] for name in sides}
    memory = {name: [] for name in sides}
    for _ in range(runs):
        for name, side in sides.items():
            elapsed, rss, at_done = run(name, side)
            times[name].append(elapsed)
            memory[name].append(rss)
            if at_done is not None:
                times.setdefault(name + "@done", []).append(at_done[0])
                memory.setdefault(name + "@done", []).append(at_done[1])
    return ({name: statistics.median(values) for name, values in times.items()},
            {name: statistics.median(values) for name, values in memory.items()})


class Bench:
    def __init__(self, bin_dir, work, flavour, runs):
        self.bin = Path(bin_dir)
        self.work = Path(work)
        self.flavour = flavour
        self.runs = runs
        self.rows = []
        self.notes = []
        self.work.mkdir(parents=True, exist_ok=True)
        WORK_FILES["rss"] = self.work / "peak-rss.txt"

    def exe(self, name):
        return str(self.bin / f"{name}.exe")

    def wine(self, *arguments):
        return [WINE, *(str(a) for a in arguments)]

    def row(self, measure, goal, ratio, met, detail):
        self.rows.append((measure, goal, f"{ratio:.2f}", "met" if met else "not met", detail))
        print(f"{measure}: {ratio:.2f} ({'met' if met else 'NOT met'}; goal {goal}) {detail}", flush=True)

    # Kits -----------------------------------------------------------------------------------------------

    def kit(self, name, ini_text, extra_files=()):
        folder = self.work / "kits" / name
        if folder.exists():
            shutil.rmtree(folder)
        folder.mkdir(parents=True)
        shutil.copy(self.bin / "chainer.exe", folder / "setup.exe")
        write_ini(folder / "setup.ini", ini_text)
        shutil.copy(folder / "setup.ini", folder / "setup.ini.keep")
        for source, target in extra_files:
            shutil.copy(source, folder / target)
        return folder

    @staticmethod
    def restore_ini(folder):
        # With PREREQ_CHAINER the run deletes its configuration at exit; each run starts from the same one.
        return lambda: shutil.copy(folder / "setup.ini.keep", folder / "setup.ini")

    @staticmethod
    def registry_configuration(count, found=True, settings=""):
        """count prerequisites of two registry searches each (a value read and compared, a key opened), all
        found (or all missing), silent: a run evaluates them and, when all are found, processes nothing."""
        key = BENCH_KEY if found else BENCH_KEY + r"\Missing"
        lines = ["[GeneralOptions]", "Options=q", settings, "[PREREQUISITES]"]
        lines += [f"App{i}=Prerequisite {i}" for i in range(1, count + 1)]
        for i in range(1, count + 1):
            lines += [f"[App{i}]", f"Url=http://127.0.0.1:9/p{i}.exe", "CommandLine=/install",
                      "NoUiCommandLine=/quiet", "Options=m", f"RetValPropName=Ret{i}",
                      "SearchType1=2", f"SearchString1={key}\\P{i}\\Version", "VerMin1=1.0",
                      "SearchType2=5", f"SearchString2={key}\\P{i}"]
        return "\n".join(line for line in lines if line) + "\n"

    def ensure_registry(self, count):
        """HKCU\\Software\\VelmoraBench\\P1..Pcount with Version=2.0, imported once per prefix."""
        marker = Path(os.environ["WINEPREFIX"]) / f"velmora-bench-registry-{count}"
        if marker.exists():
            return
        reg = self.work / "bench.reg"
        text = "Windows Registry Editor Version 5.00\r\n\r\n" + "".join(
            f"[HKEY_CURRENT_USER\\Software\\VelmoraBench\\P{i}]\r\n\"Version\"=\"2.0\"\r\n\r\n"
            for i in range(1, count + 1))
        reg.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
        subprocess.run(self.wine("reg", "import", windows_path(reg)), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        marker.touch()

    # Measures -------------------------------------------------------------------------------------------

    def startup(self):
        self.ensure_registry(10000)
        folder = self.kit("startup-100", self.registry_configuration(100))
        ini = folder / "setup.ini"
        times, _ = alternate({"chainer": (self.wine(folder / "setup.exe"), None, 0),
                              "floor": (self.wine(self.exe("bench_FloorStartup"), windows_path(ini)), None, 0)},
                             self.runs)
        ratio = times["chainer"] / times["floor"]
        self.row("Start-up, 100 prerequisites found by 200 registry searches, silent, no log", "<= 1.2",
                 ratio, ratio <= 1.2,
                 f"chainer {times['chainer'] * 1000:.0f} ms, floor (same parse and registry calls) "
                 f"{times['floor'] * 1000:.0f} ms")

    def logging(self):
        self.ensure_registry(10000)
        count = 1000
        log = self.work / "kits" / "log-on" / "bench.log"
        with_log = self.kit("log-on", self.registry_configuration(
            count, settings="[PREREQ_CHAINER]\nLogFile=" + windows_path(log)))
        without = self.kit("log-off", self.registry_configuration(count, settings="[PREREQ_CHAINER]\nCleanupFiles="))

        def prepare_on():
            self.restore_ini(with_log)()
            log.unlink(missing_ok=True)

        alternate({"log": (self.wine(with_log / "setup.exe"), prepare_on, 0)}, 1, warmup=0)
        lines = log.read_bytes()[2:].decode("utf-16-le").count("\r\n")
        replay = self.work / "kits" / "replay.log"
        source = self.work / "kits" / "source.log"
        shutil.copy(log, source)
        times, _ = alternate({
            "on": (self.wine(with_log / "setup.exe"), prepare_on, 0),
            "off": (self.wine(without / "setup.exe"), self.restore_ini(without), 0),
            "floor": (self.wine(self.exe("bench_FloorLog"), windows_path(source), windows_path(replay)), None, 0),
            "floor-read": (self.wine(self.exe("bench_FloorLog"), windows_path(source)), None, 0)}, self.runs)
        chainer = (times["on"] - times["off"]) / lines
        floor = (times["floor"] - times["floor-read"]) / lines
        ratio = chainer / floor
        self.row(f"Cost per log line ({lines} lines, one write and flush each)", "<= 1.2", ratio,
                 ratio <= 1.2, f"chainer {chainer * 1e6:.0f} us, floor (same writes and flushes) "
                               f"{floor * 1e6:.0f} us per line")

    def scale(self):
        self.ensure_registry(10000)
        own = {}
        for count in (10, 100, 1000, 10000):
            folder = self.kit(f"scale-{count}", self.registry_configuration(count))
            runs = self.runs if count < 10000 else max(5, self.runs // 2)
            times, memory = alternate({
                "chainer": (self.wine(folder / "setup.exe"), None, 0),
                "floor": (self.wine(self.exe("bench_FloorStartup"), windows_path(folder / "setup.ini")), None, 0),
                "empty": (self.wine(self.exe("bench_EmptyGui")), None, 0)}, runs)
            own[count] = times["chainer"] - times["floor"]
            print(f"  scale {count}: chainer {times['chainer']:.3f} s, floor {times['floor']:.3f} s, "
                  f"own work {own[count]:.3f} s, peak {memory['chainer'] / 1024:.1f} MiB "
                  f"(empty GUI program {memory['empty'] / 1024:.1f} MiB)", flush=True)
            if count == 10000:
                size = (folder / "setup.ini").stat().st_size
                above = (memory["chainer"] - memory["empty"]) * 1024
                self.row("Memory, 10,000 prerequisites, above an empty GUI program", "<= 4x configuration",
                         above / size, above <= 4 * size,
                         f"{above / 2**20:.1f} MiB above, configuration {size / 2**20:.1f} MiB")
        growth = own[10000] / max(own[1000], 1e-3)
        self.row("Scale: the chainer's own work at 10,000 prerequisites (seconds)", "< 0.3 s, linear",
                 own[10000], own[10000] < 0.3 and growth < 15,
                 "own work (chainer minus floor) " + ", ".join(f"{c:,}: {own[c] * 1000:.0f} ms" for c in own) +
                 f"; 1,000 to 10,000 grows {growth:.1f} times")

    def launch(self):
        self.ensure_registry(10000)
        count = 20
        child = self.bin / "bench_EmptyGui.exe"

        def configuration(found):
            lines = ["[GeneralOptions]", "Options=q", "[PREREQUISITES]"]
            lines += [f"App{i}=Child {i}" for i in range(1, count + 1)]
            key = BENCH_KEY if found else BENCH_KEY + r"\Missing"
            for i in range(1, count + 1):
                lines += [f"[App{i}]", "SetupFile=child.exe", "NoUiCommandLine=/quiet", "SearchType1=5",
                          f"SearchString1={key}\\P{i}"]
            return "\n".join(lines) + "\n"

        launching = self.kit("launch-20", configuration(False), [(child, "child.exe")])
        found = self.kit("launch-0", configuration(True), [(child, "child.exe")])
        floor_child = windows_path(launching / "child.exe")
        times, _ = alternate({
            "chainer": (self.wine(launching / "setup.exe"), None, 0),
            "chainer-0": (self.wine(found / "setup.exe"), None, 0),
            "floor": (self.wine(self.exe("bench_FloorLaunch"), floor_child, count), None, 0),
            "floor-0": (self.wine(self.exe("bench_FloorLaunch"), floor_child, 0), None, 0)}, self.runs)
        chainer = (times["chainer"] - times["chainer-0"]) / count
        floor = (times["floor"] - times["floor-0"]) / count
        ratio = chainer / floor
        self.row("Launch, per prerequisite launched (silent, through the shell)", "<= 1.2", ratio, ratio <= 1.2,
                 f"chainer {chainer * 1000:.1f} ms, floor (CreateProcessW and wait) {floor * 1000:.1f} ms")

    def payload(self):
        """An empty GUI program padded to 200 MB with random bytes: it downloads as one and runs."""
        path = self.work / "payload.exe"
        if not path.exists() or path.stat().st_size != PAYLOAD_SIZE:
            head = (self.bin / "bench_EmptyGui.exe").read_bytes()
            with open(path, "wb") as out:
                out.write(head)
                remaining = PAYLOAD_SIZE - len(head)
                while remaining > 0:
                    block = os.urandom(min(remaining, 1 << 20))
                    out.write(block)
                    remaining -= len(block)
        digest = hashlib.md5()
        with open(path, "rb") as data:
            for block in iter(lambda: data.read(1 << 20), b""):
                digest.update(block)
        return path, digest.hexdigest()

    def download(self):
        payload, md5 = self.payload()
        server = PayloadServer(payload)
        try:
            self._download(payload, md5, server.port)
        finally:
            server.stop()

    def _download(self, payload, md5, port):
        def configuration(path, with_md5):
            return "\n".join([
                "[GeneralOptions]", "Options=q", "DownloadFolder=" + windows_path(self.work / "kits" / "downloads"),
                "[PREREQUISITES]", "App1=Payload", "[App1]", f"Url=http://127.0.0.1:{port}/{path}/payload.exe",
                f"ExactSize={PAYLOAD_SIZE}", f"MD5={md5}" if with_md5 else "", "NoUiCommandLine=/quiet",
                "SearchType1=5", BENCH_KEY.join(["SearchString1=", r"\Missing\Payload"])]) + "\n"

        out = self.work / "kits" / "floor-download.bin"
        curl_out = self.work / "kits" / "curl-download.bin"
        plain = self.kit("download", configuration("full", False))
        digest = self.kit("download-md5", configuration("full", True))
        paced = self.kit("download-paced", configuration("paced", False))
        self.check_download(configuration)
        empty = (self.wine(self.exe("bench_EmptyGui")), None, 0)
        url = f"http://127.0.0.1:{port}/full/payload.exe"
        downloads = self.work / "kits" / "downloads"

        # Speed and memory of the download itself: each program's time and peak memory when the whole file is
        # on disk, before the chainer goes on to launch it through the shell (COM and the shell's libraries,
        # about half a second and 6 MiB under Wine, which the bare program never needs). Start-up is in both.
        def clear_downloads():
            shutil.rmtree(downloads, ignore_errors=True)

        def size_of(path):
            # The partial file is renamed when it is whole, maybe between the listing and this look.
            try:
                return os.path.getsize(path)
            except OSError:
                return 0

        def chainer_downloaded():
            return any(size_of(os.path.join(folder, name)) >= PAYLOAD_SIZE
                       for folder, _, names in os.walk(downloads) for name in names)

        def clear_out():
            out.unlink(missing_ok=True)

        def floor_downloaded():
            return out.exists() and out.stat().st_size >= PAYLOAD_SIZE

        times, memory = alternate({
            "chainer": (self.wine(plain / "setup.exe"), clear_downloads, 0, chainer_downloaded),
            "chainer-md5": (self.wine(digest / "setup.exe"), clear_downloads, 0, chainer_downloaded),
            "floor": (self.wine(self.exe("bench_FloorDownload"), url, windows_path(out)), clear_out, 0,
                      floor_downloaded),
            "floor-md5": (self.wine(self.exe("bench_FloorDownload"), url, windows_path(out), md5), clear_out, 0,
                          floor_downloaded),
            "curl": (["curl", "-s", "-o", str(curl_out), url], None, 0),
            "empty": empty}, self.runs)

        def whole_runs(chainer, floor):
            return (f"whole runs: chainer {times[chainer]:.2f} s with the launch of the file through the shell, "
                    f"bare WinINet {times[floor]:.2f} s ({times[floor] / times[chainer]:.2f})")

        speed = times["floor@done"] / times["chainer@done"]
        self.row("Download of 200 MB from loopback, speed against a bare WinINet program", ">= 0.9", speed,
                 speed >= 0.9,
                 f"until the file is whole, start-up included: chainer {times['chainer@done']:.2f} s, bare WinINet "
                 f"{times['floor@done']:.2f} s, curl {times['curl']:.2f} s; " + whole_runs("chainer", "floor"))
        speed = times["floor-md5@done"] / times["chainer-md5@done"]
        self.row("Download of 200 MB with MD5 from loopback, speed against a bare WinINet program that digests "
                 "while it writes", ">= 0.9", speed, speed >= 0.9,
                 f"until the file is whole: chainer {times['chainer-md5@done']:.2f} s, bare WinINet with MD5 "
                 f"{times['floor-md5@done']:.2f} s; " + whole_runs("chainer-md5", "floor-md5"))
        above = (memory["chainer-md5@done"] - memory["floor-md5@done"]) / 1024
        self.row("Memory while downloading 200 MB with MD5, MiB above the bare WinINet program doing the same",
                 "<= 4 MiB", above, above <= 4,
                 f"peak until the file is whole: chainer {memory['chainer-md5@done'] / 1024:.1f} MiB, bare WinINet "
                 f"program with MD5 {memory['floor-md5@done'] / 1024:.1f} MiB; whole runs: chainer "
                 f"{memory['chainer-md5'] / 1024:.1f} MiB with the launch through the shell, bare program "
                 f"{memory['floor-md5'] / 1024:.1f} MiB (without MD5 {memory['floor'] / 1024:.1f} MiB), empty GUI "
                 f"program {memory['empty'] / 1024:.1f} MiB")
        times, _ = alternate({
            "chainer": (self.wine(paced / "setup.exe"), clear_downloads, 0, chainer_downloaded),
            "curl": (["curl", "-s", "-o", str(curl_out), f"http://127.0.0.1:{port}/paced/payload.exe"], None, 0)},
            max(5, self.runs // 2), warmup=0)
        speed = times["curl"] / times["chainer@done"]
        self.row("Download of 200 MB paced at 40 MB/s, speed against curl", ">= 0.95", speed, speed >= 0.95,
                 f"until the file is whole: chainer {times['chainer@done']:.2f} s, curl {times['curl']:.2f} s; "
                 f"whole run of the chainer {times['chainer']:.2f} s")
        for path in (out, curl_out):
            path.unlink(missing_ok=True)

    def check_download(self, configuration):
        """One logged run of each kit: the timed ones log nothing, so this is where a download that failed
        (and would make the chainer look fast) shows."""
        for path, with_md5 in (("full", False), ("full", True), ("paced", False)):
            log = self.work / "kits" / "download-check.log"
            log.unlink(missing_ok=True)
            text = configuration(path, with_md5).replace(
                "[PREREQUISITES]", "[PREREQ_CHAINER]\nLogFile=" + windows_path(log) + "\n[PREREQUISITES]")
            folder = self.kit("download-check", text)
            run_once(self.wine(folder / "setup.exe"))
            lines = log.read_bytes()[2:].decode("utf-16-le") if log.exists() else ""
            if "Downloaded file was accepted." not in lines:
                raise SystemExit(f"the chainer did not download /{path}/payload.exe (MD5: {with_md5}); see {log}")

    def digest(self):
        payload, _ = self.payload()
        times, _ = alternate({
            "chainer": (self.wine(self.exe("bench_DigestSpeed"), "chainer", windows_path(payload)), None, 0),
            "cryptoapi": (self.wine(self.exe("bench_DigestSpeed"), "cryptoapi", windows_path(payload)), None, 0),
            "md5sum": (["md5sum", str(payload)], None, 0)}, self.runs)
        speed = times["md5sum"] / times["chainer"]
        self.row("MD5 of 200 MB, speed against md5sum", ">= 0.85", speed, speed >= 0.85,
                 f"chainer {times['chainer']:.2f} s, CryptoAPI {times['cryptoapi']:.2f} s "
                 f"({times['md5sum'] / times['cryptoapi']:.2f}), md5sum {times['md5sum']:.2f} s")
        # SHA-256 comes from the system's CNG unless a portable implementation of our own is faster.
        times, _ = alternate({
            "cng": (self.wine(self.exe("bench_DigestSpeed"), "chainer-sha256", windows_path(payload)), None, 0),
            "own": (self.wine(self.exe("bench_DigestSpeed"), "own-sha256", windows_path(payload)), None, 0),
            "sha256sum": (["sha256sum", str(payload)], None, 0)}, self.runs)
        speed = times["own"] / times["cng"]
        self.row("SHA-256 of 200 MB, the system's CNG against a portable implementation of our own", ">= 1",
                 speed, speed >= 1,
                 f"CNG {times['cng']:.2f} s, own {times['own']:.2f} s, sha256sum {times['sha256sum']:.2f} s "
                 f"(CNG {times['sha256sum'] / times['cng']:.2f} of its speed)")

    def size(self, shipped):
        size = Path(shipped).stat().st_size
        self.row("Size of the shipped 32-bit chainer.exe, MiB", "<= 1 MiB", size / 2**20, size <= 2**20,
                 f"{size:,} bytes")


class PayloadServer:
    """Serves one file on 127.0.0.1: /full/... as fast as the socket takes it, /paced/... at 40 MB/s."""

    def __init__(self, path):
        payload = Path(path)

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *arguments):
                pass

            def do_GET(self):
                size = payload.stat().st_size
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(size))
                self.end_headers()
                with open(payload, "rb") as data:
                    try:
                        if self.path.startswith("/paced/"):
                            start, sent = time.perf_counter(), 0
                            for block in iter(lambda: data.read(256 * 1024), b""):
                                self.wfile.write(block)
                                sent += len(block)
                                delay = start + sent / PACED_RATE - time.perf_counter()
                                if delay > 0:
                                    time.sleep(delay)
                        else:
                            self.wfile.flush()
                            self.connection.sendfile(data)
                    except (BrokenPipeError, ConnectionResetError):
                        pass

        class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
            daemon_threads = True

        self.server = Server(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin_dir")
    parser.add_argument("work_dir")
    parser.add_argument("flavour")
    parser.add_argument("--shipped", help="the shipped 32-bit chainer.exe, for the size goal")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--only", nargs="*", default=[])
    arguments = parser.parse_args()
    if arguments.runs < 5:
        parser.error("medians need at least five runs")
    # This driver and the loopback server keep off the CPU the measured programs are pinned to.
    if len(os.sched_getaffinity(0)) > 1:
        os.sched_setaffinity(0, {1})
    load_before = os.getloadavg()[0]
    bench = Bench(arguments.bin_dir, arguments.work_dir, arguments.flavour, arguments.runs)
    measures = ["startup", "logging", "scale", "launch", "digest", "download"]
    for name in measures:
        if not arguments.only or name in arguments.only:
            getattr(bench, name)()
    if arguments.shipped and (not arguments.only or "size" in arguments.only):
        bench.size(arguments.shipped)

    prefix = os.environ.get("WINEARCH", "")
    header = (f"Flavour {arguments.flavour}, Wine prefix {prefix}, medians of {arguments.runs} alternating runs "
              f"pinned to one CPU, {time.strftime('%Y-%m-%d')}, on {machine(load_before)}\n\n"
              "| Measure | Goal | Measured | | Detail |\n|---|---|---|---|---|\n")
    table = header + "".join(f"| {' | '.join(row)} |\n" for row in bench.rows)
    (Path(arguments.work_dir) / f"results-{arguments.flavour}-{prefix}.md").write_text(table)
    print()
    print(table)


def machine(load_before):
    """The machine a run measured on: processor, CPUs, system, Wine, and the load before and after (a loaded
    machine stretches absolute times; the ratios hold better, but a run on a busy machine is worth redoing)."""
    model = "unknown processor"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    debian = Path("/etc/debian_version")
    system = f"Debian {debian.read_text().strip()}" if debian.exists() else "Linux"
    try:
        wine = subprocess.run([WINE, "--version"], capture_output=True, text=True, timeout=60).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        wine = "Wine"
    load_after = os.getloadavg()[0]
    return (f"{os.cpu_count()} vCPUs ({model}), {system}, {wine or 'Wine'}, load average {load_before:.1f} "
            f"before and {load_after:.1f} after")


if __name__ == "__main__":
    main()
