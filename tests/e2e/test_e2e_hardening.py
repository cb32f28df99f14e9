"""updater.exe under Wine against hostile or unusual releases: names Windows
cannot hold as files, an endless manifest, and a release that replaces the
running updater itself.

Run by CTest with the paths in the environment (see CMakeLists.txt); one
CTest entry per test method.
"""
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402
from harness import md5, send  # noqa: E402
from e2e_constants import APPLYING, BASE, ENV, FAILED, NO_UPDATE, PORT  # noqa: E402
from e2e_constants import MANIFEST_PATH as MANIFEST  # noqa: E402


class Hardening(UpdaterCase):
    def serve(self, manifest, files):
        """Routes for a manifest (bytes) and files {rel: bytes} under /files/."""
        routes = {MANIFEST: lambda h, m: send(h, 200, manifest, m)}
        for rel, data in files.items():
            routes["/files/" + rel] = (lambda d: lambda h, m: send(h, 200, d, m))(data)
        return routes

    # --- names Windows cannot hold as files ----------------------------------------------------

    def test_device_names_are_ignored_and_the_rest_installs(self):
        old = {"a.dll": b"old a"}
        new = {"a.dll": b"new a" * 100}
        self.install_locally(old)
        unsafe = ["CON", "sub\\AUX", "COM1.txt", "nul.log", "trail.", "q?.txt"]
        lines = ["%s/files/x %s %s" % (BASE, name, md5(b"x")) for name in unsafe]
        manifest = harness.manifest_text(BASE + "/files", new) + ("\r\n".join(lines) + "\r\n").encode()
        routes = self.serve(manifest, dict(new, x=b"x"))
        with harness.FaultServer(PORT, routes) as server:
            rc = self.run_updater()
            requests = list(server.log)
        self.assert_ends_with_main_started(rc)
        self.assert_digests(new)
        self.assertIn(APPLYING, self.app.statuses)
        # The unsafe lines never reach the server or the disk.
        self.assertNotIn(("HEAD", "/files/x"), requests)
        self.assertNotIn(("GET", "/files/x"), requests)
        self.assertEqual(sorted(os.listdir(self.app.path("update"))), [])

    # --- an endless manifest -------------------------------------------------------------------

    def test_endless_manifest_fails_and_starts_the_main_program(self):
        self.install_locally({"a.dll": b"old a"})
        line = ("%s/files/a.dll a.dll %s\r\n" % (BASE, md5(b"new a"))).encode()
        block = line * (65536 // len(line))
        limit = 1 << 30  # the server stops by itself after this much
        sent = [0]

        def endless(h, m):
            h.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n")
            h.closed_by_route = True
            while sent[0] < limit:
                h.wfile.write(block)
                sent[0] += len(block)

        with harness.FaultServer(PORT, {MANIFEST: endless}), self.watching_peak_rss() as peak:
            rc = self.run_updater()
        print("manifest bytes sent: %d MiB, updater peak RSS: %d MiB" % (sent[0] >> 20, peak[0] >> 10),
              file=sys.stderr)
        self.assert_ends_with_main_started(rc)
        self.assertIn(FAILED, self.app.statuses)
        self.assertNotIn(APPLYING, self.app.statuses)
        self.assert_digests({"a.dll": b"old a"})
        # The updater stopped reading near the 16 MiB cap (the rest sat in socket buffers).
        self.assertLess(sent[0], 64 << 20)
        self.assertGreater(peak[0], 0, "the updater process was never seen")
        self.assertLess(peak[0], 400 << 10, "updater memory grew with the manifest")

    # --- a release that replaces the running updater -------------------------------------------

    def updater_build(self, tag):
        """A working updater.exe with other bytes: the build plus trailing data."""
        with open(ENV["UPDATER_EXE"], "rb") as f:
            return f.read() + b"\0release " + tag.encode() + b"\0" * 64

    def test_release_with_new_updater_installs_and_second_run_has_nothing_to_do(self):
        with open(ENV["UPDATER_EXE"], "rb") as f:
            running = f.read()
        new = {"updater.exe": self.updater_build("2"), "a.dll": b"new a"}
        self.install_locally({"a.dll": b"old a"})
        manifest = harness.manifest_text(BASE + "/files", new)
        with harness.FaultServer(PORT, self.serve(manifest, new)):
            rc = self.run_updater()
            self.assert_ends_with_main_started(rc)
            self.assert_digests(new)
            self.assertIn(APPLYING, self.app.statuses)
            # The running copy went into the backup folder as its backup; staging is empty.
            self.assert_digests({"updater.exe": running, "a.dll": b"old a"}, "bakup/")
            self.assertFalse(os.path.exists(self.app.path("update/updater.exe")))
            self.assertFalse(os.path.exists(self.app.path("update/a.dll")))

            os.remove(self.app.path("main_started.txt"))
            rc = self.run_updater()  # the new updater.exe runs now
        self.assert_ends_with_main_started(rc)
        self.assertIn(NO_UPDATE, self.app.statuses)
        self.assert_digests(new)

    def test_copy_moved_aside_earlier_and_still_running_does_not_block(self):
        # An earlier run left its moved-aside copy in the backup folder, and it still runs.
        os.makedirs(self.app.path("bakup"), exist_ok=True)
        shutil.copy(ENV["HELPER_EXE"], self.app.path("bakup/updater.exe"))
        with open(ENV["UPDATER_EXE"], "rb") as f:
            running = f.read()
        held = self.app.path("held.txt")
        self.install_locally({"held.txt": b"held", "a.dll": b"old a"})
        said = os.path.join(self.work, "hold.txt")
        with open(said, "wb") as out:
            hold = harness.start_wine(ENV["WINE_RUN"], ENV["WINE_PREFIX"],
                                      [self.app.path("bakup/updater.exe"), "hold", "Z:" + held, "120000"], stdout=out)
        try:
            def said_holding():
                with open(said, "rb") as f:
                    return b"holding" in f.read()

            end = time.time() + 60
            while time.time() < end and not said_holding():
                time.sleep(0.1)
            self.assertTrue(said_holding(), "the earlier copy never started")
            new = {"updater.exe": self.updater_build("3"), "a.dll": b"new a"}
            manifest = harness.manifest_text(BASE + "/files", new)
            with harness.FaultServer(PORT, self.serve(manifest, new)):
                rc = self.run_updater()
        finally:
            harness.kill_wine_process("updater.exe", "hold", os.path.basename(self.work))
            harness.end_runner(hold)
        self.assert_ends_with_main_started(rc)
        self.assert_digests(new)
        self.assert_digests({"updater.exe": running}, "bakup/")
        self.assertFalse(os.path.exists(self.app.path("update/updater.exe")))


if __name__ == "__main__":
    unittest.main()
