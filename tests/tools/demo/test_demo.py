"""The headless demo: it exits 0, leaves a screenshot for every stop of the tour and no process
of its own behind."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
STOPS = ["login", "welcome", "connecting", "connected", "phone-info", "store-home", "search",
         "flying-icon", "downloading", "installing", "installed", "unplugged"]


def processes_using(root):
    """Pids of processes with a file, working folder or argument inside `root`."""
    found = set()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            links = [os.readlink("/proc/%s/cwd" % pid)]
            fd_dir = "/proc/%s/fd" % pid
            links += [os.readlink(os.path.join(fd_dir, fd)) for fd in os.listdir(fd_dir)]
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                links += f.read().decode("utf-8", "replace").split("\0")
        except OSError:
            continue
        if any(link.startswith(root) for link in links):
            found.add(int(pid))
    return found


class HeadlessDemo(unittest.TestCase):
    def setUp(self):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="penlow-demo-test."))
        self.addCleanup(shutil.rmtree, self.root, True)

    def test_tour_pictures_every_stop_and_leaves_nothing_running(self):
        screens = os.path.join(self.root, "screens")
        env = dict(os.environ, TMPDIR=self.root)
        env.pop("DISPLAY", None)
        result = subprocess.run([sys.executable, os.path.join(REPO, "tools", "demo", "demo.py"),
                                 "--build", os.environ["PENLOW_BUILD_DIR"], "--screens", screens],
                                capture_output=True, text=True, timeout=540, env=env)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        names = sorted(os.listdir(screens))
        expected = ["demo-%02d-%s.png" % (i + 1, stop) for i, stop in enumerate(STOPS)]
        self.assertEqual(names, expected)
        for name in names:
            with open(os.path.join(screens, name), "rb") as f:
                self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n", name)
        self.assertEqual(processes_using(self.root), set())


if __name__ == "__main__":
    unittest.main()
