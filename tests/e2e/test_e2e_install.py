"""updater.exe under Wine: one run per folder, and installs that are all or
nothing, however the run ends.

Run by CTest with the paths in the environment (see CMakeLists.txt); one
CTest entry per test method.
"""
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402
from harness import md5, md5_file, send  # noqa: E402
from e2e_constants import (APPLYING, BASE, CANCELLING, ENV, FAILED, MANIFEST_PATH, PORT,  # noqa: E402
                           SETTLE_S, downloading)


class SecondUpdater(harness.Updater):
    """Another start of the updater already in app_dir: nothing is copied, the
    running one's files must stay as they are."""

    def __init__(self, first):
        self.app_dir, self.wine_run, self.prefix = first.app_dir, first.wine_run, first.prefix
        self.proc = None
        self.statuses = []
        self.lines = []


def debug_lines(updater):
    """The updater's own debug lines (not its status texts), as text."""
    out = []
    for line in updater.lines:
        m = re.search(r'OutputDebugString[AW] "(.*)"', line)
        if m:
            out.append(harness._unescape_wine(m.group(1)))
    return out


class Display:
    """One virtual X display for every Wine program of a test, so the prefix's
    wineserver lives from one run to the next instead of starting each time."""

    def __init__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
                                      "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait(30)


class Install(UpdaterCase):
    def setUp(self):
        self.display = Display()
        self.saved_display = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = self.display.name
        self.addCleanup(self.close_display)
        super().setUp()

    def tearDown(self):
        harness.kill_wine_process(ENV["STOPPER_EXE"].split("/")[-1], os.path.basename(self.work))
        super().tearDown()

    def close_display(self):
        # After tearDown has ended every Wine process: nothing draws on it any more.
        if self.saved_display is None:
            os.environ.pop("DISPLAY", None)
        else:
            os.environ["DISPLAY"] = self.saved_display
        self.display.close()

    def main_starts(self):
        try:
            with open(self.app.path("main_started.txt"), "rb") as f:
                return f.read().count(b"started")
        except FileNotFoundError:
            return 0

    # --- one run per folder ------------------------------------------------------------------

    def test_second_updater_on_the_same_folder_does_nothing(self):
        old = {"a.dll": b"old a"}
        new = {"a.dll": os.urandom(300000)}
        harness.write_release(self.app.app_dir, old)
        manifest = harness.manifest_text(BASE + "/files", new)

        def held(h, m):
            if m == "HEAD":
                return send(h, 200, new["a.dll"], m)
            h.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(new["a.dll"]))
            h.server.event("held").set()
            # A trickle, within the read time-out, keeps the first run in its
            # download while the second one starts and ends.
            at = 0
            while not h.server.event("release").wait(0.2) and at < 200000:
                h.wfile.write(new["a.dll"][at:at + 100])
                h.wfile.flush()
                at += 100
            h.wfile.write(new["a.dll"][at:])
            h.wfile.flush()

        routes = {MANIFEST_PATH: lambda h, m: send(h, 200, manifest, m), "/files/a.dll": held}
        second = SecondUpdater(self.app)
        self.updaters.append(second)
        with harness.FaultServer(PORT, routes) as server:
            self.app.start()
            self.assertTrue(server.event("held").wait(SETTLE_S), "the first run never began its download")
            rc2 = self.run_updater(second, 60)
            second_requests = len(server.log)
            server.event("release").set()
            rc = self.app.wait(90)
            requests = list(server.log)
        self.assertEqual(rc2, 0)
        self.assertTrue(any("another update run holds" in line for line in debug_lines(second)),
                        "the second run did not say why it stopped: %s" % second.lines[-10:])
        self.assertEqual(second.statuses, [], "the second run must not begin a run of its own")
        # The second start fetched nothing: the requests seen when it ended were all the first run's.
        self.assertEqual(second_requests, 3, requests)
        self.assert_ends_with_main_started(rc)
        self.assertEqual(self.main_starts(), 1, "the main program is started once, by the first run")
        self.assert_digests(new)
        self.assertEqual(os.listdir(self.app.path("update")), [])

    # --- all or nothing ----------------------------------------------------------------------

    def stop_at(self, step):
        """Runs the updater under install_stopper, ended at the step-th install step; returns
        the step's debug line, or None when the install ended before it."""
        out_path = os.path.join(self.work, "stopper-%d.txt" % step)
        with open(out_path, "wb") as out:
            proc = subprocess.Popen([ENV["WINE_RUN"], "--prefix", ENV["WINE_PREFIX"], ENV["STOPPER_EXE"],
                                     harness.windows_path(self.app.path("updater.exe")), str(step)],
                                    stdout=out, stderr=subprocess.DEVNULL)
            try:
                rc = proc.wait(180)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                self.app.kill()
                self.fail("install_stopper did not finish at step %d" % step)
        with open(out_path, "rb") as f:
            said = f.read().decode("utf-8", "replace").replace("\r\n", "\n")
        m = re.search(r"^stopped at: (.*)$", said, re.M)
        if rc == 2:
            return None
        self.assertEqual(rc, 0, said)
        self.assertTrue(m, said)
        return m.group(1)

    def test_killed_at_each_step_of_an_install_leaves_all_old_or_all_new(self):
        old = {"a.bin": b"old a", "c.bin": b"old c" * 1000}
        new = {"a.bin": os.urandom(5000), "n/new.bin": os.urandom(3000), "c.bin": os.urandom(200000)}
        order = ["a.bin", "n/new.bin", "c.bin"]
        self.publish(new, order)
        all_old = dict(old, **{"n/new.bin": None})

        def state():
            out = {}
            for rel in new:
                p = self.app.path(rel)
                out[rel] = md5_file(p) if os.path.exists(p) else None
            return out

        want_old = {rel: (md5(data) if data is not None else None) for rel, data in all_old.items()}
        want_new = {rel: md5(data) for rel, data in new.items()}
        steps = []
        step = 0
        while True:
            step += 1
            self.assertLess(step, 30, "the install never ended")
            shutil.rmtree(self.app.app_dir)
            self.app = self.new_updater("app")
            harness.write_release(self.app.app_dir, old)
            with harness.Nginx(self.www, PORT):
                where = self.stop_at(step)
            if where is None:
                break
            steps.append(where)
            # The next start, with no server to reach: only the rollback of the dead run can act.
            rc = self.run_updater()
            self.assert_ends_with_main_started(rc)
            self.assertIn(FAILED, self.app.statuses)
            now = state()
            self.assertIn(now, (want_old, want_new), "killed at %r: a mix of old and new files" % where)
            self.assertFalse(os.path.exists(self.app.path("bakup/install.journal")), where)
            left = [n for n in os.listdir(self.app.path("bakup")) if n.endswith(".pending")] \
                if os.path.isdir(self.app.path("bakup")) else []
            self.assertEqual(left, [], where)
        print("killed at: %s" % steps, file=sys.stderr)
        # Every step of the install was tried: the checks, each backup, the journal, each file placed.
        for word in ("checked", "backed up a.bin", "backed up c.bin", "journal written", "placed a.bin",
                     "placed n\\new.bin", "placed c.bin", "done"):
            self.assertTrue(any(word in s for s in steps), "no kill at %r: %s" % (word, steps))
        # And the install that was never stopped left everything new.
        self.assertEqual(state(), want_new)

    def test_locked_file_replaces_nothing_and_names_no_partial_install(self):
        old = {"a.dll": b"old a", "b.dll": b"old b", "c.dll": b"old c"}
        new = {"a.dll": b"new a", "b.dll": b"new b", "c.dll": b"new c"}
        self.publish(new)
        harness.write_release(self.app.app_dir, old)
        harness.write_release(self.app.app_dir, {"bakup/a.dll": b"backup from an earlier run"})
        said = os.path.join(self.work, "hold.txt")
        with open(said, "wb") as out:
            hold = subprocess.Popen([ENV["WINE_RUN"], "--prefix", ENV["WINE_PREFIX"], ENV["HELPER_EXE"], "hold",
                                     harness.windows_path(self.app.path("b.dll")), "120000"], stdout=out)
        try:
            end = time.time() + 60
            while time.time() < end and b"holding" not in open(said, "rb").read():
                time.sleep(0.1)
            self.assertIn(b"holding", open(said, "rb").read())
            with harness.Nginx(self.www, PORT):
                rc = self.run_updater()
        finally:
            harness.kill_wine_process(ENV["HELPER_EXE"], "hold", os.path.basename(self.work))
            hold.wait(SETTLE_S)
        self.assert_ends_with_main_started(rc)
        self.assert_digests(old)
        lines = debug_lines(self.app)
        self.assertTrue(any("the file is in use" in l and "b.dll" in l for l in lines), lines)
        # Nothing was backed up, replaced or put back: the earlier backup is as it was.
        self.assert_digests({"a.dll": b"backup from an earlier run"}, "bakup/")
        self.assertFalse(any(w in l for l in lines for w in ("install: checked", "install: backed up",
                                                              "install: placed", "putting every file back")), lines)
        self.assertTrue(any(s.startswith(APPLYING) for s in self.app.statuses), self.app.statuses)
        self.assert_digests(new, "update/")

    # --- staging and download ----------------------------------------------------------------

    def test_staging_file_that_cannot_be_created_fails_the_run(self):
        old = {"a.dll": b"old a"}
        self.publish({"a.dll": b"new a"})
        harness.write_release(self.app.app_dir, old)
        os.makedirs(self.app.path("update/a.dll"))  # a folder where the staged file must go
        with harness.Nginx(self.www, PORT):
            rc = self.run_updater()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(old)
        # The per-file download text is the last the run showed before the window closed.
        shown = [s for s in self.app.statuses if s != CANCELLING]
        self.assertEqual(shown[-1], downloading(1, "a.dll"), self.app.statuses)
        self.assertTrue(any("cannot create the staging file" in l for l in debug_lines(self.app)),
                        debug_lines(self.app))

    def test_download_past_the_head_size_stops_and_is_not_kept(self):
        old = {"a.dll": b"old a"}
        harness.write_release(self.app.app_dir, old)
        small = b"0123456789"
        manifest = harness.manifest_text(BASE + "/files", {"a.dll": small})
        limit = 300 << 20  # the server stops by itself after this much
        sent = [0]

        def flood(h, m):
            if m == "HEAD":
                return send(h, 200, small, m)
            h.wfile.write(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
            h.closed_by_route = True
            block = b"z" * 65536
            while sent[0] < limit:
                h.wfile.write(block)
                sent[0] += len(block)

        routes = {MANIFEST_PATH: lambda h, m: send(h, 200, manifest, m), "/files/a.dll": flood}
        with harness.FaultServer(PORT, routes):
            rc = self.run_updater()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(old)
        self.assertFalse(os.path.exists(self.app.path("update/a.dll")), "the oversized body was kept")
        self.assertLess(sent[0], 64 << 20, "the body was read long past its size")
        self.assertNotIn(APPLYING, self.app.statuses)


if __name__ == "__main__":
    unittest.main()
