"""The base of the end-to-end test cases: each test gets a fresh work folder
named after it under E2E_WORK, with "www" for the release it publishes and
an updater in "app" (more with new_updater). Pass or fail, every updater it
started and the Wine prefix's processes are ended, and the folder goes.
"""
import contextlib
import os
import shutil
import subprocess
import threading
import unittest

import harness
from e2e_constants import BASE, ENV, MANIFEST_PATH, RUN_S, SETTLE_S, work_dir


class UpdaterCase(unittest.TestCase):
    # The build a case runs; a subclass may name another (the signed one).
    UPDATER_EXE = "UPDATER_EXE"

    def setUp(self):
        self.work = work_dir(self)
        shutil.rmtree(self.work, ignore_errors=True)
        self.www = os.path.join(self.work, "www")
        os.makedirs(self.www)
        self.updaters = []
        self.app = self.new_updater("app")

    def tearDown(self):
        # Nothing this test started may answer the next one; the folders can hold hundreds of MiB.
        for updater in self.updaters:
            updater.stop()
        harness.end_wine(ENV["WINE_PREFIX"])
        shutil.rmtree(self.work, ignore_errors=True)

    def new_updater(self, name, exe=None):
        updater = harness.Updater(os.path.join(self.work, name), exe or ENV[self.UPDATER_EXE], ENV["MAIN_EXE"],
                                  ENV["WINE_RUN"], ENV["WINE_PREFIX"])
        self.updaters.append(updater)
        return updater

    def publish(self, files, order=None, file_base=BASE + "/files"):
        """The release in www: the files under files/ and a manifest listing them at file_base."""
        harness.write_release(os.path.join(self.www, "files"), files)
        harness.write_release(self.www, {MANIFEST_PATH.lstrip("/"): harness.manifest_text(file_base, files, order)})

    def install_locally(self, files, app=None):
        harness.write_release((app or self.app).app_dir, files)

    def assert_digests(self, files, where="", app=None):
        for rel, data in files.items():
            path = (app or self.app).path(where + rel)
            self.assertTrue(os.path.exists(path), "missing: " + path)
            self.assertEqual(harness.md5_file(path), harness.md5(data), "content of " + path)

    def assert_ends_with_main_started(self, rc, updater=None):
        updater = updater or self.app
        self.assertEqual(rc, 0, "\n".join(updater.lines[-20:]))
        self.assertTrue(updater.main_started(), "main program was not started")

    def wait_updater(self, updater=None, timeout=RUN_S):
        """Waits for an updater to end; one that hangs is ended and the test fails."""
        updater = updater or self.app
        try:
            return updater.wait(timeout)
        except subprocess.TimeoutExpired:
            updater.kill()
            updater.wait(SETTLE_S)
            self.fail("the updater did not finish within %d s; statuses: %s" % (timeout, updater.statuses))

    def run_updater(self, updater=None, timeout=RUN_S):
        """Runs an updater to its end; one that hangs is ended and the test fails."""
        (updater or self.app).start()
        return self.wait_updater(updater, timeout)

    @contextlib.contextmanager
    def watching_peak_rss(self):
        """Samples the resident memory of this test's updater while the block
        runs; yields a list whose [0] is the peak so far, in KiB."""
        peak = [0]
        stop = threading.Event()
        # Wine shows the program by its Windows path: match the test's own folder name.
        words = ["updater.exe", os.path.basename(self.work)]

        def watch():
            while not stop.wait(0.2):
                peak[0] = max(peak[0], harness.rss_kib(words))

        watcher = threading.Thread(target=watch, daemon=True)
        watcher.start()
        try:
            yield peak
        finally:
            stop.set()
            watcher.join(5)
