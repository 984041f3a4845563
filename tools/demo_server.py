"""The download server of tools/demo.sh: serves the files of one folder over HTTP on 127.0.0.1, each spread
over a few seconds so that the processing window can be seen at work, and writes one line per request to a
file the demo watches. Ends by itself after --lifetime seconds; the demo stops it earlier by its PID.

Usage: demo_server.py --root FOLDER --port-file FILE --requests FILE [--seconds S] [--lifetime S]
"""
import argparse
import functools
import os
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class PacedFiles(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def __init__(self, *args, root, requests, seconds, **kwargs):
        self.root, self.requests, self.seconds = root, requests, seconds
        super().__init__(*args, **kwargs)

    def log_message(self, *args):
        pass

    def do_GET(self):
        name = os.path.basename(self.path.split("?")[0])
        path = os.path.join(self.root, name)
        with open(self.requests, "a") as log:
            log.write(f"GET /{name}\n")
        if not name or not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as f:
            data = f.read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        steps = 20
        chunk = max(1, -(-len(data) // steps))
        try:
            for at in range(0, len(data), chunk):
                self.wfile.write(data[at:at + chunk])
                self.wfile.flush()
                time.sleep(self.seconds / steps)
        except (BrokenPipeError, ConnectionResetError):
            pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--requests", required=True)
    parser.add_argument("--seconds", type=float, default=3)
    parser.add_argument("--lifetime", type=float, default=600)
    args = parser.parse_args()
    threading.Timer(args.lifetime, lambda: os._exit(3)).start()
    handler = functools.partial(PacedFiles, root=args.root, requests=args.requests, seconds=args.seconds)
    server = ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(args.port_file + ".tmp", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
