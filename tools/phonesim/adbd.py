"""The phone's side of adb's transport protocol, as adbd speaks it over TCP to an adb server:
24-byte message headers, the CNXN handshake (or AUTH while the phone does not trust the
computer), and OPEN / OKAY / WRTE / CLSE streams, several at once on one connection, each
running one device service of device.py.

A message is six little-endian 32-bit words (command, arg0, arg1, data length, data checksum
as the byte sum, magic = command ^ 0xffffffff) followed by the data. Streams take turns: a WRTE
is answered by an OKAY before the next WRTE of that stream may follow, in both directions.

The handshake follows the phone's adb state: "device", "recovery", "sideload" and
"bootloader" answer CNXN with a banner of that kind; "unauthorized" answers with AUTH tokens
and never accepts a signature or public key (until the state turns "device": then the CNXN
follows on the same connection, as when the user allows the computer); "offline" keeps the
connection and never answers.
"""
import os
import select
import socket
import struct
import threading
import time

import device
from wire import PeerClosed


def _word(name):
    return struct.unpack("<I", name)[0]


CNXN, AUTH, OPEN, OKAY, CLSE, WRTE = (_word(n) for n in (b"CNXN", b"AUTH", b"OPEN", b"OKAY",
                                                         b"CLSE", b"WRTE"))
HEADER = struct.Struct("<6I")
VERSION = 0x01000001           # from this version on, receivers skip the data checksum
MAX_PAYLOAD = 256 * 1024       # what we accept per message; the host's own limit may be lower
MAX_INCOMING = 1024 * 1024     # larger announced lengths mean a broken peer
INCOMING_LIMIT = 1024 * 1024   # buffered stream input before OKAYs are held back
AUTH_TOKEN, AUTH_SIGNATURE, AUTH_RSAPUBLICKEY = 1, 2, 3
ANSWERED_STATES = ("device", "recovery", "sideload", "bootloader")
HANDSHAKE_POLL = 0.1


def pack(command, arg0, arg1, data=b""):
    return HEADER.pack(command, arg0, arg1, len(data), sum(data) & 0xFFFFFFFF,
                       command ^ 0xFFFFFFFF) + data


def command_name(command):
    return struct.pack("<I", command).decode("ascii", "replace")


def banner(phone, state):
    props = phone.props()
    fields = ["ro.product.%s=%s" % (key, props.get("ro.product." + key, ""))
              for key in ("name", "model", "device")]
    fields.append("features=" + ",".join(phone.setting("features", [])))
    return ("%s::%s" % (state, ";".join(fields))).encode("utf-8")


class Message:
    def __init__(self, command, arg0, arg1, data):
        self.command, self.arg0, self.arg1, self.data = command, arg0, arg1, data


class MessageReader:
    """Whole messages from a socket; a time-out returns None and keeps any partial message."""

    def __init__(self, sock):
        self.sock = sock
        self.buffer = bytearray()

    def read(self, timeout=None):
        while True:
            message = self._take()
            if message is not None:
                return message
            if timeout is not None:
                try:
                    readable, _, _ = select.select([self.sock], [], [], timeout)
                except (OSError, ValueError) as error:
                    raise PeerClosed(str(error))
                if not readable:
                    return None
            try:
                chunk = self.sock.recv(256 * 1024)
            except OSError as error:
                raise PeerClosed(str(error))
            if not chunk:
                raise PeerClosed("closed")
            self.buffer += chunk

    def _take(self):
        if len(self.buffer) < HEADER.size:
            return None
        command, arg0, arg1, length, _, magic = HEADER.unpack_from(self.buffer)
        if magic != command ^ 0xFFFFFFFF or length > MAX_INCOMING:
            raise PeerClosed("bad message header %s" % bytes(self.buffer[:HEADER.size]).hex())
        end = HEADER.size + length
        if len(self.buffer) < end:
            return None
        data = bytes(self.buffer[HEADER.size:end])
        del self.buffer[:end]
        return Message(command, arg0, arg1, data)


class Stream:
    """One opened stream. It offers the Wire interface (read_exact, read_some, send, okay,
    fail, wait_closed, close) that device.py and the services use on host connections, and
    shutdown() for the registry to end it when the phone goes away."""

    def __init__(self, transport, local_id, remote_id):
        self.transport = transport
        self.local_id = local_id
        self.remote_id = remote_id
        self.cond = threading.Condition()
        self.incoming = bytearray()
        self.ack_owed = False
        self.opened = False
        self.may_send = True
        self.remote_gone = False
        self.closed = False

    # -- messages from the host -----------------------------------------------------------
    def received(self, data):
        with self.cond:
            if self.closed:
                return
            self.incoming += data
            self.ack_owed = len(self.incoming) > INCOMING_LIMIT
            owed = self.ack_owed
            self.cond.notify_all()
        if not owed:
            self._ack()

    def ready(self):
        with self.cond:
            self.may_send = True
            self.cond.notify_all()

    def remote_closed(self):
        with self.cond:
            self.remote_gone = self.closed = True
            self.cond.notify_all()

    # -- the Wire interface ---------------------------------------------------------------
    def read_exact(self, count):
        parts, left = [], count
        while left > 0:
            chunk = self._take(left, None)
            parts.append(chunk)
            left -= len(chunk)
        return b"".join(parts)

    def read_some(self, limit, timeout):
        return self._take(limit, timeout)

    def _take(self, limit, timeout):
        deadline = None if timeout is None else time.monotonic() + timeout
        with self.cond:
            while not self.incoming:
                if self.closed:
                    raise PeerClosed("stream closed")
                remaining = None if deadline is None else deadline - time.monotonic()
                if remaining is not None and remaining <= 0:
                    return b""
                self.cond.wait(remaining)
            data = bytes(self.incoming[:limit])
            del self.incoming[:limit]
            ack = self.ack_owed and len(self.incoming) <= INCOMING_LIMIT
            if ack:
                self.ack_owed = False
        if ack:
            self._ack()
        return data

    def send(self, data):
        if isinstance(data, str):
            data = data.encode("utf-8")
        self.okay()
        size = self.transport.max_payload
        fragment = self.transport.options.fragment
        if fragment > 0:
            size = min(size, fragment)
        for start in range(0, len(data), size):
            with self.cond:
                while not self.may_send and not self.closed:
                    self.cond.wait()
                if self.closed:
                    raise PeerClosed("stream closed")
                self.may_send = False
            self.transport.send(WRTE, self.local_id, self.remote_id, data[start:start + size])

    def okay(self):
        with self.cond:
            if self.opened or self.closed:
                return
            self.opened = True
        self.transport.send(OKAY, self.local_id, self.remote_id)

    def fail(self, message):
        """A refused stream closes before it opened; the adb server tells its client
        "closed", whatever the message."""
        self.close()

    def wait_closed(self, seconds, stop_event=None):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if stop_event is not None and stop_event.is_set():
                return
            try:
                self.read_some(65536, 0.2)
            except PeerClosed:
                return

    def close(self):
        with self.cond:
            tell = not self.closed
            self.closed = True
            opened = self.opened
            self.cond.notify_all()
        if tell:
            # A stream that never opened is refused with CLSE(0, remote id).
            self.transport.send(CLSE, self.local_id if opened else 0, self.remote_id)
        self.transport.forget(self)

    def shutdown(self, how=None):
        self.close()

    def _ack(self):
        self.transport.send(OKAY, self.local_id, self.remote_id)


class ServiceCall:
    """What device.serve needs of the connection a service request came on."""

    def __init__(self, stream, recorder, options):
        self.wire = stream
        self.sock = stream
        self.recorder = recorder
        self.options = options


class Transport:
    """One TCP connection from an adb server to a phone."""

    def __init__(self, phone, sock, recorder, options, stop_event):
        self.phone = phone
        self.sock = sock
        self.recorder = recorder
        self.options = options
        self.stop_event = stop_event
        self.reader = MessageReader(sock)
        self.send_lock = threading.Lock()
        self.lock = threading.Lock()
        self.streams = {}
        self.next_id = 1
        self.version = VERSION
        self.max_payload = MAX_PAYLOAD
        self.presented = None  # the state the handshake has shown the server so far
        self.closed = False

    def record(self, text):
        self.recorder.record("transport", self.phone.serial, text)

    def run(self):
        try:
            peer = "%s:%d" % self.sock.getpeername()[:2]
        except OSError:
            peer = "?"
        self.record("connect from %s" % peer)
        try:
            if self._handshake():
                self._serve()
        except PeerClosed:
            pass
        finally:
            self.close()
            self.record("closed")

    def close(self):
        with self.lock:
            if self.closed:
                return
            self.closed = True
            streams = list(self.streams.values())
            self.streams.clear()
        for stream in streams:
            stream.remote_closed()
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()

    def send(self, command, arg0, arg1, data=b""):
        message = pack(command, arg0, arg1, data)
        with self.send_lock:
            try:
                self.sock.sendall(message)
            except OSError:
                # The reader notices the broken connection and ends every stream.
                pass

    def forget(self, stream):
        with self.lock:
            if self.streams.get(stream.local_id) is stream:
                del self.streams[stream.local_id]

    # -- handshake ------------------------------------------------------------------------
    def _handshake(self):
        """Waits for the host's CNXN and answers it as the phone's state says. False when
        stopped before the connection came online."""
        token_out = False
        hello_seen = False
        while not self.stop_event.is_set():
            state = self.phone.state
            if hello_seen and state in ANSWERED_STATES:
                text = banner(self.phone, state)
                self.send(CNXN, self.version, MAX_PAYLOAD, text)
                self.presented = state
                self.record("CNXN " + text.decode("utf-8"))
                return True
            if hello_seen and state == "unauthorized" and not token_out:
                self.send(AUTH, AUTH_TOKEN, 0, os.urandom(20))
                self.presented = "unauthorized"
                token_out = True
                self.record("AUTH token")
            message = self.reader.read(HANDSHAKE_POLL)
            if message is None:
                continue
            if message.command == CNXN:
                hello_seen = True
                self.version = min(VERSION, message.arg0)
                self.max_payload = max(256, min(MAX_PAYLOAD, message.arg1))
                self.record("CNXN from host version %#x maxdata %d %s" % (
                    message.arg0, message.arg1, message.data.decode("utf-8", "replace")))
            elif message.command == AUTH:
                # No signature is good enough and a public key waits for a user who never
                # answers: every signature gets a fresh token, as adbd does.
                kind = {AUTH_SIGNATURE: "signature", AUTH_RSAPUBLICKEY: "public key"}.get(
                    message.arg0, "type %d" % message.arg0)
                self.record("AUTH %s refused" % kind)
                if message.arg0 == AUTH_SIGNATURE:
                    token_out = False
        return False

    # -- streams --------------------------------------------------------------------------
    def _serve(self):
        while not self.stop_event.is_set():
            message = self.reader.read(None)
            if message.command == OPEN:
                self._open(message)
                continue
            with self.lock:
                stream = self.streams.get(message.arg1)
            if message.command == CNXN:
                # The host started over: answer again as at the start.
                self.send(CNXN, self.version, MAX_PAYLOAD, banner(self.phone, self.presented))
            elif stream is None:
                if message.command == WRTE:
                    self.send(CLSE, 0, message.arg0)
            elif message.command == OKAY:
                stream.ready()
            elif message.command == WRTE:
                stream.received(message.data)
            elif message.command == CLSE:
                stream.remote_closed()
                self.forget(stream)

    def _open(self, message):
        service = message.data.rstrip(b"\0").decode("utf-8", "replace")
        with self.lock:
            local_id = self.next_id
            self.next_id += 1
            stream = Stream(self, local_id, message.arg0)
            self.streams[local_id] = stream
        threading.Thread(target=self._run_service, args=(stream, service), daemon=True).start()

    def _run_service(self, stream, service):
        self.recorder.record("service", self.phone.serial, service)
        try:
            if not self._service_fault(stream, service):
                device.serve(ServiceCall(stream, self.recorder, self.options), self.phone,
                             service)
        except PeerClosed:
            pass
        finally:
            stream.close()

    def _service_fault(self, stream, service):
        for prefix, mode in list(self.options.faults.items()):
            if service.startswith(prefix):
                if mode == "close":
                    stream.okay()
                elif mode == "stall":
                    stream.wait_closed(600, self.stop_event)
                return mode in ("fail", "close", "stall")
        return False
