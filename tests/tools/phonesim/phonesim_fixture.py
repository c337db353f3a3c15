"""Starting phonesim for a test, talking to its control port, and running the real adb client
against it. Every test gets its own phonesim on ephemeral ports; teardown ends that phonesim
by its pid and runs `adb -P <port> kill-server` in case the client started a real server."""
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time

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
        self.device_ports = {}  # device mode: script serial -> the phone's adb port
        self.adb_serials = {}  # device mode: script serial -> serial the adb server shows
        for line in self.process.stdout:
            words = line.split()
            if words[:2] == ["listening", "adb"]:
                self.port = int(words[2])
            elif words[:2] == ["listening", "device"]:
                self.device_ports[words[3]] = int(words[2])
            elif words[:1] == ["serial"]:
                self.adb_serials[words[2]] = words[1]
            elif words[:2] == ["listening", "control"]:
                self.control_port = int(words[2])
            elif words == ["ready"]:
                break
        device_mode = "--device-port" in extra_args
        if not self.control_port or not (self.port or device_mode):
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


def free_port():
    with socket.socket() as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]


class AdbServer:
    """A real adb server of its own: a free port (never 5037), and HOME and its log in a
    throw-away folder, so its key pair lands there. It still tries the emulator ports
    5555..5585 once at its start; tests name their phones with -s and keep their own ports
    out of that range. stop() ends it with `adb -P <port> kill-server`."""

    def __init__(self):
        self.adb_path = find_adb()
        self.folder = tempfile.mkdtemp(prefix="phonesim-adb-")
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("ANDROID_SERIAL", "ADB_VENDOR_KEYS", "ADB_TRACE")}
        self.port = None
        for _ in range(5):
            port = free_port()
            if port == 5037:
                continue
            self.env.update(HOME=self.folder, ANDROID_ADB_SERVER_PORT=str(port),
                            ANDROID_ADB_LOG_PATH=os.path.join(self.folder, "adb.log"))
            self.port = port
            if self.adb("start-server", timeout=30).returncode == 0:
                return
        self.stop()
        raise RuntimeError("adb server did not start")

    def adb(self, *args, stdin=None, timeout=30):
        result = subprocess.run([self.adb_path, "-P", str(self.port)] + list(args),
                                input=stdin, capture_output=True, timeout=timeout, env=self.env)
        result.stdout = result.stdout.decode("utf-8", "replace")
        result.stderr = result.stderr.decode("utf-8", "replace")
        return result

    def announce(self, device_port):
        """What an emulator does when it boots: the server connects to the port at once."""
        with connect(self.port) as sock:
            request(sock, "host:emulator:%d" % device_port)
            read_all(sock)

    def states(self):
        """{serial: state} of `adb devices`."""
        lines = self.adb("devices").stdout.splitlines()[1:]
        return dict(line.split("\t", 1) for line in lines if "\t" in line)

    def wait_state(self, serial, state, timeout=15):
        """Polls `adb devices` until `serial` shows `state` (None: not listed); the last
        listing."""
        deadline = time.monotonic() + timeout
        while True:
            states = self.states()
            if states.get(serial) == state or time.monotonic() > deadline:
                return states
            time.sleep(0.1)

    def stop(self):
        if self.port:
            subprocess.run([self.adb_path, "-P", str(self.port), "kill-server"],
                           capture_output=True, timeout=30, env=self.env)
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
