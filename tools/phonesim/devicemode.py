"""Device mode: each scripted phone listens on its own TCP port as an emulator's adbd does, so
that a real adb server takes it for a device (adbd.py speaks the protocol on each connection).

An adb server names the phone on adb port P "emulator-<P-1>" when it finds it by itself: at
its start it tries the odd ports 5555..5585, and it connects to any port P named in a
"host:emulator:P" request (what an emulator sends when it boots; --announce-to sends it
too, and again whenever that server does not list a plugged phone: announcer.py). After
`adb connect 127.0.0.1:P` the same phone is "127.0.0.1:P" instead.

Plugging follows the script: unplugging (or state "none", or removing the phone) closes the
port and every connection on it; plugging opens the same port again. A state change that
contradicts what a connection has already shown the server ends that connection, so the
server reconnects and meets the new state.
"""
import socket
import threading

from adbd import ANSWERED_STATES, Transport
from announcer import Announcer

MAX_FREE_PORT_TRIES = 64


def bind(host, port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        sock.bind((host, port))
    except OSError:
        sock.close()
        raise
    return sock


def bind_free_odd_port(host):
    """(port, bound socket) for a free odd port the system picked."""
    spare = []
    try:
        for _ in range(MAX_FREE_PORT_TRIES):
            sock = bind(host, 0)
            port = sock.getsockname()[1]
            if port % 2 == 1:
                return port, sock
            spare.append(sock)  # held, so the next try gets another port
    finally:
        for sock in spare:
            sock.close()
    raise OSError("no free odd port found")


def stale(presented, state):
    """Whether a connection that has shown the server `presented` must go now that the phone
    is in `state`. A silent connection is never stale (its handshake follows the state), nor
    is an unauthorized one that the phone may still accept."""
    if presented in ANSWERED_STATES:
        return presented != state
    if presented == "unauthorized":
        return state not in ANSWERED_STATES + ("unauthorized",)
    return False


class Endpoint:
    """One phone's port: its listening socket while plugged, and the connections on it."""

    def __init__(self, mode, phone, port, sock=None):
        self.mode = mode
        self.phone = phone
        self.port = port
        self.listener = sock  # bound; listening only while the phone is plugged
        self.accepting = None
        self.transports = set()
        self.lock = threading.Lock()
        self.last_error = None

    def record(self, text):
        self.mode.recorder.record("transport", self.phone.serial, text)

    def sync(self):
        if not self.phone.listed():
            if self.accepting is not None:
                self.close(keep_port=True)
            return
        if self.accepting is None:
            self.open()
        with self.lock:
            transports = list(self.transports)
        for transport in transports:
            if stale(transport.presented, self.phone.state):
                transport.close()

    def open(self):
        try:
            sock = self.listener or bind(self.mode.host, self.port)
            sock.listen(16)
        except OSError as error:
            self.listener = None
            if str(error) != self.last_error:
                self.record("cannot listen on port %d: %s" % (self.port, error))
            self.last_error = str(error)
            return
        self.last_error = None
        thread = threading.Thread(target=self._accept, args=(sock,), daemon=True)
        with self.lock:
            self.listener = sock
            self.accepting = thread
        thread.start()
        self.record("listening on port %d" % self.port)
        self.mode.announce(self)

    def close(self, keep_port=False):
        """Stops listening and ends every connection. `keep_port` holds the port with a
        bound socket that does not listen: connections are refused as on a closed port, and
        nothing else takes the port before the phone is plugged again."""
        with self.lock:
            sock, thread = self.listener, self.accepting
            self.listener = self.accepting = None
            transports = list(self.transports)
        if sock is not None:
            try:
                sock.shutdown(socket.SHUT_RDWR)  # wakes the accept() below
            except OSError:
                pass
            if thread is not None:
                thread.join(5)
            sock.close()
            if thread is not None:
                self.record("port %d closed" % self.port)
        for transport in transports:
            transport.close()
        if keep_port:
            try:
                self.listener = bind(self.mode.host, self.port)
            except OSError:
                pass

    def _accept(self, sock):
        while True:
            try:
                conn, _ = sock.accept()
            except OSError:
                return
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            transport = Transport(self.phone, conn, self.mode.recorder, self.mode.options,
                                  self.mode.stop_event)
            with self.lock:
                if self.listener is not sock:
                    conn.close()
                    return
                self.transports.add(transport)
            threading.Thread(target=self._run, args=(transport,), daemon=True).start()

    def _run(self, transport):
        try:
            transport.run()
        finally:
            with self.lock:
                self.transports.discard(transport)


class DeviceMode:
    """Gives every phone of the registry a port (`first_port`, then the next odd ports, or
    free odd ports when `first_port` is 0) and keeps the ports open or closed as the phones
    are plugged and unplugged."""

    def __init__(self, registry, recorder, options, stop_event, host, first_port,
                 announce_to=None):
        if first_port % 2 == 0 and first_port != 0:
            raise ValueError("the device port must be odd (the adb server names port P "
                             "emulator-<P-1>)")
        self.registry = registry
        self.recorder = recorder
        self.options = options
        self.stop_event = stop_event
        self.host = host
        self.next_port = first_port
        self.announcer = Announcer(self, announce_to) if announce_to else None
        self.endpoints = {}
        self.sync_lock = threading.Lock()
        registry.on_add = self._assign

    def _assign(self, phone):
        """Called by the registry before the phone joins it (a failure keeps it out)."""
        try:
            if self.next_port:
                port = self.next_port
                sock = bind(self.host, port)
                self.next_port += 2
            else:
                port, sock = bind_free_odd_port(self.host)
        except OSError as error:
            raise ValueError("no device port for %s: %s" % (phone.serial, error))
        phone.device_port = port
        phone.adb_serial = "emulator-%d" % (port - 1)
        self.endpoints[phone] = Endpoint(self, phone, port, sock)

    def start(self):
        self.sync()
        threading.Thread(target=self._watch, daemon=True).start()
        if self.announcer is not None:
            self.announcer.start()

    def stop(self):
        with self.sync_lock:
            for endpoint in list(self.endpoints.values()):
                endpoint.close()

    def sync(self):
        with self.sync_lock:
            with self.registry.lock:
                phones = list(self.registry.phones)
                endpoints = dict(self.endpoints)
                for phone in endpoints:
                    if phone not in phones:
                        del self.endpoints[phone]
            for phone, endpoint in endpoints.items():
                if phone in phones:
                    endpoint.sync()
                else:
                    endpoint.close()

    def _watch(self):
        generation = -1
        while not self.stop_event.is_set():
            generation = self.registry.wait_change(generation, 0.5)
            if not self.stop_event.is_set():
                self.sync()

    def announce(self, endpoint):
        """Tells the adb server at --announce-to about a port that has just opened."""
        if self.announcer is not None:
            self.announcer.now(endpoint)

    def listening_endpoints(self):
        """The endpoints whose phone is plugged and listed, port open."""
        with self.sync_lock:
            return [e for e in self.endpoints.values() if e.accepting is not None]

    def lines(self, host):
        """The start-up lines naming each phone's port and the serials the server shows."""
        shown = "127.0.0.1" if host in ("", "0.0.0.0") else host
        out = []
        with self.registry.lock:
            for phone in self.registry.phones:
                out.append("listening device %d %s" % (phone.device_port, phone.serial))
                out.append("serial %s %s" % (phone.adb_serial, phone.serial))
                out.append("connect %s:%d %s" % (shown, phone.device_port, phone.serial))
        return out
