"""phonesim in device mode: scripted phones on their own ports, found by a real adb server
(Debian's adb 29) of the test's own, and checked on the raw device protocol."""
import base64
import os
import socket
import struct
import subprocess
import sys
import time
import unittest
import zipfile

from phonesim_fixture import (PHONESIM, AdbServer, PhoneSim, connect, free_port, read_all,
                              read_exact, request)

PHONE = {
    "serial": "PSIM0001",
    "props": {"ro.product.model": "Penlow P1", "ro.product.device": "p1"},
    "screen": {"width": 4, "height": 2, "pattern": "solid:102030"},
}
DEVICE_MODE = ["--device-port", "0"]


def phone(**changes):
    script = dict(PHONE)
    script.update(changes)
    return script


def start_phonesim(test, *phones, extra_args=()):
    sim = PhoneSim(list(phones) or [PHONE], DEVICE_MODE + list(extra_args))
    test.addCleanup(sim.stop)
    return sim


class RawHost:
    """The adb server's side of one connection to a phone, message by message."""

    def __init__(self, port):
        self.sock = connect(port)

    def send(self, name, arg0, arg1, data=b""):
        command = struct.unpack("<I", name)[0]
        self.sock.sendall(struct.pack("<6I", command, arg0, arg1, len(data), sum(data),
                                      command ^ 0xFFFFFFFF) + data)

    def read(self, timeout=5.0):
        """(command, arg0, arg1, data), or None when nothing arrives in time. Every message
        must carry its magic and the byte sum of its data."""
        self.sock.settimeout(timeout)
        try:
            head = read_exact(self.sock, 24)
        except socket.timeout:
            return None
        finally:
            self.sock.settimeout(5.0)
        command, arg0, arg1, length, check, magic = struct.unpack("<6I", head)
        assert magic == command ^ 0xFFFFFFFF, head.hex()
        data = read_exact(self.sock, length)
        assert check == sum(data) & 0xFFFFFFFF, (head.hex(), data[:32])
        return struct.pack("<I", command), arg0, arg1, data

    def hello(self, max_payload=1024 * 1024):
        self.send(b"CNXN", 0x01000001, max_payload, b"host::features=shell_v2,cmd")

    def close(self):
        self.sock.close()


class RawProtocolTest(unittest.TestCase):
    def raw(self, port):
        host = RawHost(port)
        self.addCleanup(host.close)
        return host

    def test_streams_run_side_by_side_and_wait_for_each_okay(self):
        sim = start_phonesim(self, phone(screen={"width": 64, "height": 32,
                                                 "pattern": "solid:102030"}))
        host = self.raw(sim.device_ports["PSIM0001"])
        host.hello(max_payload=4096)
        command, version, max_payload, text = host.read()
        self.assertEqual((command, version, max_payload), (b"CNXN", 0x01000001, 256 * 1024))
        self.assertEqual(text, b"device::ro.product.name=penlow_phone;ro.product.model=Penlow P1;"
                               b"ro.product.device=p1;features=")
        host.send(b"OPEN", 5, 0, b"reboot:\0")
        self.assertEqual(host.read(), (b"CLSE", 0, 5, b""))

        host.send(b"OPEN", 7, 0, b"framebuffer:\0")
        okay, frame_id, to, _ = host.read()
        self.assertEqual((okay, to), (b"OKAY", 7))
        command, sender, to, first = host.read()
        self.assertEqual((command, sender, to, len(first)), (b"WRTE", frame_id, 7, 56))
        self.assertIsNone(host.read(0.3), "a second WRTE before the OKAY of the first")

        # While the frame waits for its OKAY, another stream runs to its end.
        host.send(b"OPEN", 9, 0, b"shell:echo two\0")
        okay, shell_id, to, _ = host.read()
        self.assertEqual((okay, to), (b"OKAY", 9))
        self.assertNotEqual(shell_id, frame_id)
        self.assertEqual(host.read(), (b"WRTE", shell_id, 9, b"two\r\n"))
        host.send(b"OKAY", 9, shell_id)
        self.assertEqual(host.read(), (b"CLSE", shell_id, 9, b""))

        frame, sizes = first, []
        while True:
            host.send(b"OKAY", 7, frame_id)
            command, _, _, data = host.read()
            if command == b"CLSE":
                break
            sizes.append(len(data))
            frame += data
        self.assertEqual(sizes, [4096, 4096])  # the host's 4096-byte limit holds
        self.assertEqual(struct.unpack("<14I", frame[:56])[:6], (2, 32, 0, 64 * 32 * 4, 64, 32))
        self.assertEqual(frame[56:], b"\x10\x20\x30\xff" * (64 * 32))

    def test_offline_stays_silent_and_unauthorized_refuses_every_key(self):
        sim = start_phonesim(self, phone(state="offline"),
                             phone(serial="PSIM0002", state="unauthorized"))
        offline = self.raw(sim.device_ports["PSIM0001"])
        offline.hello()
        self.assertIsNone(offline.read(0.5))
        sim.control("state PSIM0001 device")
        self.assertEqual(offline.read()[0], b"CNXN")

        locked = self.raw(sim.device_ports["PSIM0002"])
        locked.hello()
        tokens = []
        for _ in range(2):  # every signature is refused with a fresh token
            command, kind, _, token = locked.read()
            self.assertEqual((command, kind, len(token)), (b"AUTH", 1, 20))
            tokens.append(token)
            locked.send(b"AUTH", 2, 0, b"\x01" * 256)
        self.assertEqual(locked.read()[:2], (b"AUTH", 1))
        self.assertNotEqual(tokens[0], tokens[1])
        locked.send(b"AUTH", 3, 0, b"QUFBQQ== user@host\0")
        self.assertIsNone(locked.read(0.5))
        self.assertIn(("transport", "PSIM0002", "AUTH public key refused"), sim.log())


def next_listing(tracker, wanted, timeout=10):
    """Reads the server's host:track-devices listings until one is `wanted`."""
    tracker.settimeout(timeout)
    while True:
        listing = read_exact(tracker, int(read_exact(tracker, 4), 16)).decode()
        if wanted(listing):
            return listing


class AdbServerTest(unittest.TestCase):
    """The real adb server between the test and the phones; one server for the class, one
    phonesim per test, every adb call with -s."""

    @classmethod
    def setUpClass(cls):
        cls.server = AdbServer()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def attach(self, *phones, extra_args=()):
        """phonesim with `phones`, announced to the server; the first phone's serial there."""
        sim = start_phonesim(self, *phones, extra_args=extra_args)
        for port in sim.device_ports.values():
            self.server.announce(port)
        serial = sim.adb_serials[(phones or [PHONE])[0]["serial"]]
        self.assertEqual(self.server.wait_state(serial, "device").get(serial), "device")
        return sim, serial

    def adb(self, serial, *args, stdin=None):
        return self.server.adb("-s", serial, *args, stdin=stdin)

    def test_server_lists_the_phone_and_runs_its_shell(self):
        sim, serial = self.attach()
        port = sim.device_ports["PSIM0001"]
        self.assertEqual(serial, "emulator-%d" % (port - 1))
        self.assertEqual(port % 2, 1)
        self.assertIn("%s device product:penlow_phone model:Penlow_P1 device:p1" % serial,
                      " ".join(self.server.adb("devices", "-l").stdout.split()))
        self.assertEqual(self.adb(serial, "shell", "getprop ro.product.model").stdout,
                         "Penlow P1\r\n")
        self.assertEqual(self.adb(serial, "exec-out", "getprop ro.product.device").stdout,
                         "p1\n")
        self.assertEqual(self.adb(serial, "get-state").stdout, "device\n")
        self.assertEqual(self.adb(serial, "get-serialno").stdout, serial + "\n")
        with open(os.path.join(sim.sysfs, "bus", "usb", "devices", "1-1", "serial")) as f:
            self.assertEqual(f.read(), serial + "\n")
        services = [t for k, s, t in sim.log(["service"])]
        self.assertEqual(services, ["shell:getprop ro.product.model",
                                    "exec:getprop ro.product.device"])

    def test_su_session_on_stdin(self):
        sim, serial = self.attach(phone(), phone(serial="PSIM0002", su="refused"))
        session = b"su\nmkdir /data/probe\nexit\nexit\n"
        self.assertEqual(self.adb(serial, "shell", stdin=session).stdout, "")
        self.assertIn("File exists", self.adb(serial, "shell", stdin=session).stdout)
        refused = self.adb(sim.adb_serials["PSIM0002"], "shell", stdin=session).stdout
        self.assertIn("su: permission denied\r\nmkdir failed for /data/probe, Permission denied",
                      refused)
        commands = [t for k, s, t in sim.log(["command"]) if s == "PSIM0001"]
        self.assertEqual(commands[:5], ["$ su", "# mkdir /data/probe", "# exit", "$ exit",
                                        "$ su"])

    def test_push_and_pull_round_trip_while_a_shell_stays_open(self):
        sim, serial = self.attach()
        local = os.path.join(sim.folder, "payload.bin")
        content = os.urandom(300 * 1024)
        with open(local, "wb") as f:
            f.write(content)
        session = subprocess.Popen([self.server.adb_path, "-P", str(self.server.port), "-s",
                                    serial, "shell"], stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, env=self.server.env)
        try:
            session.stdin.write(b"echo open\n")
            session.stdin.flush()
            pushed = self.adb(serial, "push", local, "/sdcard/payload.bin")
            self.assertEqual(pushed.returncode, 0, pushed.stderr)
            stored = base64.b64decode(sim.control("file PSIM0001 /sdcard/payload.bin")[0])
            self.assertEqual(stored, content)
            back = os.path.join(sim.folder, "back.bin")
            pulled = self.adb(serial, "pull", "/sdcard/payload.bin", back)
            self.assertEqual(pulled.returncode, 0, pulled.stderr)
            with open(back, "rb") as f:
                self.assertEqual(f.read(), content)
            output, _ = session.communicate(b"exit\n", timeout=30)
        finally:
            if session.poll() is None:
                session.kill()
                session.wait()
        self.assertEqual(output, b"open\r\n")

    def test_install_pushes_then_runs_pm(self):
        sim, serial = self.attach()
        apk = os.path.join(sim.folder, "sample.apk")
        with zipfile.ZipFile(apk, "w") as archive:
            archive.writestr("AndroidManifest.xml",
                             '<manifest xmlns:android="a" package="com.penlow.sample"/>')
        installed = self.adb(serial, "install", apk)
        self.assertEqual(installed.returncode, 0, installed.stderr)
        self.assertIn("Success", installed.stdout)
        self.assertIn("package:com.penlow.sample\r\n",
                      self.adb(serial, "shell", "pm list packages").stdout)
        services = [t for k, s, t in sim.log(["service", "sync"])]
        self.assertIn("SEND /data/local/tmp/sample.apk,33188", services)
        self.assertIn("shell:pm 'install' '/data/local/tmp/sample.apk'", services)

    def test_framebuffer_through_the_servers_host_protocol(self):
        sim, serial = self.attach()
        with connect(self.server.port) as sock:
            request(sock, "host:transport:" + serial)
            self.assertEqual(read_exact(sock, 4), b"OKAY")
            request(sock, "framebuffer:")
            self.assertEqual(read_exact(sock, 4), b"OKAY")
            frame = read_all(sock)
        self.assertEqual(struct.unpack("<14I", frame[:56])[:6], (2, 32, 0, 32, 4, 2))
        self.assertEqual(frame[56:], b"\x10\x20\x30\xff" * 8)

    def test_unplug_closes_the_port_and_plug_brings_the_phone_back(self):
        sim, serial = self.attach()
        port = sim.device_ports["PSIM0001"]
        sysfs = os.path.join(sim.sysfs, "bus", "usb", "devices", "1-1")
        with connect(self.server.port) as tracker:
            request(tracker, "host:track-devices")
            self.assertEqual(read_exact(tracker, 4), b"OKAY")
            next_listing(tracker, lambda listing: serial + "\tdevice\n" in listing)
            sim.control("unplug PSIM0001")
            next_listing(tracker, lambda listing: serial not in listing, timeout=5)
            with self.assertRaises(ConnectionRefusedError):
                connect(port).close()
            self.assertFalse(os.path.exists(sysfs))
            sim.control("plug PSIM0001")
            # The server tries a lost emulator port again every second for a minute.
            next_listing(tracker, lambda listing: serial + "\tdevice\n" in listing)
        self.assertEqual(self.adb(serial, "shell", "echo back").stdout, "back\r\n")

    def test_states_show_in_the_listing(self):
        sim, serial = self.attach()
        sim.control("state PSIM0001 unauthorized")
        self.assertEqual(self.server.wait_state(serial, "unauthorized").get(serial),
                         "unauthorized")
        self.assertIn("device unauthorized", self.adb(serial, "shell", "id").stderr)
        sim.control("state PSIM0001 device")  # the user allows the computer
        self.assertEqual(self.server.wait_state(serial, "device").get(serial), "device")
        sim.control("state PSIM0001 recovery")
        self.assertEqual(self.server.wait_state(serial, "recovery").get(serial), "recovery")
        sim.control("state PSIM0001 offline")
        self.assertEqual(self.server.wait_state(serial, "offline").get(serial), "offline")

    def test_adb_connect_names_the_phone_by_address(self):
        sim = start_phonesim(self)
        address = "127.0.0.1:%d" % sim.device_ports["PSIM0001"]
        connected = self.server.adb("connect", address)
        self.assertEqual(connected.stdout, "connected to %s\n" % address)
        self.assertEqual(self.server.wait_state(address, "device").get(address), "device")
        self.assertEqual(self.adb(address, "shell", "getprop ro.product.device").stdout,
                         "p1\r\n")
        sim.control("unplug PSIM0001")
        # A connected address stays listed, offline, while the server tries to reconnect.
        self.assertEqual(self.server.wait_state(address, "offline").get(address), "offline")
        self.server.adb("disconnect", address)

    def test_announce_to_tells_the_server_at_start_and_at_every_plug(self):
        sim = start_phonesim(self, extra_args=["--announce-to", str(self.server.port)])
        serial = sim.adb_serials["PSIM0001"]
        self.assertEqual(self.server.wait_state(serial, "device").get(serial), "device")
        sim.control("unplug PSIM0001")
        self.assertNotIn(serial, self.server.wait_state(serial, None, timeout=5))
        sim.control("plug PSIM0001")
        self.assertEqual(self.server.wait_state(serial, "device").get(serial), "device")
        announced = [t for k, s, t in sim.log(["transport"]) if t.startswith("announced")]
        self.assertEqual(len(announced), 2)


class ServerRestartTest(unittest.TestCase):
    """--announce-to against a server that is ended and started again on its port, as the
    program does when a phone arrives: the phone is announced to the new server, never while
    it is unplugged."""

    def setUp(self):
        self.server = AdbServer()
        self.addCleanup(self.server.stop)

    def restart_server(self):
        self.assertEqual(self.server.adb("kill-server").returncode, 0)
        self.assertEqual(self.server.adb("start-server").returncode, 0)

    def test_a_new_server_meets_the_plugged_phone_again(self):
        sim = start_phonesim(self, phone(), phone(serial="PSIM0002", plugged=False),
                             extra_args=["--announce-to", str(self.server.port)])
        serial, unplugged = sim.adb_serials["PSIM0001"], sim.adb_serials["PSIM0002"]
        self.assertEqual(self.server.wait_state(serial, "device").get(serial), "device")
        self.restart_server()
        self.assertEqual(self.server.wait_state(serial, "device", timeout=5).get(serial),
                         "device")
        self.assertEqual(self.server.adb("-s", serial, "shell", "echo again").stdout,
                         "again\r\n")
        sim.control("unplug PSIM0001")
        self.assertNotIn(serial, self.server.wait_state(serial, None, timeout=5))
        self.restart_server()
        time.sleep(1.5)  # three checks of the announcer
        self.assertEqual(self.server.states(), {})
        texts = [(s, t) for k, s, t in sim.log(["transport"])]
        self.assertEqual(len([t for s, t in texts if s == "PSIM0001" and
                              t.startswith("re-announced")]), 1)
        self.assertFalse([t for s, t in texts if s == "PSIM0002" and "announced" in t])

    def test_a_phone_the_server_dropped_is_announced_again(self):
        sim = start_phonesim(self, extra_args=["--announce-to", str(self.server.port)])
        serial = sim.adb_serials["PSIM0001"]
        self.assertEqual(self.server.wait_state(serial, "device").get(serial), "device")
        self.server.adb("disconnect", serial)  # the server forgets the emulator port
        self.assertEqual(self.server.wait_state(serial, "device", timeout=5).get(serial),
                         "device")


def free_odd_ports(count):
    """An odd port that is free now, with the `count` - 1 odd ports after it."""
    for _ in range(50):
        port = free_port() | 1
        try:
            for offset in range(0, 2 * count, 2):
                with socket.socket() as sock:
                    sock.bind(("127.0.0.1", port + offset))
        except OSError:
            continue
        return port
    raise RuntimeError("no free run of odd ports")


class CommandLineTest(unittest.TestCase):
    def run_phonesim(self, *args):
        return subprocess.run([sys.executable, PHONESIM] + list(args), capture_output=True,
                              text=True, timeout=30)

    def test_even_port_is_refused(self):
        result = self.run_phonesim("--device-port", "40000")
        self.assertEqual(result.returncode, 2)
        self.assertIn("must be odd", result.stderr)

    def test_ports_and_serials_of_several_phones(self):
        port = free_odd_ports(3)
        sim = PhoneSim([PHONE, phone(serial="PSIM0002")], ["--device-port", str(port)])
        self.addCleanup(sim.stop)
        self.assertEqual(sim.device_ports, {"PSIM0001": port, "PSIM0002": port + 2})
        self.assertEqual(sim.adb_serials, {"PSIM0001": "emulator-%d" % (port - 1),
                                           "PSIM0002": "emulator-%d" % (port + 1)})
        listing = [line for line in sim.control("list")]
        self.assertIn('"device_port": %d, "adb_serial": "emulator-%d"' % (port + 2, port + 1),
                      listing[1])
        sim.control('add {"serial": "PSIM0003"}')
        self.assertIn('"device_port": %d' % (port + 4), sim.control("list")[2])
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            try:
                connect(port + 4).close()
                break
            except ConnectionRefusedError:
                time.sleep(0.05)
        else:
            self.fail("the added phone's port did not open")


if __name__ == "__main__":
    unittest.main()
