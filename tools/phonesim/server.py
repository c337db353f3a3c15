"""One client connection to the emulated adb server: host requests ("host:...",
"host-serial:<serial>:...", "host-transport-id:<n>:..."), transport binding, then one device
service on the bound phone (device.py).

The answers follow adb server version 41 (adb 29): "host:version" says 41 so that clients do
not restart the server; "host:features" lists no shell_v2/cmd/stat_v2 features, so clients use
the legacy "shell:" service, version 1 sync requests and the push-then-pm install.
"""
import struct

import device
from wire import PeerClosed, Wire

SERVER_VERSION = 41
FEATURE_COMMANDS = ("features", "get-state", "get-serialno", "get-devpath")


class Options:
    def __init__(self):
        self.fragment = 0
        self.faults = {}  # request prefix -> "fail" | "close" | "stall"
        self.keep_alive_on_kill = False
        self.on_kill = None
        self.stop_event = None


class Connection:
    def __init__(self, registry, recorder, options, sock):
        self.registry = registry
        self.recorder = recorder
        self.options = options
        self.sock = sock
        self.wire = Wire(sock, options.fragment)

    def run(self):
        try:
            self._serve()
        except PeerClosed:
            pass
        finally:
            self.wire.close()

    def _serve(self):
        phone = None
        while True:
            request = self.wire.read_request()
            is_host = request.startswith("host")
            self.recorder.record("host" if is_host and phone is None else "service",
                                 phone.serial if phone else None, request)
            if self._server_fault(request):
                return
            if phone is None and is_host:
                phone = self._host(request)
                if phone is None:
                    return
                continue
            if phone is None:
                # A device request without a transport goes to the only phone, as adb does.
                phone, error = self.registry.pick()
                if error:
                    self.wire.fail(error)
                    return
            device.serve(self, phone, request)
            return

    def _server_fault(self, request):
        for prefix, mode in self.options.faults.items():
            if request.startswith(prefix):
                if mode == "fail":
                    self.wire.fail("fault injected for " + prefix)
                elif mode == "stall":
                    self.wire.wait_closed(600, self.options.stop_event)
                return mode in ("fail", "close", "stall")
        return False

    def _host(self, request):
        """Answers a host request. Returns the phone the connection is now bound to, or None
        when the request is complete."""
        prefix, serial, transport_id, command = split_host_request(request, self.registry)
        if command == "version":
            self._okay_with("%04x" % SERVER_VERSION)
        elif command == "kill":
            self.wire.okay()
            if self.options.on_kill:
                self.options.on_kill()
        elif command in ("devices", "devices-l"):
            self._okay_with(self.registry.listing(command == "devices-l"))
        elif command == "track-devices":
            self._track_devices()
        elif command == "host-features":
            self._okay_with("")
        elif command in FEATURE_COMMANDS or command.startswith(("tport:", "transport")):
            return self._bound(serial, transport_id, command)
        else:
            self.wire.fail("unknown host service '%s'" % request)
        return None

    def _bound(self, serial, transport_id, command):
        if command.startswith("tport:serial:"):
            serial = command[len("tport:serial:"):]
        elif command.startswith("transport:"):
            serial = command[len("transport:"):]
        elif command.startswith("transport-id:"):
            transport_id = parse_int(command[len("transport-id:"):])
        phone, error = self.registry.pick(serial, transport_id)
        if error:
            self.wire.fail(error)
            return None
        if command == "features":
            self._okay_with(",".join(phone.setting("features", [])))
        elif command == "get-state":
            self._okay_with(phone.state)
        elif command == "get-serialno":
            self._okay_with(phone.serial)
        elif command == "get-devpath":
            self._okay_with(phone.usb_port)
        elif command.startswith("tport:"):
            self.wire.send(b"OKAY" + struct.pack("<Q", phone.transport_id))
            return phone
        else:
            self.wire.okay()
            return phone
        return None

    def _okay_with(self, text):
        data = text.encode("utf-8")
        self.wire.send(b"OKAY" + b"%04x" % len(data) + data)

    def _track_devices(self):
        delay = max((p.delay("track-devices") for p in self.registry.phones), default=0)
        if delay > 0:
            self.wire.wait_closed(delay, self.options.stop_event)
        self.wire.okay()
        sent = None
        generation = -1
        while not (self.options.stop_event and self.options.stop_event.is_set()):
            listing = self.registry.listing()
            if listing != sent:
                self.wire.send_length_prefixed(listing)
                sent = listing
            generation = self.registry.wait_change(generation, 0.2)
            self.wire.read_some(4096, 0)  # raises PeerClosed once the client has gone


def split_host_request(request, registry):
    """(prefix, serial, transport id, command) of "host:...", "host-serial:S:...",
    "host-transport-id:N:...", "host-usb:..." and "host-local:..."."""
    head, _, rest = request.partition(":")
    if head == "host-serial":
        known = sorted((p.serial for p in registry.phones), key=len, reverse=True)
        for serial in known:
            if rest.startswith(serial + ":"):
                return head, serial, None, rest[len(serial) + 1:]
        serial, _, command = rest.rpartition(":")
        return head, serial, None, command
    if head == "host-transport-id":
        number, _, command = rest.partition(":")
        return head, None, parse_int(number), command
    return head, None, None, rest


def parse_int(text):
    try:
        return int(text)
    except ValueError:
        return -1
