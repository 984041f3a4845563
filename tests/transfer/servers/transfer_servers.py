"""HTTP and FTP servers on 127.0.0.1 for the transfer engine's tests.

Every file is the same byte pattern (see pattern()), cut to the size its URL names, so a test knows what it
must receive without any file of its own. The HTTP paths choose the server's behaviour:

  /range/<size>/<name>            answers a Range with 206 and Content-Range, else 200
  /norange/<size>/<name>          ignores Range: always 200 with the whole file
  /drop/<size>/<cut>/<name>       first request for <name>: announces <size>, sends <cut> bytes and closes;
                                  later requests behave like /range
  /dropnorange/<size>/<cut>/<name> the same, but later requests ignore Range
  /stall/<size>/<name>            announces <size>, sends nothing, closes (every time)
  /nolength/<size>/<name>         no Content-Length: the body ends when the connection closes
  /slow/<size>/<name>             4 KiB every 50 ms
  /hang/<seconds>/<when>/<name>   stops for <seconds> and then closes, when="request": before answering,
                                  "headers": after headers announcing 1,000,000 bytes, "bytes": after 4096 of them
  /delay/<ms>/<rest>              waits <ms> milliseconds, then answers as /<rest>
  /stallonce/<size>/<cut>/<seconds>/<name>  first request for <name>: announces <size>, sends <cut> bytes,
                                  stops for <seconds> and closes; later requests behave like /range
  /badrange/<size>/<name>         answers a Range with 206 for the whole file (Content-Range from byte 0)
  /rangenolength/<size>/<name>    answers a Range with 206 and Content-Range but no Content-Length
  /overlong/<size>/<extra>/<name> the same, but sends <extra> bytes more than the range it announced
  /flaky/<size>/<cut>/<name>      the first two requests for <name>: announce <size>, send <cut> bytes, close
                                  (ignoring Range); later requests behave like /range
  /status/<code>/<name>           that status with a short text body
  /signin/<name>                  200 with a sign-in page (SIGN_IN_PAGE, Content-Type text/html), as a captive
                                  portal answers any address
  /auth/<account>/<rest>          asks for Basic credentials (401, realm "Velmora downloads" in quotes) until a
                                  request carries the user and password of the account (ACCOUNTS), then
                                  answers as /<rest>; request log lines end with " auth=none|wrong|right"
  /authlines/<account>/<rest>     the same with a realm that holds a line break (LINES_REALM)
  /private/<rest>                 as /<rest> (the proxy below asks for credentials for these)
  /redirect/<rest>                302 to /<rest>
  /redirectto/<scheme>/<rest>     302 to <scheme>://127.0.0.1:<that scheme's port>/<rest>
  /redirecthost/<rest>            302 to the http_other server (another host, 127.0.0.2), path /<rest>
  /requests/<name>                the requests seen for <name>, one per line: "<path> range=<Range> referer=<Referer> agent=<User-Agent>"
  /ftpsessions                    the number of FTP control connections open now
  /bin/<file>                     the file of that name in --serve-dir, as it is

With --cert the same paths are also served over HTTPS (--https-port-file). With --port-dir more servers
start, each writing <name>.port there:
  http2                a second HTTP server like the first (another server for credentials)
  http_other           a third one on 127.0.0.2: another host name for loopback, which dialogs name
  proxy                an HTTP proxy: asks for credentials (407, realm "Velmora test proxy") for addresses
                       holding "/private/" until a request carries PROXY_USER and PROXY_PASSWORD, forwards
                       any other GET and records it for the address's last segment as "proxy <address>"
  ftp_norest           FTP as --ftp-root, refusing REST
  ftp_slowgreeting     FTP as --ftp-root, greeting 8 s after the connection
  ftp_slowlogin        FTP as --ftp-root, answering PASS after 8 s
  ftp_login            FTP as --ftp-root for FTP_USER and FTP_PASSWORD only (no anonymous login)
The --ftp-root server sends only the first 100000 bytes of a file named drop* the first time it is asked
for, answers RETR of a file named slowopen* after 8 s, and of a file named randomopen* after a random
0 to 30 ms.

The server ends itself after --lifetime seconds whatever happens; the launcher stops it earlier by its PID.
"""
import argparse
import base64
import os
import random
import socket
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


PROXY_USER, PROXY_PASSWORD = "proxyuser", "pr0xy-secret"
FTP_USER, FTP_PASSWORD = "velmora", "s3cret"
DOWNLOADS_REALM = "Velmora downloads"
# A realm with a carriage return in it, as if to start a line of its own in a log.
LINES_REALM = "Velmora downloads\r2026-01-01 00-00-00-Downloaded file was accepted."
# Accounts of the /auth/ paths: the password is never part of an address, which is logged.
ACCOUNTS = {"alice": ("alice", "Right-Pass1"), "alice2": ("alice", "Newer-Pass2")}
PROXY_REALM = "Velmora test proxy"
SIGN_IN_PAGE = b"<!DOCTYPE html>\n<html><head><title>Sign in to the guest network</title></head></html>\n"


def basic(user, password):
    return "Basic " + base64.b64encode(("%s:%s" % (user, password)).encode()).decode()


def pattern(size, start=0):
    return bytes(((i * 7) + (i >> 9)) & 0xFF for i in range(start, size))


class State:
    lock = threading.Lock()
    seen = {}       # name -> number of requests
    log = {}        # name -> list of lines
    ports = {}      # scheme -> port
    serve_dir = None
    ftp_sessions = 0


def count_request(name):
    with State.lock:
        State.seen[name] = State.seen.get(name, 0) + 1
        return State.seen[name]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    auth_note = ""

    def record(self, name):
        line = "%s range=%s referer=%s agent=%s%s" % (
            self.path, self.headers.get("Range", ""), self.headers.get("Referer", "<none>"),
            self.headers.get("User-Agent", ""), self.auth_note)
        with State.lock:
            State.seen[name] = State.seen.get(name, 0) + 1
            State.log.setdefault(name, []).append(line)
            return State.seen[name]

    def send_body(self, status, body, headers=(), length=True):
        self.send_response(status)
        for key, value in headers:
            self.send_header(key, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_file(self, size, honour_range):
        start = None
        requested = self.headers.get("Range", "")
        if honour_range and requested.startswith("bytes=") and requested.endswith("-"):
            try:
                start = int(requested[6:-1])
            except ValueError:
                start = None
        if start is None:
            self.send_body(200, pattern(size))
        elif start >= size:
            self.send_body(416, b"", [("Content-Range", "bytes */%d" % size)])
        else:
            self.send_body(206, pattern(size, start),
                           [("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))])

    def do_GET(self):
        parts = self.path.lstrip("/").split("?")[0].split("/")
        if parts[0] == "private":
            parts = parts[1:]
        if parts[0] == "delay":
            time.sleep(int(parts[1]) / 1000)
            parts = parts[2:]
        if parts[0] in ("auth", "authlines"):
            realm = DOWNLOADS_REALM if parts[0] == "auth" else LINES_REALM
            given = self.headers.get("Authorization")
            accepted = given == basic(*ACCOUNTS[parts[1]])
            self.auth_note = " auth=%s" % ("right" if accepted else "wrong" if given else "none")
            parts = parts[2:]
            if not accepted:
                self.record(parts[-1])
                self.send_body(401, b"<html>credentials needed</html>",
                               [("WWW-Authenticate", 'Basic realm="%s"' % realm)])
                return
        kind = parts[0]
        try:
            if kind == "requests":
                with State.lock:
                    text = "\n".join(State.log.get(parts[1], [])) + "\n"
                self.send_body(200, text.encode())
            elif kind in ("range", "norange"):
                self.record(parts[2])
                self.send_file(int(parts[1]), kind == "range")
            elif kind in ("drop", "dropnorange", "flaky"):
                size, cut, name = int(parts[1]), int(parts[2]), parts[3]
                if self.record(name) <= (2 if kind == "flaky" else 1):
                    self.send_response(200)
                    self.send_header("Content-Length", str(size))
                    self.end_headers()
                    self.wfile.write(pattern(cut))
                    self.wfile.flush()
                    self.connection.shutdown(socket.SHUT_RDWR)
                    self.close_connection = True
                else:
                    self.send_file(size, kind != "dropnorange")
            elif kind == "stallonce":
                size, cut, seconds, name = int(parts[1]), int(parts[2]), float(parts[3]), parts[4]
                if self.record(name) == 1:
                    self.send_response(200)
                    self.send_header("Content-Length", str(size))
                    self.end_headers()
                    self.wfile.write(pattern(cut))
                    self.wfile.flush()
                    time.sleep(seconds)
                    try:
                        self.connection.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass  # the client gave up first
                    self.close_connection = True
                else:
                    self.send_file(size, True)
            elif kind == "badrange":
                size = int(parts[1])
                self.record(parts[2])
                self.send_body(206, pattern(size), [("Content-Range", "bytes 0-%d/%d" % (size - 1, size))])
            elif kind in ("rangenolength", "overlong"):
                size = int(parts[1])
                extra = int(parts[2]) if kind == "overlong" else 0
                self.record(parts[-1])
                requested = self.headers.get("Range", "")
                start = int(requested[6:-1]) if requested.startswith("bytes=") else 0
                self.send_response(206 if requested else 200)
                if requested:
                    self.send_header("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))
                self.end_headers()
                self.wfile.write(pattern(size + extra, start))
                self.close_connection = True
            elif kind == "stall":
                self.record(parts[2])
                self.send_response(200)
                self.send_header("Content-Length", parts[1])
                self.end_headers()
                self.wfile.flush()
                self.connection.shutdown(socket.SHUT_RDWR)
                self.close_connection = True
            elif kind == "hang":
                seconds, when = float(parts[1]), parts[2]
                self.record(parts[3])
                if when != "request":
                    self.send_response(200)
                    self.send_header("Content-Length", "1000000")
                    self.end_headers()
                    self.wfile.write(pattern(4096) if when == "bytes" else b"")
                    self.wfile.flush()
                time.sleep(seconds)
                try:
                    self.connection.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass  # the client gave up first
                self.close_connection = True
            elif kind == "nolength":
                self.record(parts[2])
                self.send_body(200, pattern(int(parts[1])), length=False)
                self.close_connection = True
            elif kind == "slow":
                size = int(parts[1])
                self.record(parts[2])
                self.send_response(200)
                self.send_header("Content-Length", str(size))
                self.end_headers()
                data = pattern(size)
                for at in range(0, size, 4096):
                    self.wfile.write(data[at:at + 4096])
                    self.wfile.flush()
                    time.sleep(0.05)
            elif kind == "status":
                self.record(parts[2])
                self.send_body(int(parts[1]), b"<html>status page</html>")
            elif kind == "signin":
                self.record(parts[1])
                self.send_body(200, SIGN_IN_PAGE, [("Content-Type", "text/html; charset=utf-8")])
            elif kind == "redirect":
                self.send_body(302, b"", [("Location", "/" + "/".join(parts[1:]))])
            elif kind == "redirecthost":
                target = "http://127.0.0.2:%d/%s" % (State.ports["http_other"], "/".join(parts[1:]))
                self.send_body(302, b"", [("Location", target)])
            elif kind == "redirectto":
                target = "%s://127.0.0.1:%d/%s" % (parts[1], State.ports[parts[1]], "/".join(parts[2:]))
                self.send_body(302, b"", [("Location", target)])
            elif kind == "bin" and State.serve_dir:
                self.record(parts[1])
                with open(os.path.join(State.serve_dir, os.path.basename(parts[1])), "rb") as f:
                    self.send_body(200, f.read())
            elif kind == "ftpsessions":
                with State.lock:
                    self.send_body(200, str(State.ftp_sessions).encode())
            else:
                self.send_body(400, b"unknown path")
        except (BrokenPipeError, ConnectionResetError):
            pass


class ProxyHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        import urllib.error
        import urllib.request
        address = self.path
        name = address.split("?")[0].rstrip("/").split("/")[-1]
        if "/private/" in address and self.headers.get("Proxy-Authorization") != basic(PROXY_USER, PROXY_PASSWORD):
            with State.lock:
                State.log.setdefault(name, []).append(
                    "proxy refused " + ("wrong" if self.headers.get("Proxy-Authorization") else "none"))
            body = b"<html>proxy credentials needed</html>"
            self.send_response(407)
            self.send_header("Proxy-Authenticate", 'Basic realm="%s"' % PROXY_REALM)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        with State.lock:
            State.log.setdefault(name, []).append("proxy " + address)
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        try:
            with opener.open(address, timeout=30) as answer:
                status, body = answer.status, answer.read()
        except urllib.error.HTTPError as error:
            status, body = error.code, error.read()
        try:
            self.send_response(status)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass


def ftp_handlers(root):
    """The FTP handler classes by server name, all serving root."""
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root)
    authorizer.add_user(FTP_USER, FTP_PASSWORD, root)
    members_only = DummyAuthorizer()
    members_only.add_user(FTP_USER, FTP_PASSWORD, root)

    class Counted(FTPHandler):
        def on_connect(self):
            with State.lock:
                State.ftp_sessions += 1

        def on_disconnect(self):
            with State.lock:
                State.ftp_sessions -= 1

        def ftp_RETR(self, file):
            name = os.path.basename(file)
            if name.startswith("slowopen"):
                self.ioloop.call_later(8, FTPHandler.ftp_RETR, self, file)
                return file
            if name.startswith("randomopen"):
                self.ioloop.call_later(random.uniform(0, 0.03), FTPHandler.ftp_RETR, self, file)
                return file
            if name.startswith("drop") and count_request("ftp:" + name) == 1:
                self._restart_position = 0
                with open(file, "rb") as f:
                    self.push_dtp_data(f.read(100000), isproducer=False, cmd="RETR")
                return file
            return FTPHandler.ftp_RETR(self, file)

    class NoRest(Counted):
        def ftp_REST(self, line):
            self.respond("502 Command not implemented.")

    # These two servers have a loop each: holding it up holds up no one else.
    class SlowGreeting(Counted):
        def handle(self):
            time.sleep(8)
            Counted.handle(self)

    class SlowLogin(Counted):
        def ftp_PASS(self, line):
            time.sleep(8)
            Counted.ftp_PASS(self, line)

    class Login(Counted):
        pass

    classes = {"ftp": Counted, "ftp_norest": NoRest, "ftp_slowgreeting": SlowGreeting,
               "ftp_slowlogin": SlowLogin, "ftp_login": Login}
    for handler in classes.values():
        handler.authorizer = authorizer
        handler.passive_ports = None
    Login.authorizer = members_only
    return classes


def write_port(path, port):
    with open(path + ".tmp", "w") as f:
        f.write(str(port))
    os.replace(path + ".tmp", path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--ftp-root")
    parser.add_argument("--ftp-port-file")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--https-port-file")
    parser.add_argument("--port-dir")
    parser.add_argument("--serve-dir")
    parser.add_argument("--lifetime", type=float, default=900)
    args = parser.parse_args()

    # A bound of its own: nothing outlives a run that forgot to stop it.
    threading.Timer(args.lifetime, lambda: os._exit(3)).start()

    State.serve_dir = args.serve_dir
    http = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    http.daemon_threads = True
    threading.Thread(target=http.serve_forever, daemon=True).start()

    State.ports["http"] = http.server_address[1]
    if args.cert:
        import ssl
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        https = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        https.daemon_threads = True
        https.socket = context.wrap_socket(https.socket, server_side=True)
        threading.Thread(target=https.serve_forever, daemon=True).start()
        State.ports["https"] = https.server_address[1]
        write_port(args.https_port_file, https.server_address[1])

    if args.ftp_root:
        import logging
        logging.basicConfig(level=logging.WARNING)
        from pyftpdlib.ioloop import IOLoop
        from pyftpdlib.servers import FTPServer
        handlers = ftp_handlers(args.ftp_root)
        for name, handler in handlers.items():
            if name != "ftp" and not args.port_dir:
                continue
            # A loop of its own for each server: one loop is not to be run by several threads.
            ftp = FTPServer(("127.0.0.1", 0), handler, ioloop=IOLoop())
            threading.Thread(target=ftp.serve_forever, daemon=True).start()
            write_port(args.ftp_port_file if name == "ftp" else os.path.join(args.port_dir, name + ".port"),
                       ftp.address[1])

    if args.port_dir:
        http2 = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        http2.daemon_threads = True
        threading.Thread(target=http2.serve_forever, daemon=True).start()
        write_port(os.path.join(args.port_dir, "http2.port"), http2.server_address[1])
        other = ThreadingHTTPServer(("127.0.0.2", 0), Handler)
        other.daemon_threads = True
        threading.Thread(target=other.serve_forever, daemon=True).start()
        State.ports["http_other"] = other.server_address[1]
        write_port(os.path.join(args.port_dir, "http_other.port"), other.server_address[1])
        proxy = ThreadingHTTPServer(("127.0.0.1", 0), ProxyHandler)
        proxy.daemon_threads = True
        threading.Thread(target=proxy.serve_forever, daemon=True).start()
        write_port(os.path.join(args.port_dir, "proxy.port"), proxy.server_address[1])

    write_port(args.port_file, http.server_address[1])
    threading.Event().wait()


if __name__ == "__main__":
    main()
