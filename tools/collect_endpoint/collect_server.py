#!/usr/bin/env python3
"""Analytics collection endpoint for tests and demonstrations.

Accepts the batch POST at /collect?project=pc, undoes its encoding
(URL, Base64, gzip), keeps every record and answers 200, unless it has been
told to answer another status, to wait before answering or to drop the
connection. Listens on loopback only.

Records are kept per "sink" (query parameter "sink", default "default") so
that several test programs can share one server without seeing each
other's records:

  POST /collect?project=pc[&sink=S]       the collection request
  GET  /control?sink=S[&status=N][&delay=SECONDS][&close=1]
                                          how the next requests are answered
  GET  /reset?sink=S                      forget records, requests and mode
  GET  /records?sink=S                    kept records, one JSON object a line
  GET  /requests?sink=S                   every request seen, one JSON a line:
                                          {"status", "outcome", "count", "batch"}
  GET  /health                            "ok"

Kept records are also appended to <state dir>/<sink>.jsonl.
"""

import argparse
import base64
import gzip
import json
import os
import select
import socket
import ssl
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOCK = threading.Lock()
SINKS = {}
STATE_DIR = None


def sink(name):
    """Returns the sink record of `name`, creating it. Call under LOCK."""
    if name not in SINKS:
        SINKS[name] = {"mode": {"status": 200, "delay": 0.0, "close": False},
                       "records": [], "requests": []}
    return SINKS[name]


def safe_sink_name(name):
    return "".join(c for c in name if c.isalnum() or c in "-_") or "default"


def parse_form(body):
    """Splits an application/x-www-form-urlencoded body without turning "+"
    into a space: the client percent-encodes everything but A-Z a-z 0-9 -._~,
    so a raw "+" would itself be a fault worth seeing."""
    fields = {}
    for part in body.split("&"):
        if not part:
            continue
        name, _, value = part.partition("=")
        fields[urllib.parse.unquote(name)] = urllib.parse.unquote(value)
    return fields


def client_gone(connection):
    """True when the client closed its side while we were waiting."""
    try:
        readable, _, _ = select.select([connection], [], [], 0)
        if not readable:
            return False
        return connection.recv(1, socket.MSG_PEEK) == b""
    except OSError:
        return True


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "CollectEndpoint/1"

    def log_message(self, fmt, *args):
        pass

    def reply(self, status, text, content_type="text/plain; charset=utf-8"):
        data = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(data)
        self.close_connection = True

    def query(self):
        url = urllib.parse.urlsplit(self.path)
        return url.path, {k: v[-1] for k, v in urllib.parse.parse_qs(url.query).items()}

    def do_GET(self):
        path, query = self.query()
        name = query.get("sink", "default")
        with LOCK:
            entry = sink(name)
            if path == "/health":
                text = "ok"
            elif path == "/control":
                mode = entry["mode"]
                if "status" in query:
                    mode["status"] = int(query["status"])
                if "delay" in query:
                    mode["delay"] = float(query["delay"])
                if "close" in query:
                    mode["close"] = query["close"] == "1"
                text = json.dumps(mode)
            elif path == "/reset":
                del SINKS[name]
                text = "reset"
            elif path == "/records":
                text = "".join(r + "\n" for r in entry["records"])
            elif path == "/requests":
                text = "".join(json.dumps(r, ensure_ascii=False) + "\n" for r in entry["requests"])
            else:
                self.reply(404, "unknown path")
                return
        self.reply(200, text)

    def do_POST(self):
        path, query = self.query()
        name = query.get("sink", "default")
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length).decode("latin-1")
        request = {"status": 0, "outcome": "", "count": 0, "batch": None}
        records = []
        problem = None
        if path != "/collect" or query.get("project") != "pc":
            problem = "wrong path or project"
        else:
            fields = parse_form(body)
            if fields.get("gzip") != "1":
                problem = "gzip field is not 1"
            elif "data_list" not in fields:
                problem = "no data_list field"
            else:
                try:
                    packed = base64.b64decode(fields["data_list"], validate=True)
                    batch = gzip.decompress(packed).decode("utf-8")
                    request["batch"] = batch
                    decoded = json.loads(batch)
                    if not isinstance(decoded, list) or not all(
                            isinstance(r, dict) for r in decoded):
                        raise ValueError("not an array of objects")
                    records = [json.dumps(r, ensure_ascii=False, separators=(",", ":"))
                               for r in decoded]
                except (ValueError, OSError, EOFError) as error:
                    problem = "undecodable data_list: %s" % error
        with LOCK:
            mode = dict(sink(name)["mode"])
        if mode["delay"] > 0:
            time.sleep(mode["delay"])
        if problem is not None:
            request.update(status=400, outcome=problem)
        elif mode["close"]:
            request.update(status=0, outcome="closed")
        elif client_gone(self.connection):
            request.update(status=mode["status"], outcome="client gone")
        else:
            request.update(status=mode["status"],
                           outcome="kept" if mode["status"] == 200 else "refused")
        request["count"] = len(records)
        with LOCK:
            entry = sink(name)
            entry["requests"].append(request)
            if request["outcome"] == "kept":
                entry["records"].extend(records)
                if STATE_DIR:
                    with open(os.path.join(STATE_DIR, safe_sink_name(name) + ".jsonl"), "a",
                              encoding="utf-8") as out:
                        out.writelines(r + "\n" for r in records)
        if request["outcome"] == "closed":
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return
        if request["outcome"] == "client gone":
            self.close_connection = True
            return
        self.reply(request["status"] if problem is None else 400,
                   "ok" if request["outcome"] == "kept" else (problem or "refused"))


def serve(server):
    server.serve_forever(poll_interval=0.2)


def main():
    global STATE_DIR
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--state-dir")
    parser.add_argument("--tls-cert", help="certificate and key (PEM) for a second, HTTPS listener")
    parser.add_argument("--tls-port-file")
    args = parser.parse_args()
    STATE_DIR = args.state_dir
    if STATE_DIR:
        os.makedirs(STATE_DIR, exist_ok=True)
    ThreadingHTTPServer.daemon_threads = True
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    threads = [threading.Thread(target=serve, args=(server,), daemon=True)]
    if args.tls_cert:
        tls_server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert)
        tls_server.socket = context.wrap_socket(tls_server.socket, server_side=True)
        threads.append(threading.Thread(target=serve, args=(tls_server,), daemon=True))
        if args.tls_port_file:
            with open(args.tls_port_file + ".tmp", "w") as out:
                out.write(str(tls_server.server_address[1]))
            os.replace(args.tls_port_file + ".tmp", args.tls_port_file)
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as out:
            out.write(str(server.server_address[1]))
        os.replace(args.port_file + ".tmp", args.port_file)
    for thread in threads:
        thread.start()
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
