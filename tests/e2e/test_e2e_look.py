"""What the user sees: updater.exe's window, caught while a download runs,
compared with the reviewed reference picture in tests/references/.

The download is held at exactly half of its one file, so the status line
and the progress bar are the same on every run."""
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import compare_shot  # noqa: E402
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402
from harness import send  # noqa: E402
from e2e_constants import BASE, ENV, HELPER_MS, MANIFEST_PATH, PORT, REFERENCES, SETTLE_S, downloading  # noqa: E402



class Look(UpdaterCase):
    def test_window_during_download_matches_the_reference(self):
        body = bytes(range(256)) * 400
        manifest = harness.manifest_text(BASE + "/files", {"tool.dll": body})

        def held(h, m):
            if m == "HEAD":
                return send(h, 200, body, m)
            h.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body))
            h.wfile.write(body[:len(body) // 2])
            h.wfile.flush()
            h.server.event("half").set()
            h.server.event("release").wait(120)
            h.wfile.write(body[len(body) // 2:])
            h.wfile.flush()

        routes = {MANIFEST_PATH: lambda h, m: send(h, 200, manifest, m), "/files/tool.dll": held}
        shot = os.path.join(self.work, "updater-download.png")
        with harness.FaultServer(PORT, routes) as server:
            self.app.start()
            try:
                self.assertTrue(server.event("half").wait(SETTLE_S), "the download never started")
                self.assertTrue(self.app.wait_status(downloading(1, "tool.dll"), 30))
                self.app.helper(ENV["HELPER_EXE"], "cursor-away", HELPER_MS)
                # The bar and the status line repaint on the next idle pass.
                time.sleep(1.5)
                self.assertTrue(harness.screenshot(self.app, ENV["HELPER_EXE"], shot), "no screenshot")
            finally:
                server.event("release").set()
            self.app.wait(SETTLE_S)
        reference = os.path.join(REFERENCES, "updater-download.png")
        if ENV.get("UPDATE_REFERENCES") == "1":
            shutil.copyfile(shot, reference)
            return
        problems = compare_shot.compare(shot, reference)
        self.assertEqual(problems[:20], [], "%s differs from %s in %d pixels" % (shot, reference, len(problems)))


if __name__ == "__main__":
    unittest.main()
