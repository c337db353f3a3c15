"""Device mode's --announce-to: keeps a real adb server told about every plugged phone.

A booting emulator sends "host:emulator:<port>" to the adb server once; the server connects to
the port at once and lists the phone as emulator-<port-1>. A server that starts later finds
only the ports 5555..5585 by itself, so a phone on any other port would be lost whenever its
server is restarted (the program does `adb kill-server` + `adb start-server` when a phone
arrives; a real USB phone is found again by the new server). The announcer therefore asks the
server on the announced port for its listing every half second and announces each plugged
phone again when the server does not list it: after a new server came up, or when the server
gave up on the port. An unplugged phone (closed port) is never announced.
"""
import socket
import threading
import time

CHECK_SECONDS = 0.5
# An announced phone takes a moment to show in the listing; no second announcement before.
SETTLE_SECONDS = 1.0
MAX_LISTING_BYTES = 1 << 16


def host_request(service):
    data = service.encode("ascii")
    return b"%04x" % len(data) + data


def read_exact(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise OSError("the adb server closed the connection")
        data += chunk
    return data


def listed_serials(listing):
    """The serials of a host:devices listing ("serial<TAB>state" lines), whatever their state."""
    serials = set()
    for line in listing.splitlines():
        serial, tab, _ = line.partition("\t")
        if tab and serial:
            serials.add(serial)
    return serials


def server_listing(port, timeout=2.0):
    """The serials the adb server on `port` lists, or None when no server answers there."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
            sock.sendall(host_request("host:devices"))
            if read_exact(sock, 4) != b"OKAY":
                return None
            length = int(read_exact(sock, 4), 16)
            if length > MAX_LISTING_BYTES:
                return None
            return listed_serials(read_exact(sock, length).decode("utf-8", "replace"))
    except (OSError, ValueError):
        return None


class Announcer:
    """Announces the phones of a device mode to the adb server on `adb_port`."""

    def __init__(self, mode, adb_port):
        self.mode = mode
        self.adb_port = adb_port
        self.lock = threading.Lock()
        self.last_sent = {}  # endpoint -> monotonic time of its last announcement; under lock
        self.server_up = None

    def start(self):
        threading.Thread(target=self._watch, daemon=True).start()

    def now(self, endpoint):
        """Announces a port that has just opened, without waiting for the next check."""
        threading.Thread(target=self._send, args=(endpoint, "announced"), daemon=True).start()

    def _watch(self):
        while not self.mode.stop_event.wait(CHECK_SECONDS):
            self.check()

    def check(self):
        """One look at the server: every plugged phone it does not list is announced again."""
        serials = server_listing(self.adb_port)
        up = serials is not None
        if up != self.server_up:
            self.mode.recorder.record("transport", "-", "adb server on port %d %s" % (
                self.adb_port, "answers" if up else "does not answer"))
            self.server_up = up
        if not up:
            return
        for endpoint in self.mode.listening_endpoints():
            if endpoint.phone.adb_serial in serials:
                continue
            with self.lock:
                recent = time.monotonic() - self.last_sent.get(endpoint, 0) < SETTLE_SECONDS
            if not recent:
                self._send(endpoint, "re-announced")

    def _send(self, endpoint, what):
        with self.lock:
            self.last_sent[endpoint] = time.monotonic()
        request = host_request("host:emulator:%d" % endpoint.port)
        try:
            with socket.create_connection(("127.0.0.1", self.adb_port), timeout=5) as sock:
                sock.sendall(request)
                while sock.recv(4096):  # the server answers nothing and closes
                    pass
            endpoint.record("%s to the adb server on port %d" % (what, self.adb_port))
        except OSError as error:
            endpoint.record("announcing to port %d failed: %s" % (self.adb_port, error))
