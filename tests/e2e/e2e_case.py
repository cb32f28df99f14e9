"""The base of end-to-end test cases that run one updater against a release
they publish: each test gets a fresh work folder named after it under
E2E_WORK, with "www" for the release and an updater in "app". Pass or fail,
the updater and the Wine prefix's processes are ended and the folder goes.
"""
import os
import shutil
import unittest

import harness

ENV = os.environ


class UpdaterCase(unittest.TestCase):
    def setUp(self):
        self.work = os.path.join(ENV["E2E_WORK"], self.id().split(".")[-1])
        shutil.rmtree(self.work, ignore_errors=True)
        self.www = os.path.join(self.work, "www")
        os.makedirs(self.www)
        self.app = harness.Updater(os.path.join(self.work, "app"), ENV["UPDATER_EXE"], ENV["MAIN_EXE"],
                                   ENV["WINE_RUN"], ENV["WINE_PREFIX"])

    def tearDown(self):
        # Nothing this test started may answer the next one; the folders can hold hundreds of MiB.
        self.app.stop()
        harness.end_wine(ENV["WINE_PREFIX"])
        shutil.rmtree(self.work, ignore_errors=True)
