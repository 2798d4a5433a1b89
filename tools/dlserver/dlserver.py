#!/usr/bin/env python3
"""Fault-injecting download server for the download engine's tests.

Serves packages stored under <files dir>/<md5>/<name> at the final address
/files/<any segment>/<name>: the segment is not checked, so a test can put a
right, wrong, upper-case or short digest in the address. /r/<n>/<rest>
redirects n times before reaching /<rest>; /loop/<x> redirects to itself for
ever. HEAD answers with the length; GET honours one inclusive or open-ended
byte range.

Misbehaviour is set per test through rules (POST /_control/rules): each
request uses the first rule whose method (and optional path fragment)
matches, whose Range header starts with the rule's optional "range_prefix", and
whose count is not used up. A rule may answer a status, ignore
ranges, omit the length, cut the connection after some body bytes, stall
after some bytes, or limit the rate of the connection.

Control API (JSON):
  POST /_control/package {"name", "size", "seed"} -> {"md5", "size", "path"}
  POST /_control/rules   {"rules": [...]}          replaces the rules
  POST /_control/reset                             clears rules and log
  GET  /_control/log                               -> [{"method","path","range"}]

One process serves plain HTTP and, when given certificates, HTTPS on more
ports. Handlers run on one thread per connection; the shared state is
guarded by one lock.
"""

import argparse
import hashlib
import json
import os
import random
import re
import socket
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOCK = threading.Lock()
STATE = {"rules": [], "log": []}
FILES_DIR = "."
CHUNK = 64 * 1024


def make_package(name, size, seed):
    """Writes a deterministic pseudo-random package once and returns its md5."""
    if "/" in name or name.startswith("."):
        raise ValueError("bad name")
    index = os.path.join(FILES_DIR, "_index", name)
    if os.path.exists(index):
        with open(index) as f:
            md5 = f.read().strip()
        if os.path.getsize(os.path.join(FILES_DIR, md5, name)) == size:
            return md5
    rng = random.Random(seed)
    digest = hashlib.md5()
    tmp = os.path.join(FILES_DIR, "_tmp." + name)
    with open(tmp, "wb") as f:
        left = size
        while left > 0:
            block = rng.randbytes(min(left, 1 << 20))
            digest.update(block)
            f.write(block)
            left -= len(block)
    md5 = digest.hexdigest()
    os.makedirs(os.path.join(FILES_DIR, md5), exist_ok=True)
    os.replace(tmp, os.path.join(FILES_DIR, md5, name))
    os.makedirs(os.path.dirname(index), exist_ok=True)
    with open(index, "w") as f:
        f.write(md5)
    return md5


def find_package(name):
    index = os.path.join(FILES_DIR, "_index", name)
    try:
        with open(index) as f:
            md5 = f.read().strip()
    except OSError:
        return None
    path = os.path.join(FILES_DIR, md5, name)
    return path if os.path.exists(path) else None


def take_rule(method, path, range_header):
    with LOCK:
        for rule in STATE["rules"]:
            methods = rule.get("methods", ["GET", "HEAD"])
            if method not in methods:
                continue
            if rule.get("path_contains") and rule["path_contains"] not in path:
                continue
            if "range_prefix" in rule and not range_header.startswith(rule["range_prefix"]):
                continue
            count = rule.get("count", -1)
            if count == 0:
                continue
            if count > 0:
                rule["count"] = count - 1
            return dict(rule)
    return {}


RANGE_RE = re.compile(r"^bytes=(\d+)-(\d*)$")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "dlserver/1"

    def log_message(self, fmt, *args):
        pass

    def do_HEAD(self):
        self.serve(head=True)

    def do_GET(self):
        if self.path.startswith("/_control/"):
            return self.control_get()
        self.serve(head=False)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length) if length else b"{}"
        try:
            data = json.loads(body or b"{}")
            result = self.control_post(data)
        except Exception as e:  # report bad requests to the test, never crash
            return self.reply_json(400, {"error": str(e)})
        self.reply_json(200, result)

    def control_post(self, data):
        if self.path == "/_control/package":
            md5 = make_package(data["name"], int(data["size"]), data.get("seed", 1))
            return {"md5": md5, "size": int(data["size"]),
                    "path": os.path.abspath(os.path.join(FILES_DIR, md5, data["name"]))}
        if self.path == "/_control/rules":
            with LOCK:
                STATE["rules"] = list(data.get("rules", []))
            return {}
        if self.path == "/_control/reset":
            with LOCK:
                STATE["rules"] = []
                STATE["log"] = []
            return {}
        raise ValueError("unknown control " + self.path)

    def control_get(self):
        if self.path == "/_control/log":
            with LOCK:
                log = list(STATE["log"])
            return self.reply_json(200, log)
        self.reply_json(404, {"error": "unknown"})

    def reply_json(self, status, obj):
        body = json.dumps(obj).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def reply_plain(self, status, head, extra=None):
        body = ("status %d\n" % status).encode()
        self.send_response(status)
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not head:
            self.wfile.write(body)

    def serve(self, head):
        path = self.path.split("?", 1)[0]
        with LOCK:
            STATE["log"].append({"method": self.command, "path": path,
                                 "range": self.headers.get("Range", "")})
        rule = take_rule(self.command, path, self.headers.get("Range", ""))
        if "status" in rule:
            return self.reply_plain(int(rule["status"]), head)
        m = re.match(r"^/r/(\d+)/(.*)$", path)
        if m:
            n = int(m.group(1))
            target = "/r/%d/%s" % (n - 1, m.group(2)) if n > 1 else "/" + m.group(2)
            return self.reply_plain(302, head, {"Location": target})
        if path.startswith("/loop/"):
            return self.reply_plain(302, head, {"Location": path})
        m = re.match(r"^/files/([^/]*)/([^/]+)$", path)
        if not m:
            return self.reply_plain(404, head)
        file_path = find_package(m.group(2))
        if not file_path:
            return self.reply_plain(404, head)
        self.send_file(file_path, head, rule)

    def send_file(self, file_path, head, rule):
        size = os.path.getsize(file_path)
        start, end, status = 0, size - 1, 200
        wanted = self.headers.get("Range")
        if wanted and not rule.get("ignore_ranges") and not head:
            m = RANGE_RE.match(wanted.strip())
            if not m:
                return self.reply_plain(416, head, {"Content-Range": "bytes */%d" % size})
            start = int(m.group(1))
            end = int(m.group(2)) if m.group(2) else size - 1
            end = min(end, size - 1)
            if start > end:
                return self.reply_plain(416, head, {"Content-Range": "bytes */%d" % size})
            status = 206
        length = end - start + 1
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Accept-Ranges", "bytes")
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        if rule.get("omit_length"):
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(length))
        self.end_headers()
        if head:
            return
        self.stream(file_path, start, length, rule)

    def stream(self, file_path, start, length, rule):
        cut = rule.get("cut_after", -1)
        stall_after = rule.get("stall_after", -1)
        stall_seconds = float(rule.get("stall_seconds", 0))
        rate = float(rule.get("rate", 0))
        began = time.monotonic()
        sent = 0
        stalled = False
        with open(file_path, "rb") as f:
            f.seek(start)
            while sent < length:
                if cut >= 0 and sent >= cut:
                    return self.drop()
                if stall_after >= 0 and not stalled and sent >= stall_after:
                    stalled = True
                    self.wfile.flush()
                    time.sleep(stall_seconds)
                    began += stall_seconds
                    continue
                n = min(CHUNK, length - sent)
                if rate > 0:
                    n = min(n, max(1024, int(rate / 20)))
                if cut >= 0:
                    n = min(n, cut - sent)
                if stall_after >= 0 and not stalled:
                    n = min(n, stall_after - sent)
                block = f.read(n)
                try:
                    self.wfile.write(block)
                except OSError:
                    self.close_connection = True
                    return
                sent += len(block)
                if rate > 0:
                    delay = began + sent / rate - time.monotonic()
                    if delay > 0:
                        time.sleep(delay)
            if cut >= 0 and sent >= cut:
                return self.drop()

    def drop(self):
        """Ends the connection before the announced length, as a broken
        network would. The bytes already sent still reach the client, so a
        test knows exactly how many arrived."""
        self.close_connection = True
        try:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def serve_tls(port_file, cert, key):
    httpd = Server(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    httpd.socket = context.wrap_socket(httpd.socket, server_side=True)
    with open(port_file, "w") as f:
        f.write(str(httpd.server_address[1]))
    threading.Thread(target=httpd.serve_forever, daemon=True).start()


def main():
    global FILES_DIR
    parser = argparse.ArgumentParser()
    parser.add_argument("--files", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--tls", nargs=3, action="append", default=[],
                        metavar=("PORT_FILE", "CERT", "KEY"))
    args = parser.parse_args()
    FILES_DIR = args.files
    os.makedirs(FILES_DIR, exist_ok=True)
    for port_file, cert, key in args.tls:
        serve_tls(port_file, cert, key)
    httpd = Server(("127.0.0.1", 0), Handler)
    with open(args.port_file, "w") as f:
        f.write(str(httpd.server_address[1]))
    httpd.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
