"""penlow-cli `serial` and `screenshot` against phonesim, in a throw-away program folder."""
import os
import struct
import subprocess
import tempfile
import unittest

from phonesim_fixture import PhoneSim, find_adb

CLI = os.environ.get("PENLOW_CLI")


@unittest.skipUnless(CLI, "PENLOW_CLI names the penlow-cli executable")
class CliAdbHostTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="penlow-cli-")
        self.addCleanup(self.folder.cleanup)
        os.makedirs(os.path.join(self.folder.name, "bin", "Korvash"))
        os.symlink(os.path.realpath(find_adb()),
                   os.path.join(self.folder.name, "bin", "Korvash", "adb"))

    def cli(self, sim, *args):
        env = dict(os.environ, ANDROID_ADB_SERVER_PORT=str(sim.port))
        return subprocess.run([CLI, "--program-folder", self.folder.name] + list(args),
                              capture_output=True, text=True, timeout=60, env=env)

    def test_serial_and_screenshot(self):
        sim = PhoneSim([{"serial": "CLI0001", "state": "recovery",
                         "screen": {"width": 6, "height": 3, "format": "rgb565"}}])
        self.addCleanup(sim.stop)
        serial = self.cli(sim, "serial")
        self.assertEqual((serial.returncode, serial.stdout), (0, "CLI0001\nrecovery\n"))
        shot = self.cli(sim, "screenshot", "--rotate")
        self.assertEqual(shot.returncode, 0, shot.stderr)
        path = shot.stdout.splitlines()[-1]
        self.assertEqual(path, os.path.join(self.folder.name, "image", "CLI0001.bmp"))
        with open(path, "rb") as f:
            data = f.read()
        self.assertEqual(data[:2], b"BM")
        self.assertEqual(struct.unpack("<ii", data[18:26]), (6, 3))
        self.assertEqual(len(data), 54 + 3 * 20)  # 6 pixels x 3 bytes, padded to 20

    def test_no_phone_fails(self):
        sim = PhoneSim([])
        self.addCleanup(sim.stop)
        self.assertEqual(self.cli(sim, "serial").returncode, 1)
        self.assertEqual(self.cli(sim, "screenshot").returncode, 1)
        self.assertEqual(self.cli(sim, "serial", "--bogus").returncode, 2)


if __name__ == "__main__":
    unittest.main()
