#!/usr/bin/env python3
"""Development and test servers for Penlow: the SOAP web service, the partner-account login
endpoint, the store pages and the package/icon/driver files, on loopback ports.

Each service lives in a module of this folder that defines:
    add_arguments(parser)        its command-line options
    create_listeners(args, log)  a list of (name, handler_function) pairs; each pair gets its
                                 own loopback listener, and handler_function(request) answers
                                 one request (see Request / Response below)
Ports are ephemeral unless --port-<name> is given; once every listener is up the program
prints one line "listening <name> <port>" per listener and then "ready", so tests can read
their ports from stdout. Every received request is appended to --log (JSON lines) when set.
"""
import argparse
import importlib
import json
import os
import socketserver
import sys
import threading
from http.server import BaseHTTPRequestHandler

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

SERVICE_MODULES = ["soap", "login", "files", "store"]
MAX_BODY = 16 * 1024 * 1024


class Request:
    def __init__(self, handler, body):
        self.method = handler.command
        self.path = handler.path
        self.headers = handler.headers
        self.body = body
        self.raw_requestline = handler.raw_requestline
        self.handler = handler


class RequestLog:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()

    def write(self, service, request):
        if not self.path:
            return
        record = {
            "service": service,
            "method": request.method,
            "path": request.path,
            "headers": dict(request.headers.items()),
            "body": request.body.decode("utf-8", "replace"),
        }
        with self.lock, open(self.path, "a", encoding="utf-8") as f:
            f.write(json.dumps(record, ensure_ascii=False) + "\n")


def make_handler_class(name, handle, log):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, fmt, *args):
            pass

        def _dispatch(self):
            length = self.headers.get("Content-Length")
            body = b""
            if length is not None:
                try:
                    n = max(0, min(int(length), MAX_BODY))
                except ValueError:
                    n = 0
                body = self.rfile.read(n)
            request = Request(self, body)
            log.write(name, request)
            handle(request)

        do_GET = _dispatch
        do_POST = _dispatch
        do_HEAD = _dispatch

    return Handler


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--log", help="append every received request to this JSON-lines file")
    modules = []
    for module_name in SERVICE_MODULES:
        try:
            module = importlib.import_module(module_name)
        except ModuleNotFoundError:
            continue
        modules.append(module)
        module.add_arguments(parser)
    args = parser.parse_args()
    log = RequestLog(args.log)

    servers = []
    for module in modules:
        for name, handle in module.create_listeners(args, log):
            port = getattr(args, "port_" + name, None) or 0
            server = Server(("127.0.0.1", port), make_handler_class(name, handle, log))
            servers.append((name, server))
    for name, server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
        print("listening %s %d" % (name, server.server_address[1]), flush=True)
    print("ready", flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
