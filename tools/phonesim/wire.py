"""adb smart-socket framing: 4 hex digit length prefixes, OKAY/FAIL status words, exact reads.

Every read is bounded: a request can never announce more than 0xFFFF bytes, and a peer that
closes early raises PeerClosed instead of handing back a short buffer.
"""
import select
import socket
import time


class PeerClosed(Exception):
    """The other side closed (or reset) the connection."""


class Wire:
    """One accepted connection. `fragment` > 0 splits every reply into pieces of that many
    bytes with a short pause between them, to exercise clients that assume one receive."""

    def __init__(self, sock, fragment=0, fragment_pause=0.005):
        self.sock = sock
        self.fragment = fragment
        self.fragment_pause = fragment_pause

    def read_exact(self, count):
        parts = []
        left = count
        while left > 0:
            try:
                chunk = self.sock.recv(min(left, 65536))
            except OSError as error:
                raise PeerClosed(str(error))
            if not chunk:
                raise PeerClosed("closed after %d of %d bytes" % (count - left, count))
            parts.append(chunk)
            left -= len(chunk)
        return b"".join(parts)

    def read_some(self, limit, timeout):
        """Whatever arrives within `timeout` seconds (at most `limit` bytes); b"" on time-out."""
        readable, _, _ = select.select([self.sock], [], [], timeout)
        if not readable:
            return b""
        try:
            data = self.sock.recv(limit)
        except OSError as error:
            raise PeerClosed(str(error))
        if not data:
            raise PeerClosed("closed")
        return data

    def read_request(self):
        """One "XXXXservice" request as text."""
        prefix = self.read_exact(4)
        try:
            length = int(prefix.decode("ascii"), 16)
        except ValueError:
            raise PeerClosed("bad length prefix %r" % prefix)
        return self.read_exact(length).decode("utf-8", "replace")

    def send(self, data):
        if isinstance(data, str):
            data = data.encode("utf-8")
        try:
            if self.fragment <= 0:
                self.sock.sendall(data)
                return
            for start in range(0, len(data), self.fragment):
                self.sock.sendall(data[start:start + self.fragment])
                time.sleep(self.fragment_pause)
        except OSError as error:
            raise PeerClosed(str(error))

    def okay(self):
        self.send(b"OKAY")

    def fail(self, message):
        self.send(b"FAIL" + length_prefixed(message))

    def send_length_prefixed(self, text):
        self.send(length_prefixed(text))

    def wait_closed(self, seconds, stop_event=None):
        """Blocks up to `seconds` or until the peer closes; incoming bytes are discarded."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if stop_event is not None and stop_event.is_set():
                return
            try:
                self.read_some(65536, 0.2)
            except PeerClosed:
                return

    def close(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()


def length_prefixed(text):
    if isinstance(text, str):
        text = text.encode("utf-8")
    return b"%04x" % len(text) + text
