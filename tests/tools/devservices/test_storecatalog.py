"""The store catalogue of tools/devservices/storecatalog.py: servers started together fill one
folder, and every one of them comes up with the same packages."""
import multiprocessing
import os
import tempfile
import unittest

import storecatalog


def _digests(folder):
    return [(app.package, app.size, app.md5) for app in storecatalog.build(folder)]


class SharedFolder(unittest.TestCase):
    def test_builders_at_the_same_moment_agree_and_leave_no_partial_file(self):
        with tempfile.TemporaryDirectory() as folder:
            with multiprocessing.Pool(6) as pool:
                results = pool.map(_digests, [folder] * 6)
            self.assertTrue(all(r == results[0] for r in results))
            self.assertEqual(len(results[0]), len(storecatalog.APPS))
            self.assertEqual([n for n in os.listdir(folder) if n.endswith(".part")], [])
            # A later server reuses the files as they are.
            self.assertEqual(_digests(folder), results[0])


if __name__ == "__main__":
    unittest.main()
