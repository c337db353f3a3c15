#!/usr/bin/env python3
"""phonesim: an adb server emulator that plays scripted phones.

It listens where the adb server would (127.0.0.1, --port; 0 picks a free port), speaks the adb
smart-socket host protocol well enough for the real `adb` client (devices, shell, push,
install, kill-server) and for the program's own socket client (track-devices, transport,
framebuffer), and answers for one or more phones described by phone scripts (JSON, see
README.md). Once both listeners are up it prints

    listening adb <port>
    listening control <port>
    ready

on stdout. Point clients at it with ANDROID_ADB_SERVER_PORT=<port> (or `adb -P <port>`).
The control port takes the line commands described in control.py; `phonesim.py ctl PORT
COMMAND...` sends one and prints the answer.

With --device-port the phones play the other side instead (devicemode.py): each one listens on
its own odd TCP port and speaks adb's device protocol, so that a real adb server finds it as
emulator-<port-1> (or 127.0.0.1:<port> after `adb connect`). Then it prints, per phone,

    listening device <port> <script serial>
    serial emulator-<port-1> <script serial>
    connect 127.0.0.1:<port> <script serial>

followed by the control port and "ready".

Only the Python 3 standard library is used.
"""
import argparse
import json
import os
import socket
import socketserver
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import control  # noqa: E402
from devicemode import DeviceMode  # noqa: E402
from registry import Recorder, Registry  # noqa: E402
from server import Connection, Options  # noqa: E402


class App:
    def __init__(self, args):
        self.registry = Registry(args.sysfs_root, args.old_server_errors)
        self.recorder = Recorder(args.log)
        self.options = Options()
        self.options.fragment = args.fragment
        self.options.keep_alive_on_kill = args.keep_alive_on_kill
        self.options.on_kill = self.on_kill
        self.stop_event = threading.Event()
        self.options.stop_event = self.stop_event
        for fault in args.fault:
            prefix, _, mode = fault.partition("=")
            self.options.faults[prefix] = mode
        self.adb_server = None
        self.device_mode = None
        self.control_server = None

    def on_kill(self):
        if not self.options.keep_alive_on_kill:
            self.stop()

    def stop(self):
        self.stop_event.set()
        if self.adb_server is not None:
            threading.Thread(target=self.adb_server.shutdown, daemon=True).start()


def load_scripts(app, paths):
    for path in paths:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        phones = data.get("phones", [data]) if isinstance(data, dict) else data
        for script in phones:
            app.registry.add(script, os.path.dirname(os.path.abspath(path)))


def make_adb_server(app, host, port):
    class Handler(socketserver.BaseRequestHandler):
        def handle(self):
            Connection(app.registry, app.recorder, app.options, self.request).run()

    class Server(socketserver.ThreadingTCPServer):
        allow_reuse_address = True
        daemon_threads = True

    return Server((host, port), Handler)


def send_control(port, words):
    with socket.create_connection(("127.0.0.1", int(port))) as sock:
        sock.sendall((" ".join(words) + "\n").encode("utf-8"))
        reader = sock.makefile("r", encoding="utf-8")
        for line in reader:
            line = line.rstrip("\n")
            if line == "OK" or line.startswith("ERR "):
                if line != "OK":
                    print(line, file=sys.stderr)
                return 0 if line == "OK" else 1
            print(line)
    return 1


def parse_args(argv):
    parser = argparse.ArgumentParser(description="adb server emulator with scripted phones")
    parser.add_argument("scripts", nargs="*", help="phone script files (JSON)")
    parser.add_argument("--port", type=int, default=0, help="adb server port (0: any free)")
    parser.add_argument("--device-port", type=int, metavar="PORT",
                        help="device mode: the phones listen as adbd on PORT, PORT+2, ... "
                             "(odd; 0: free odd ports) for a real adb server")
    parser.add_argument("--announce-to", type=int, metavar="ADB_PORT",
                        help="device mode: tell the adb server on ADB_PORT about each phone "
                             "whenever its port opens (host:emulator:<port>), and again while "
                             "plugged whenever that server does not list it (a new server)")
    parser.add_argument("--control-port", type=int, default=0, help="control port (0: any)")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--log", help="append every recorded event to this file (JSON lines)")
    parser.add_argument("--sysfs-root", help="keep <dir>/bus/usb/devices/<port>/idVendor ... "
                                             "for plugged phones (PENLOW_SYSFS_ROOT)")
    parser.add_argument("--fragment", type=int, default=0,
                        help="send every reply in pieces of this many bytes")
    parser.add_argument("--fault", action="append", default=[], metavar="PREFIX=MODE",
                        help="fail/close/stall requests starting with PREFIX")
    parser.add_argument("--keep-alive-on-kill", action="store_true",
                        help="answer host:kill but keep running")
    parser.add_argument("--old-server-errors", action="store_true",
                        help='say "device not found" like old adb servers')
    return parser.parse_args(argv)


def main(argv):
    if argv and argv[0] == "ctl":
        if len(argv) < 3:
            print("usage: phonesim.py ctl PORT COMMAND...", file=sys.stderr)
            return 2
        return send_control(argv[1], argv[2:])
    args = parse_args(argv)
    app = App(args)
    try:
        if args.device_port is not None:
            app.device_mode = DeviceMode(app.registry, app.recorder, app.options,
                                         app.stop_event, args.host, args.device_port,
                                         args.announce_to)
        load_scripts(app, args.scripts)
    except (OSError, ValueError) as error:
        print("phonesim: %s" % error, file=sys.stderr)
        return 2
    if app.device_mode is None:
        app.adb_server = make_adb_server(app, args.host, args.port)
    app.control_server = control.make_server(app, args.host, args.control_port)
    threading.Thread(target=app.control_server.serve_forever, daemon=True).start()
    threading.Thread(target=app.registry.run_timelines, args=(app.stop_event,),
                     daemon=True).start()
    if app.device_mode is None:
        print("listening adb %d" % app.adb_server.server_address[1])
    else:
        app.device_mode.start()
        for line in app.device_mode.lines(args.host):
            print(line)
    print("listening control %d" % app.control_server.server_address[1])
    print("ready", flush=True)
    try:
        if app.device_mode is None:
            app.adb_server.serve_forever(poll_interval=0.1)
        else:
            while not app.stop_event.wait(0.5):
                pass
    except KeyboardInterrupt:
        pass
    app.stop_event.set()
    if app.device_mode is not None:
        app.device_mode.stop()
    app.control_server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
