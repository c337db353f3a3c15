"""The "sync:" file service (version 1 requests: STAT, LIST, SEND, RECV, QUIT), as used by
`adb push`, `adb pull` and the push step of the legacy `adb install`.

Files arrive as the shell user: pushing below a folder the shell user cannot write fails with
"Permission denied"; a full /data/local/tmp (script "push_space") fails with "No space left on
device", as does the push of a package whose scripted install answer is "no_space".
"""
import posixpath
import struct
import time

from vfs import FsError

MAX_PATH = 1024
MAX_CHUNK = 64 * 1024
MAX_FILE = 512 * 1024 * 1024
S_IFDIR = 0o040000
S_IFREG = 0o100000


def serve(wire, phone, record):
    fault = phone.fault("sync")
    if fault == "fail":
        wire.fail("closed")
        return
    wire.okay()
    while True:
        header = wire.read_exact(8)
        command = header[:4].decode("ascii", "replace")
        length = struct.unpack("<I", header[4:])[0]
        if command == "QUIT":
            record("sync", "QUIT")
            return
        if command not in ("STAT", "LIST", "SEND", "RECV") or length > MAX_PATH:
            record("sync", "bad request %r" % command)
            send_fail(wire, "unknown sync request")
            return
        path = wire.read_exact(length).decode("utf-8", "replace")
        record("sync", "%s %s" % (command, path))
        if command == "STAT":
            stat(wire, phone, path)
        elif command == "LIST":
            listing(wire, phone, path)
        elif command == "RECV":
            if not receive(wire, phone, path):
                return
        elif not send(wire, phone, path, record):
            return


def send_fail(wire, message):
    data = message.encode("utf-8")
    wire.send(b"FAIL" + struct.pack("<I", len(data)) + data)


def stat(wire, phone, path):
    with phone.lock:
        node = phone.fs.get(path)
    if node is None:
        wire.send(b"STAT" + struct.pack("<III", 0, 0, 0))
        return
    mode = (S_IFDIR if node.is_dir else S_IFREG) | node.mode
    wire.send(b"STAT" + struct.pack("<III", mode, len(node.content), int(time.time())))


def listing(wire, phone, path):
    with phone.lock:
        entries = [(p, phone.fs.get(p)) for p in phone.fs.children(path)]
    for child, node in entries:
        name = posixpath.basename(child).encode("utf-8")
        mode = (S_IFDIR if node.is_dir else S_IFREG) | node.mode
        wire.send(b"DENT" + struct.pack("<IIII", mode, len(node.content), int(time.time()),
                                        len(name)) + name)
    wire.send(b"DONE" + struct.pack("<IIII", 0, 0, 0, 0))


def receive(wire, phone, path):
    try:
        with phone.lock:
            content = phone.fs.read(path, False)
    except FsError as error:
        send_fail(wire, str(error))
        return False
    for start in range(0, len(content), MAX_CHUNK):
        chunk = content[start:start + MAX_CHUNK]
        wire.send(b"DATA" + struct.pack("<I", len(chunk)) + chunk)
    wire.send(b"DONE" + struct.pack("<I", 0))
    return True


def read_file_data(wire):
    """DATA chunks up to DONE; the content, or None when the stream is malformed."""
    parts, total = [], 0
    while True:
        header = wire.read_exact(8)
        kind, length = header[:4], struct.unpack("<I", header[4:])[0]
        if kind == b"DONE":
            return b"".join(parts)
        if kind != b"DATA" or length > MAX_CHUNK or total + length > MAX_FILE:
            return None
        parts.append(wire.read_exact(length))
        total += length


def send(wire, phone, target, record):
    path, _, mode_text = target.rpartition(",")
    if not path:
        path, mode_text = target, "33188"
    try:
        mode = int(mode_text)
    except ValueError:
        mode = 0o100644
    delay = phone.delay("push")
    if delay > 0:
        time.sleep(delay)
    content = read_file_data(wire)
    if content is None:
        send_fail(wire, "invalid data message")
        return False
    error = store(phone, path, content, mode)
    record("sync", "stored %s (%d bytes)%s" % (path, len(content), ", " + error if error else ""))
    if error:
        send_fail(wire, "couldn't create file: " + error)
        return False
    wire.send(b"OKAY" + struct.pack("<I", 0))
    return True


def store(phone, path, content, mode):
    with phone.lock:
        in_tmp = path.startswith("/data/local/tmp/")
        if in_tmp and phone.tmp_full:
            return "No space left on device"
        if in_tmp and path.endswith(".apk") and phone.next_install_outcome(False) == "no_space":
            phone.next_install_outcome(True)
            return "No space left on device"
        try:
            make_parents(phone.fs, path)
            phone.fs.write(path, content, mode, False)
        except FsError as error:
            return str(error)
    return ""


def make_parents(fs, path):
    """adbd creates missing parent folders of a pushed file where the shell user may."""
    missing = []
    folder = posixpath.dirname(path)
    while fs.get(folder) is None and folder != "/":
        missing.append(folder)
        folder = posixpath.dirname(folder)
    if missing and fs.can_write_in(folder, False):
        for name in reversed(missing):
            fs.mkdir(name, False)
