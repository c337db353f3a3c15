"""penlow-cli with two phones attached (phonesim's two-phones script, both allowed): a phone
command follows one phone, named by --serial, else ANDROID_SERIAL, else the one `penlow-cli
serial` names, and says which on stderr."""
import json
import os
import subprocess
import tempfile
import unittest

from phonesim_fixture import SOURCE_DIR, PhoneSim, find_adb

CLI = os.environ.get("PENLOW_CLI")
TWO_PHONES = os.path.join(SOURCE_DIR, "tools", "phonesim", "phones", "two-phones.json")


@unittest.skipUnless(CLI, "PENLOW_CLI names the penlow-cli executable")
class CliWithTwoPhonesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="penlow-cli-")
        os.makedirs(os.path.join(cls.folder.name, "bin", "Korvash"))
        os.symlink(os.path.realpath(find_adb()),
                   os.path.join(cls.folder.name, "bin", "Korvash", "adb"))
        with open(TWO_PHONES, encoding="utf-8") as f:
            phones = json.load(f)["phones"]
        for phone in phones:
            phone.pop("unplug_at", None)  # both stay for the whole test
        cls.sim = PhoneSim(phones)
        cls.sim.control("state PSIM0102 device")  # the second phone's user allows the computer
        cls.sim.control('set PSIM0101 {"props": {"ro.product.model": "First One"}}')
        cls.sim.control('set PSIM0102 {"props": {"ro.product.model": "Second One"}}')

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()
        cls.folder.cleanup()

    def cli(self, *args, serial_env=None):
        env = {k: v for k, v in os.environ.items() if k != "ANDROID_SERIAL"}
        env["ANDROID_ADB_SERVER_PORT"] = str(self.sim.port)
        if serial_env is not None:
            env["ANDROID_SERIAL"] = serial_env
        return subprocess.run([CLI, "--program-folder", self.folder.name] + list(args),
                              capture_output=True, text=True, timeout=60, env=env)

    def test_without_a_choice_the_phone_serial_names_is_followed(self):
        serial = self.cli("serial")
        self.assertEqual(serial.stdout, "PSIM0101\ndevice\n")
        model = self.cli("model")
        self.assertEqual((model.returncode, model.stdout), (0, "First One\n"), model.stderr)
        self.assertIn("following phone PSIM0101 (the attached phone)", model.stderr)
        info = self.cli("phone-info")
        self.assertEqual(info.stdout.splitlines()[0], "First One")
        self.assertNotIn("未知", info.stdout.splitlines()[:3])

    def test_serial_option_and_environment_choose_the_other_phone(self):
        self.sim.control("clear-log")
        by_option = self.cli("--serial", "PSIM0102", "model")
        self.assertEqual((by_option.returncode, by_option.stdout), (0, "Second One\n"),
                         by_option.stderr)
        self.assertIn("following phone PSIM0102 (--serial)", by_option.stderr)
        by_env = self.cli("battery", serial_env="PSIM0102")
        self.assertIn("following phone PSIM0102 (ANDROID_SERIAL)", by_env.stderr)
        self.assertEqual(self.cli("model", serial_env="PSIM0102").stdout, "Second One\n")
        # The option wins over the environment, also for the serial the screenshot names.
        both = self.cli("--serial", "PSIM0101", "serial", serial_env="PSIM0102")
        self.assertEqual(both.stdout, "PSIM0101\ndevice\n")
        shot = self.cli("--serial", "PSIM0102", "screenshot")
        self.assertEqual(shot.returncode, 0, shot.stderr)
        self.assertTrue(shot.stdout.splitlines()[-1].endswith("/image/PSIM0102.bmp"))
        # The phones' logs show where each command went: the first phone got none.
        commands = [s for k, s, t in self.sim.log(["command"]) if "ro.product.model" in t]
        self.assertEqual(commands, ["PSIM0102", "PSIM0102"])

    def test_a_phone_that_is_not_attached_is_followed_and_fails(self):
        missing = self.cli("--serial", "NOPE", "model")
        self.assertEqual(missing.returncode, 1)
        self.assertIn("following phone NOPE (--serial)", missing.stderr)
        self.assertEqual(self.cli("--serial", "NOPE", "serial").returncode, 1)

    def test_commands_without_a_phone_choose_none(self):
        help_text = self.cli("help")
        self.assertIn("--serial S", help_text.stdout)
        listing = self.cli("adb-devices")
        self.assertNotIn("following", listing.stderr)


if __name__ == "__main__":
    unittest.main()
