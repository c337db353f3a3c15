"""Request parsing of tools/devservices/files.py: Range headers, fault parameters and the
confinement of paths to the served folder."""
import os
import tempfile
import unittest

import files


class ParseRange(unittest.TestCase):
    def test_single_ranges(self):
        self.assertEqual(files.parse_range("bytes=0-", 100), (0, 99))
        self.assertEqual(files.parse_range("bytes=5-9", 100), (5, 9))
        self.assertEqual(files.parse_range("bytes=90-200", 100), (90, 99))
        self.assertEqual(files.parse_range("bytes=-3", 100), (97, 99))

    def test_past_the_end_is_unsatisfiable(self):
        self.assertEqual(files.parse_range("bytes=100-", 100), "unsatisfiable")
        self.assertEqual(files.parse_range("bytes=-0", 100), "unsatisfiable")

    def test_anything_else_means_the_whole_file(self):
        for header in (None, "", "items=1-2", "bytes=9-5", "bytes=a-", "bytes=1-2,4-5", "bytes=5"):
            self.assertIsNone(files.parse_range(header, 100), header)


class ParseFaults(unittest.TestCase):
    DEFAULTS = {"rate": None, "stall": None, "drop": 7, "status": None, "norange": None,
                "hang": None}

    def test_query_overrides_defaults_and_ignores_garbage(self):
        faults = files.parse_faults("rate=1000&drop=x&stall=-5&unknown=1", self.DEFAULTS)
        self.assertEqual(faults["rate"], 1000)
        self.assertEqual(faults["drop"], 7)
        self.assertEqual(faults["stall"], 0)
        self.assertNotIn("unknown", faults)

    def test_content_type_is_a_bounded_single_line_text(self):
        defaults = dict(self.DEFAULTS, type=None)
        self.assertEqual(files.parse_faults("type=text/html", defaults)["type"], "text/html")
        self.assertEqual(files.parse_faults("type=image%2Fpng%3B+q%3D1", defaults)["type"],
                         "image/png; q=1")
        for bad in ("type=text/html%0d%0aX-Evil:+1", "type=" + "a" * 101, "type="):
            self.assertIsNone(files.parse_faults(bad, defaults)["type"], bad)


class ResolvePath(unittest.TestCase):
    def setUp(self):
        self.outer = tempfile.TemporaryDirectory()
        self.root = os.path.realpath(os.path.join(self.outer.name, "served"))
        os.makedirs(os.path.join(self.root, "pkg"))
        with open(os.path.join(self.root, "pkg", "a.apk"), "w") as f:
            f.write("a")
        with open(os.path.join(self.outer.name, "secret"), "w") as f:
            f.write("s")
        os.symlink(os.path.join(self.outer.name, "secret"), os.path.join(self.root, "link"))

    def tearDown(self):
        self.outer.cleanup()

    def test_files_below_the_root(self):
        self.assertEqual(files.resolve_path(self.root, "/pkg/a.apk"),
                         os.path.join(self.root, "pkg", "a.apk"))
        self.assertEqual(files.resolve_path(self.root, "/pkg/%61.apk"),
                         os.path.join(self.root, "pkg", "a.apk"))

    def test_nothing_outside_the_root(self):
        for path in ("/../secret", "/pkg/../../secret", "/%2e%2e/secret", "/link", "/pkg",
                     "/pkg/a.apk%00", "/missing"):
            self.assertIsNone(files.resolve_path(self.root, path), path)


if __name__ == "__main__":
    unittest.main()
