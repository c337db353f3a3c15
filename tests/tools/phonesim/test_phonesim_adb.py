"""phonesim's acceptance test: the real adb client (Debian's adb 29) against scripted phones."""
import base64
import os
import time
import unittest

from phonesim_fixture import PhoneSim

PHONE = {
    "serial": "PSIM0001",
    "usb": {"vid": "19D2", "pid": "1351"},
    "props": {"ro.product.model": "Penlow P1", "ro.product.device": "p1"},
}


def phone(**changes):
    script = dict(PHONE)
    script.update(changes)
    return script


class AdbClientTest(unittest.TestCase):
    def start(self, *phones, extra_args=()):
        sim = PhoneSim(list(phones) or [PHONE], extra_args)
        self.addCleanup(sim.stop)
        return sim

    def test_devices_lists_each_phone_with_its_state(self):
        sim = self.start(PHONE, phone(serial="PSIM0002", state="offline"),
                         phone(serial="PSIM0003", state="none"))
        result = sim.adb("devices")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout,
                         "List of devices attached\nPSIM0001\tdevice\nPSIM0002\toffline\n\n")
        long_form = sim.adb("devices", "-l").stdout
        self.assertIn("model:Penlow_P1 device:p1 transport_id:1", long_form)
        self.assertEqual(sim.log(["host"])[:2], [("host", None, "host:version"),
                                                 ("host", None, "host:devices")])

    def test_shell_uses_the_legacy_service_with_crlf_output(self):
        sim = self.start()
        result = sim.adb("shell", "getprop ro.product.model")
        self.assertEqual((result.returncode, result.stdout), (0, "Penlow P1\r\n"))
        self.assertEqual(sim.log(), [
            ("host", None, "host:version"), ("host", None, "host:features"),
            ("host", None, "host:tport:any"),
            ("service", "PSIM0001", "shell:getprop ro.product.model"),
            ("command", "PSIM0001", "$ getprop ro.product.model")])

    def test_su_dash_c_runs_as_root_or_reports_su(self):
        sim = self.start(PHONE, phone(serial="REFUSED", su="refused"),
                         phone(serial="NOSU", su="missing"))
        works = sim.adb("-s", "PSIM0001", "shell", "su", "-c", "getprop")
        self.assertIn("[ro.product.model]: [Penlow P1]\r\n", works.stdout)
        self.assertIn(("command", "PSIM0001", "# getprop"), sim.log())
        self.assertIn(("host", None, "host-serial:PSIM0001:features"), sim.log())
        self.assertIn(("host", None, "host:tport:serial:PSIM0001"), sim.log())
        self.assertEqual(sim.adb("-s", "REFUSED", "shell", "su", "-c", "getprop").stdout,
                         "su: permission denied\r\n")
        self.assertIn("su: not found", sim.adb("-s", "NOSU", "shell", "su", "-c", "id").stdout)

    def test_su_session_on_stdin_probes_data(self):
        sim = self.start(PHONE, phone(serial="REFUSED", su="refused"))
        session = "su\nmkdir /data/abdddgdgdgdg\nexit\nexit\n"
        plain = sim.adb("-s", "PSIM0001", "shell", "mkdir /data/abdddgdgdgdg")
        self.assertIn("Permission denied", plain.stdout)
        first = sim.adb("-s", "PSIM0001", "shell", stdin=session, timeout=30)
        self.assertEqual(first.stdout, "")
        second = sim.adb("-s", "PSIM0001", "shell", stdin=session, timeout=30)
        self.assertIn("File exists", second.stdout)
        refused = sim.adb("-s", "REFUSED", "shell", stdin=session, timeout=30)
        self.assertIn("su: permission denied", refused.stdout)
        self.assertIn("Permission denied", refused.stdout.replace("su: permission denied", ""))
        commands = [t for k, s, t in sim.log(["command"]) if s == "PSIM0001"]
        self.assertEqual(commands, ["$ mkdir /data/abdddgdgdgdg", "$ su",
                                    "# mkdir /data/abdddgdgdgdg", "# exit", "$ exit",
                                    "$ su", "# mkdir /data/abdddgdgdgdg", "# exit", "$ exit"])

    def test_push_stores_the_file_and_reports_space_and_permission_failures(self):
        sim = self.start(phone(push_space="full_until_rm"))
        local = os.path.join(sim.folder, "busybox")
        with open(local, "wb") as f:
            f.write(b"\x7fELF" + bytes(range(256)) * 300)
        os.chmod(local, 0o755)
        full = sim.adb("push", local, "/data/local/tmp")
        self.assertNotEqual(full.returncode, 0)
        self.assertIn("No space left on device", full.stderr + full.stdout)
        sim.adb("shell", "su", "-c", "rm /data/local/tmp/*")
        pushed = sim.adb("push", local, "/data/local/tmp")
        self.assertEqual(pushed.returncode, 0, pushed.stderr)
        content = base64.b64decode(sim.control("file PSIM0001 /data/local/tmp/busybox")[0])
        with open(local, "rb") as f:
            self.assertEqual(content, f.read())
        self.assertIn("Filesystem           1M-blocks",
                      sim.adb("shell", "/data/local/tmp/busybox df -m").stdout)
        nested = sim.adb("push", local, "/sdcard/Penlow/tools/busybox")
        self.assertEqual(nested.returncode, 0, nested.stderr)
        denied = sim.adb("push", local, "/system/bin/busybox")
        self.assertNotEqual(denied.returncode, 0)
        self.assertIn("Permission denied", denied.stderr + denied.stdout)

    def test_install_pushes_then_runs_pm_with_scripted_answers(self):
        sim = self.start(phone(pm={"install": ["insufficient_storage", "no_space", "success"]}))
        apk = os.path.join(sim.folder, "Market_penlow.apk")
        with open(apk, "wb") as f:
            f.write(b"PK\x03\x04" + b"\0" * 100)
        answers = [sim.adb("install", "-r", apk) for _ in range(3)]
        self.assertIn("Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]", answers[0].stdout)
        self.assertIn("No space left on device", answers[1].stdout + answers[1].stderr)
        self.assertIn("Success", answers[2].stdout)
        self.assertIn("Performing Push Install", answers[2].stdout)
        services = [t for k, s, t in sim.log(["service", "sync"])]
        last = services[services.index("sync:", len(services) - 8):]
        self.assertEqual(last[:3], ["sync:", "STAT /data/local/tmp/Market_penlow.apk",
                                    "SEND /data/local/tmp/Market_penlow.apk,33188"])
        self.assertIn("shell:pm 'install' '-r' '/data/local/tmp/Market_penlow.apk'", last)
        self.assertIn("Market_penlow", sim.adb("shell", "pm list packages").stdout)
        self.assertEqual(sim.adb("shell", "pm uninstall Market_penlow").stdout, "Success\r\n")
        self.assertEqual(sim.adb("shell", "pm uninstall Market_penlow").stdout, "Failure\r\n")

    def test_kill_server_ends_phonesim(self):
        sim = self.start()
        result = sim.adb("kill-server")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(sim.process.wait(10), 0)

    def test_keep_alive_on_kill_answers_and_stays(self):
        sim = self.start(extra_args=["--keep-alive-on-kill"])
        self.assertEqual(sim.adb("kill-server").returncode, 0)
        self.assertIn("PSIM0001\tdevice", sim.adb("devices").stdout)

    def test_state_changes_give_adbs_error_texts(self):
        sim = self.start()
        sim.control("state PSIM0001 unauthorized")
        self.assertIn("error: device unauthorized.", sim.adb("shell", "id").stderr)
        sim.control("state PSIM0001 offline")
        self.assertIn("error: device offline", sim.adb("shell", "id").stderr)
        sim.control("unplug PSIM0001")
        self.assertIn("no devices/emulators found", sim.adb("shell", "id").stderr)
        self.assertEqual(sim.adb("devices").stdout, "List of devices attached\n\n")
        sim.control("plug PSIM0001")
        sim.control("state PSIM0001 device")
        self.assertEqual(sim.adb("shell", "echo", "back").stdout, "back\r\n")

    def test_sysfs_tree_follows_plug_and_unplug(self):
        sim = self.start()
        folder = os.path.join(sim.sysfs, "bus", "usb", "devices", "1-1")
        with open(os.path.join(folder, "idVendor")) as f:
            self.assertEqual(f.read(), "19d2\n")
        with open(os.path.join(folder, "idProduct")) as f:
            self.assertEqual(f.read(), "1351\n")
        sim.control("unplug PSIM0001")
        self.assertFalse(os.path.exists(folder))
        sim.control("plug PSIM0001")
        self.assertTrue(os.path.exists(os.path.join(folder, "idVendor")))

    def test_unplug_at_removes_the_phone_after_its_time(self):
        sim = self.start(phone(unplug_at=1.0))
        self.assertIn("PSIM0001\tdevice", sim.adb("devices").stdout)
        deadline = time.monotonic() + 10
        while "PSIM0001" in sim.adb("devices").stdout and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertNotIn("PSIM0001", sim.adb("devices").stdout)
        self.assertFalse(os.path.exists(os.path.join(sim.sysfs, "bus/usb/devices/1-1")))

    def test_delays_and_timeline(self):
        sim = self.start(phone(delays={"getprop": 1.0},
                               timeline=[{"at": 0.5, "state": "offline"},
                                         {"at": 1.5, "state": "device"}]))
        started = time.monotonic()
        deadline = started + 10
        while "offline" not in sim.adb("devices").stdout and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertIn("PSIM0001\toffline", sim.adb("devices").stdout)
        while "\tdevice" not in sim.adb("devices").stdout and time.monotonic() < deadline:
            time.sleep(0.1)
        before = time.monotonic()
        self.assertEqual(sim.adb("shell", "getprop ro.product.device").stdout, "p1\r\n")
        self.assertGreaterEqual(time.monotonic() - before, 1.0)

    def test_terminal_echo_and_old_server_errors(self):
        sim = self.start(phone(echo=True, newline="lf"), extra_args=["--old-server-errors"])
        session = sim.adb("shell", stdin="id\nexit\n", timeout=30).stdout
        self.assertEqual(session, "shell@android:/ $ id\nuid=2000(shell) gid=2000(shell) "
                                  "groups=1003(graphics),1004(input),1007(log)\n"
                                  "shell@android:/ $ exit\n")
        self.assertIn("error: device not found", sim.adb("-s", "GONE", "shell", "id").stderr)

    def test_phone_queries_of_the_program(self):
        sim = self.start(phone(wifi={"supplicant": "stopped", "mac": "02:11:22:33:44:55"},
                               battery={"path": "/sys/class/power_supply/bat/capacity",
                                        "value": "42", "root_only": True}))
        self.assertEqual(sim.adb("shell", "getprop init.svc.wpa_supplicant").stdout,
                         "stopped\r\n")
        self.assertIn("No such file", sim.adb("shell", "cat /sys/class/net/wlan*/address").stdout)
        sim.adb("shell", "svc wifi enable")
        self.assertEqual(sim.adb("shell", "cat /sys/class/net/wlan*/address").stdout,
                         "02:11:22:33:44:55\r\n")
        found = sim.adb("shell", "su", "-c", 'find -name "capacity"').stdout
        self.assertEqual(found, "./sys/class/power_supply/bat/capacity\r\n")
        self.assertIn("Permission denied",
                      sim.adb("shell", "cat ./sys/class/power_supply/bat/capacity").stdout)
        self.assertEqual(sim.adb("shell", "su", "-c", "cat " + found.strip()).stdout, "42\r\n")
        self.assertIn("Device ID = 860000000000001",
                      sim.adb("shell", "dumpsys iphonesubinfo").stdout)


if __name__ == "__main__":
    unittest.main()
