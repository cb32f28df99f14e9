"""mkmanifest on a real folder: stable order, encoding, digests, unsafe names."""
import hashlib
import os
import subprocess
import sys
import tempfile
import unittest

EXE = sys.argv.pop(1)


def run(*args):
    return subprocess.run([EXE, *args], capture_output=True)


class MkManifest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.files = {"b.dll": b"bee", "a/z.txt": b"zed", "数据/文件 1.txt".replace(" ", ""): "中".encode(),
                      "empty.bin": b"", "odd#;name%.txt": b"odd"}
        for rel, data in self.files.items():
            path = os.path.join(self.dir, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)

    def test_lines_in_path_order_with_digests(self):
        r = run("http://127.0.0.1:8080/rel/", self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        text = r.stdout.decode("utf-8")
        self.assertTrue(text.startswith("#"))
        lines = text.split("\r\n")
        self.assertEqual(lines[-1], "")
        entries = [l.split(" ") for l in lines[1:-1]]
        self.assertEqual([e[1] for e in entries],
                         ["a\\z.txt", "b.dll", "empty.bin", "odd#;name%.txt", "数据\\文件1.txt"])
        for url, path, digest in entries:
            data = self.files[path.replace("\\", "/")]
            self.assertEqual(digest, hashlib.md5(data).hexdigest(), path)
        self.assertEqual(entries[0][0], "http://127.0.0.1:8080/rel/a/z.txt")
        self.assertEqual(entries[3][0], "http://127.0.0.1:8080/rel/odd%23;name%25.txt")
        self.assertEqual(entries[4][0], "http://127.0.0.1:8080/rel/%E6%95%B0%E6%8D%AE/%E6%96%87%E4%BB%B61.txt")
        # Same folder, same bytes.
        self.assertEqual(run("http://127.0.0.1:8080/rel", self.dir).stdout, r.stdout)

    def test_unsafe_names_fail_unless_skipped(self):
        for name in ("with space.txt", "tab\there.txt", "d" * 200 + "/" + "x" * 100):
            os.makedirs(os.path.dirname(os.path.join(self.dir, name)), exist_ok=True)
            with open(os.path.join(self.dir, name), "wb") as f:
                f.write(b"x")
        r = run("http://h", self.dir)
        self.assertNotEqual(r.returncode, 0)
        self.assertEqual(r.stdout, b"")
        self.assertEqual(r.stderr.count(b"\n"), 4)  # three names and the summary
        r = run("--skip-unsafe", "-o", os.path.join(self.dir, "out.txt"), "http://h", self.dir)
        self.assertEqual(r.returncode, 0)
        with open(os.path.join(self.dir, "out.txt"), "rb") as f:
            text = f.read()
        self.assertNotIn(b"space", text)
        self.assertNotIn(b"out.txt", text)  # the manifest never lists itself
        self.assertEqual(text.count(b"\r\n"), 1 + len(self.files))

    def test_names_windows_cannot_hold_fail_unless_skipped(self):
        unsafe = ["CON", "sub/aux", "COM1.txt", "lpt9.log", "conout$", "NUL.tar.gz", "trailing.", "dir./x.txt",
                  "q?.txt", "a<b", "a>b", 'a"b', "a|b", "star*.txt"]
        for name in unsafe:
            path = os.path.join(self.dir, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"x")
        r = run("http://h", self.dir)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stdout, b"")
        for name in unsafe:
            self.assertIn(("mkmanifest: %s:" % name).encode(), r.stderr, name)
        r = run("--skip-unsafe", "http://h", self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        listed = [l.split(" ")[1] for l in r.stdout.decode("utf-8").split("\r\n")[1:-1]]
        self.assertEqual(sorted(listed), sorted(p.replace("/", "\\") for p in self.files))
        self.assertEqual(r.stderr.count(b"(skipped)"), len(unsafe))

    def test_missing_folder_and_usage(self):
        self.assertEqual(run("http://h", os.path.join(self.dir, "nope")).returncode, 1)
        self.assertEqual(run("only-one").returncode, 2)
        help_text = run("--help")
        self.assertEqual(help_text.returncode, 0)
        self.assertIn(b"usage: mkmanifest", help_text.stdout)


if __name__ == "__main__":
    unittest.main()
