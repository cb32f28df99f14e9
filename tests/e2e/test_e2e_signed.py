"""Signed manifests end to end: updater_signed.exe (trusting the test keys in
keys/) and updater.exe (no keys) under Wine against nginx and the scripted
server on 127.0.0.1. Manifests are signed by the native mkmanifest (OpenSSL);
mkmanifest.exe (CNG) is checked against it. One CTest entry per test method.
"""
import hashlib
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402
from harness import md5, send  # noqa: E402
from e2e_constants import (APPLYING, BASE, CANCELLING, CHECKING, COMPARING, DOWNLOADING, ENV, FAILED, KEYS,  # noqa: E402
                           MANIFEST_PATH, PORT, downloading)


# Other worktrees on this machine run updaters built for the same port, which
# may ask any server there for their own manifest and files. So what this
# test's updater did is read from its own status texts (every stage announces
# itself) and from the disk; the server's log is checked only for requests
# that must be there, never for ones that must not.


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def key(name):
    return os.path.join(KEYS, name + ".pem")


def public_key(name):
    with open(os.path.join(KEYS, name + ".pub")) as f:
        return f.read().strip()


class SignedE2E(UpdaterCase):
    UPDATER_EXE = "UPDATER_SIGNED_EXE"

    # --- publishing --------------------------------------------------------------------------

    def signer(self, *args):
        r = subprocess.run([ENV["SIGNER"], *args], capture_output=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        return r.stdout

    def release(self, files, name="files"):
        """Writes the release folder and returns it."""
        root = os.path.join(self.work, "release-" + name)
        harness.write_release(root, files)
        harness.write_release(os.path.join(self.www, name), files)
        return root

    def signed_manifest(self, files, signer_key="trusted_a", serial=100, extra=()):
        """What a publisher runs: mkmanifest --sign over the release folder."""
        root = self.release(files)
        out = os.path.join(self.work, "manifest-%d.txt" % serial)
        self.signer("--sign", key(signer_key), "--serial", str(serial), *extra, "-o", out, BASE + "/files", root)
        with open(out, "rb") as f:
            return f.read()

    def sign_text(self, text, signer_key="trusted_a", serial=100):
        src = os.path.join(self.work, "unsigned.txt")
        with open(src, "wb") as f:
            f.write(text)
        return self.signer("sign", key(signer_key), "--serial", str(serial), src)

    def serve(self, manifest):
        harness.write_release(self.www, {MANIFEST_PATH.lstrip("/"): manifest})

    def serial(self, app=None):
        path = (app or self.app).path("updater.serial")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return int(f.read().strip())

    def run_installs(self, files, app=None):
        app = app or self.app
        with harness.Nginx(self.www, PORT) as nginx:
            rc = app.run()
            requests = nginx.requests()
        self.assertEqual(rc, 0, "\n".join(app.lines[-20:]))
        self.assertTrue(app.main_started(), "main program was not started")
        self.assert_digests(files, app=app)
        self.assertIn(APPLYING, app.statuses)
        return requests

    def assert_refused(self, manifest, installed, reason):
        """The manifest is refused: failed-fetch text, no stage after the fetch
        (nothing compared, nothing downloaded), nothing changed, the main program
        started, the reason in the debug output."""
        self.serve(manifest)
        with harness.Nginx(self.www, PORT) as nginx:
            rc = self.app.run()
            requests = nginx.requests()
        self.assertEqual(rc, 0, "\n".join(self.app.lines[-20:]))
        self.assertTrue(self.app.main_started(), "main program was not started")
        self.assertIn(FAILED, self.app.statuses)
        self.assertIn(("GET", MANIFEST_PATH), requests)
        # The fetch, its failure, then only the cancel texts of the window closing.
        self.assertEqual(self.app.statuses[:2], [CHECKING, FAILED])
        self.assertEqual(set(self.app.statuses[2:]), {CANCELLING})
        self.assertFalse([s for s in self.app.statuses if DOWNLOADING in s or s == COMPARING])
        self.assert_digests(installed)
        for rel in installed:
            self.assertFalse(os.path.exists(self.app.path("update/" + rel)), "staged: " + rel)
        self.assertTrue(any("manifest refused: " + reason in line for line in self.app.lines),
                        "no reason '%s' in the debug output:\n%s" % (reason, "\n".join(self.app.lines[-20:])))

    # --- tests -------------------------------------------------------------------------------

    def test_signed_release_installs(self):
        old = {"a.dll": b"old a" * 10, "same.txt": b"same"}
        new = {"a.dll": b"new a" * 3000, "same.txt": b"same", "数据/新.dat": os.urandom(50000)}
        self.install_locally(old)
        manifest = self.signed_manifest(new, serial=1700000000)
        self.assertTrue(manifest.startswith(b"#serial 1700000000\r\n"))
        self.serve(manifest)
        requests = self.run_installs(new)
        self.assertEqual(self.serial(), 1700000000)
        # The requests of an unsigned run: the manifest, then HEAD and GET of each changed file.
        for path in ("/files/a.dll", "/files/%E6%95%B0%E6%8D%AE/%E6%96%B0.dat"):
            self.assertIn(("HEAD", path), requests)
            self.assertIn(("GET", path), requests)
        self.assertEqual(len([s for s in self.app.statuses if s.startswith(DOWNLOADING + "第")]), 2)

    def test_flipped_byte_refused(self):
        old = {"a.dll": b"old a"}
        self.install_locally(old)
        good = self.signed_manifest({"a.dll": b"new a"}, serial=100)
        # One byte each in the serial, an entry and the signature.
        for at in (good.index(b"100"), good.index(b"a.dll"), good.rindex(b" ") + 5):
            with self.subTest(at=at):
                bad = bytearray(good)
                bad[at] ^= 0x01
                reason = "signature does not verify" if at != good.rindex(b" ") + 5 else ""
                self.assert_refused(bytes(bad), old, reason)

    def test_missing_signature_refused(self):
        old = {"a.dll": b"old a"}
        self.install_locally(old)
        good = self.signed_manifest({"a.dll": b"new a"})
        self.assert_refused(good[:good.rindex(b"#signature")], old, "unsigned")

    def test_other_key_refused(self):
        old = {"a.dll": b"old a"}
        self.install_locally(old)
        self.assert_refused(self.signed_manifest({"a.dll": b"new a"}, signer_key="untrusted"), old,
                            "signature does not verify")

    def test_expired_refused(self):
        old = {"a.dll": b"old a"}
        self.install_locally(old)
        manifest = self.signed_manifest({"a.dll": b"new a"}, extra=("--expires-at", str(int(time.time()) - 60)))
        self.assert_refused(manifest, old, "expired")

    def test_older_serial_replay_refused(self):
        v1 = {"a.dll": b"version 1"}
        v2 = {"a.dll": b"version 2"}
        self.install_locally(v1)
        old_manifest = self.signed_manifest(v1, serial=100)
        self.serve(self.signed_manifest(v2, serial=200))
        self.run_installs(v2)
        self.assertEqual(self.serial(), 200)
        # The older release and its manifest, replayed by someone on the path.
        self.release(v1)
        self.assert_refused(old_manifest, v2, "serial older")
        self.assertEqual(self.serial(), 200)

    def test_rotated_key_accepted(self):
        new = {"a.dll": b"signed with the new key"}
        self.install_locally({"a.dll": b"old"})
        self.serve(self.signed_manifest(new, signer_key="trusted_b", serial=5))
        self.run_installs(new)
        self.assertEqual(self.serial(), 5)

    def test_md5_match_with_wrong_sha256_never_installed(self):
        old = {"a.dll": b"old a"}
        self.install_locally(old)
        served = b"served content"
        # The MD5 and size are those of what is served; the signed SHA-256 is of the published file.
        line = "%s/files/a.dll a.dll %s %s %d\r\n" % (BASE, md5(served), sha256(b"published content"), len(served))
        manifest = self.sign_text(line.encode(), serial=300)
        routes = {MANIFEST_PATH: lambda h, m: send(h, 200, manifest, m),
                  "/files/a.dll": lambda h, m: send(h, 200, served, m)}
        with harness.FaultServer(PORT, routes) as server:
            rc = self.app.run()
            gets = [p for m, p in server.log if m == "GET"]
        self.assertEqual(rc, 0)
        self.assertTrue(self.app.main_started())
        self.assertIn("/files/a.dll", gets)
        self.assertIn(downloading(1, "a.dll"), self.app.statuses)
        self.assert_digests(old)
        self.assertNotIn(APPLYING, self.app.statuses)
        self.assertIsNone(self.serial())

    def test_signed_file_served_far_larger_stops_at_its_signed_size(self):
        # HEAD agrees with the flood, so only the signed size can bound it.
        old = {"a.dll": b"old a"}
        self.install_locally(old)
        small = b"0123456789"
        line = "%s/files/a.dll a.dll %s %s %d\r\n" % (BASE, md5(small), sha256(small), len(small))
        manifest = self.sign_text(line.encode(), serial=500)
        limit = 300 << 20  # the server stops by itself after this much
        sent = [0]

        def flood(h, m):
            h.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % limit)
            h.closed_by_route = True
            if m == "HEAD":
                return
            block = b"z" * 65536
            while sent[0] < limit:
                h.wfile.write(block)
                sent[0] += len(block)

        routes = {MANIFEST_PATH: lambda h, m: send(h, 200, manifest, m), "/files/a.dll": flood}
        with harness.FaultServer(PORT, routes):
            rc = self.app.run()
        self.assertEqual(rc, 0, "\n".join(self.app.lines[-20:]))
        self.assertTrue(self.app.main_started())
        self.assertIn(downloading(1, "a.dll"), self.app.statuses)
        self.assert_digests(old)
        self.assertFalse(os.path.exists(self.app.path("update/a.dll")), "the oversized body was kept")
        self.assertLess(sent[0], 64 << 20, "the body was read long past its signed size")
        self.assertNotIn(APPLYING, self.app.statuses)
        self.assertIsNone(self.serial())

    def test_serial_below_the_build_floor_refused_on_a_fresh_install(self):
        # No updater.serial yet; the build's floor (5) still holds. 5 itself is accepted (the rotated-key case).
        old = {"a.dll": b"old a"}
        self.install_locally(old)
        self.assertIsNone(self.serial())
        self.assert_refused(self.signed_manifest({"a.dll": b"signed before the build"}, serial=4), old, "serial older")
        self.assertIsNone(self.serial())

    def test_gbk_charset_from_the_server_does_not_move_the_signed_path(self):
        # Read as GBK, the UTF-8 path below would lose its backslash into a double-byte character.
        content = b"config for the signed path"
        path = "数据库\\config.dat"
        line = "%s/files/config.dat %s %s %s %d\r\n" % (BASE, path, md5(content), sha256(content), len(content))
        manifest = self.sign_text(line.encode("utf-8"), serial=400)
        gbk = "Content-Type: text/plain; charset=gbk\r\n"
        routes = {MANIFEST_PATH: lambda h, m: send(h, 200, manifest, m, gbk),
                  "/files/config.dat": lambda h, m: send(h, 200, content, m)}
        with harness.FaultServer(PORT, routes) as server:
            rc = self.app.run()
            gets = [p for m, p in server.log if m == "GET"]
        self.assertEqual(rc, 0, "\n".join(self.app.lines[-20:]))
        self.assertTrue(self.app.main_started())
        self.assertIn("/files/config.dat", gets)
        self.assertIn(APPLYING, self.app.statuses)
        self.assert_digests({"数据库/config.dat": content})
        self.assertEqual(sorted(n for n in os.listdir(self.app.path("")) if not n.isascii()), ["数据库"])
        self.assertEqual(self.serial(), 400)

    def test_unsigned_release_without_keys_installs_as_before(self):
        plain = self.new_updater("plain", ENV["UPDATER_EXE"])
        old = {"a.dll": b"old a", "b.txt": b"same"}
        new = {"a.dll": b"new a" * 100, "b.txt": b"same"}
        self.install_locally(old, plain)
        self.release(new)
        self.serve(harness.manifest_text(BASE + "/files", new))
        requests = self.run_installs(new, plain)
        for request in [("GET", MANIFEST_PATH), ("HEAD", "/files/a.dll"), ("GET", "/files/a.dll")]:
            self.assertIn(request, requests)
        self.assertEqual([s for s in plain.statuses if s.startswith(DOWNLOADING + "第")], [downloading(1, "a.dll")])
        self.assertFalse(os.path.exists(plain.path("updater.serial")))
        # A signed manifest reads the same to an updater without keys.
        newer = {"a.dll": b"newer a", "b.txt": b"same"}
        self.serve(self.signed_manifest(newer, serial=7))
        self.run_installs(newer, plain)
        self.assertFalse(os.path.exists(plain.path("updater.serial")))

    def test_mkmanifest_exe_signs_native_verifies(self):
        def exe(*args):
            rc, out = harness.run_wine(ENV["WINE_RUN"], ENV["WINE_PREFIX"], [ENV["MKMANIFEST_EXE"], *args])
            self.assertEqual(rc, 0, out)
            return out.encode()

        files = {"a.dll": os.urandom(3000), "sub/b.txt": b"bee"}
        root = self.release(files)
        win = harness.windows_path
        # A key made by CNG; OpenSSL reads the file and checks what CNG signed.
        cng_key = os.path.join(self.work, "cng.pem")
        cng_public = exe("keygen", win(cng_key)).decode().strip()
        out = os.path.join(self.work, "by-exe.txt")
        exe("--sign", win(cng_key), "--serial", "42", "-o", win(out), BASE + "/files", win(root))
        said = self.signer("verify", cng_public, out).decode()
        self.assertIn("serial 42", said)
        self.assertIn("entries 2", said)
        with open(out, "rb") as f:
            text = f.read()
        for rel, data in files.items():
            self.assertIn(("%s %s %s" % (rel.replace("/", "\\"), md5(data), sha256(data))).encode(), text)
        # A key made by OpenSSL, used by CNG; and the CNG key file used by OpenSSL.
        exe("--sign", win(key("trusted_b")), "-o", win(out), BASE + "/files", win(root))
        self.assertIn("entries 2", self.signer("verify", public_key("trusted_b"), out).decode())
        native = os.path.join(self.work, "by-native.txt")
        self.signer("--sign", cng_key, "-o", native, BASE + "/files", root)
        self.assertIn("entries 2", exe("verify", cng_public, win(native)).decode())
        # And a signature by another key is refused by both.
        r = subprocess.run([ENV["SIGNER"], "verify", public_key("untrusted"), native], capture_output=True)
        self.assertEqual(r.returncode, 1)


if __name__ == "__main__":
    unittest.main()
