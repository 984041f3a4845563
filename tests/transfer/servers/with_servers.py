"""Runs a test command beside the transfer test servers.

Starts transfer_servers.py, hands its ports to the command through VELMORA_HTTP_PORT, VELMORA_HTTPS_PORT (a
certificate made here with openssl, signed by no one the client trusts), VELMORA_FTP_PORT, VELMORA_HTTP2_PORT,
VELMORA_HTTP_OTHER_PORT (on 127.0.0.2), VELMORA_PROXY_PORT and VELMORA_FTP_NOREST_PORT, VELMORA_FTP_SLOWGREETING_PORT, VELMORA_FTP_SLOWLOGIN_PORT,
VELMORA_FTP_LOGIN_PORT (VELMORA_CLOSED_PORT
names a port nothing listens on), and stops the servers by their PID afterwards. The files of VELMORA_BIN_DIR,
when it is set, are served under /bin/. Proxy variables are
dropped: the test servers are on this machine. Usage: with_servers.py COMMAND...
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
FTP_FILE_SIZE = 300000
EXTRA_SERVERS = ("http2", "http_other", "proxy", "ftp_norest", "ftp_slowgreeting", "ftp_slowlogin", "ftp_login")


def pattern(size):
    return bytes(((i * 7) + (i >> 9)) & 0xFF for i in range(size))


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(path, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if os.path.exists(path):
            with open(path) as f:
                return f.read().strip()
        time.sleep(0.05)
    raise SystemExit("test servers did not start")


def main():
    work = tempfile.mkdtemp(prefix="velmora-servers-")
    server = None
    try:
        ftp_root = os.path.join(work, "ftp")
        os.makedirs(os.path.join(ftp_root, "pub"))
        for name in ("data.bin", "drop.bin", "slowopen.bin", "randomopen.bin"):
            with open(os.path.join(ftp_root, "pub", name), "wb") as f:
                f.write(pattern(FTP_FILE_SIZE))
        port_file = os.path.join(work, "http.port")
        ftp_port_file = os.path.join(work, "ftp.port")
        https_port_file = os.path.join(work, "https.port")
        cert = os.path.join(work, "cert.pem")
        key = os.path.join(work, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "2", "-subj", "/CN=127.0.0.1"], check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        server = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "transfer_servers.py"), "--port-file", port_file,
             "--ftp-root", ftp_root, "--ftp-port-file", ftp_port_file, "--cert", cert, "--key", key,
             "--https-port-file", https_port_file, "--port-dir", work, "--lifetime", "900"]
            + (["--serve-dir", os.environ["VELMORA_BIN_DIR"]] if os.environ.get("VELMORA_BIN_DIR") else []),
            stdin=subprocess.DEVNULL)
        env = {k: v for k, v in os.environ.items() if k.lower() not in ("http_proxy", "https_proxy", "ftp_proxy", "all_proxy")}
        env["VELMORA_HTTP_PORT"] = wait_for(port_file, 30)
        env["VELMORA_FTP_PORT"] = wait_for(ftp_port_file, 30)
        env["VELMORA_HTTPS_PORT"] = wait_for(https_port_file, 30)
        for name in EXTRA_SERVERS:
            env["VELMORA_%s_PORT" % name.upper()] = wait_for(os.path.join(work, name + ".port"), 30)
        env["VELMORA_CLOSED_PORT"] = str(closed_port())
        env["VELMORA_FTP_FILE_SIZE"] = str(FTP_FILE_SIZE)
        return subprocess.call(sys.argv[1:], env=env)
    finally:
        if server is not None:
            server.terminate()
            try:
                server.wait(10)
            except subprocess.TimeoutExpired:
                server.kill()
                server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
