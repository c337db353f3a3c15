"""Starting phonesim for a test, talking to its control port, and running the real adb client
against it. Every test gets its own phonesim on ephemeral ports; teardown ends that phonesim
by its pid and runs `adb -P <port> kill-server` in case the client started a real server."""
import json
import os
import shutil
import socket
import subprocess
import tempfile

SOURCE_DIR = os.environ.get(
    "PENLOW_SOURCE_DIR",
    os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "..")))
PHONESIM = os.path.join(SOURCE_DIR, "tools", "phonesim", "phonesim.py")


def find_adb():
    program_dir = os.environ.get("PENLOW_PROGRAM_DIR", "")
    candidate = os.path.join(program_dir, "bin", "Korvash", "adb")
    if program_dir and os.path.exists(candidate):
        return candidate
    return shutil.which("adb")


class PhoneSim:
    def __init__(self, phones, extra_args=(), files=None):
        """`phones`: phone scripts (dicts); `files`: {relative name: bytes} written beside
        the scripts (screen images and the like)."""
        self.folder = tempfile.mkdtemp(prefix="phonesim-test-")
        self.sysfs = os.path.join(self.folder, "sys")
        for name, content in (files or {}).items():
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(content)
        scripts = []
        for index, phone in enumerate(phones):
            path = os.path.join(self.folder, "phone%d.json" % index)
            with open(path, "w", encoding="utf-8") as f:
                json.dump(phone, f)
            scripts.append(path)
        command = ["python3", PHONESIM, "--sysfs-root", self.sysfs] + list(extra_args) + scripts
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
        self.port = self.control_port = None
        for line in self.process.stdout:
            words = line.split()
            if words[:2] == ["listening", "adb"]:
                self.port = int(words[2])
            elif words[:2] == ["listening", "control"]:
                self.control_port = int(words[2])
            elif words == ["ready"]:
                break
        if not self.port or not self.control_port:
            self.stop()
            raise RuntimeError("phonesim did not start")
        self.adb_path = find_adb()

    def control(self, command):
        """Data lines of the answer; raises on "ERR"."""
        with socket.create_connection(("127.0.0.1", self.control_port), timeout=10) as sock:
            sock.sendall((command + "\n").encode("utf-8"))
            lines = []
            for line in sock.makefile("r", encoding="utf-8"):
                line = line.rstrip("\n")
                if line == "OK":
                    return lines
                if line.startswith("ERR "):
                    raise RuntimeError(line)
                lines.append(line)
        raise RuntimeError("control connection closed")

    def log(self, kinds=None):
        """The recording as (kind, serial, text) triples."""
        events = [json.loads(line) for line in self.control("log json")]
        return [(e["kind"], e["serial"], e["text"]) for e in events
                if kinds is None or e["kind"] in kinds]

    def adb(self, *args, stdin=None, timeout=30):
        """Runs the real adb client; stdout and stderr are decoded without newline translation
        (so CR LF from the phone stays visible)."""
        env = dict(os.environ, ANDROID_ADB_SERVER_PORT=str(self.port))
        result = subprocess.run([self.adb_path, "-P", str(self.port)] + list(args),
                                input=stdin.encode("utf-8") if stdin is not None else None,
                                capture_output=True, timeout=timeout, env=env)
        result.stdout = result.stdout.decode("utf-8", "replace")
        result.stderr = result.stderr.decode("utf-8", "replace")
        return result

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        if self.port and self.adb_path:
            subprocess.run([self.adb_path, "-P", str(self.port), "kill-server"],
                           capture_output=True, timeout=30)
        shutil.rmtree(self.folder, ignore_errors=True)


def connect(port):
    return socket.create_connection(("127.0.0.1", port), timeout=5)


def request(sock, service):
    data = service.encode("utf-8")
    sock.sendall(b"%04x" % len(data) + data)


def read_exact(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            break
        data += chunk
    return data


def read_all(sock):
    parts = []
    while True:
        chunk = sock.recv(1 << 20)
        if not chunk:
            return b"".join(parts)
        parts.append(chunk)
