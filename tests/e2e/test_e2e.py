"""updater.exe under Wine against real servers on 127.0.0.1.

Run by CTest with the paths in the environment (see CMakeLists.txt); one
CTest entry per test method.
"""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402
from harness import md5, md5_file, send  # noqa: E402
from e2e_constants import (APPLYING, BASE, CANCELLING, CHECKING, ENV, FAILED, HELPER_MS, MANIFEST_PATH,  # noqa: E402
                           NO_UPDATE, PORT, SETTLE_S, downloading)


class E2E(UpdaterCase):
    # --- the check stage ---------------------------------------------------------------------

    def test_no_update_needed(self):
        files = {"a.dll": b"current a", "sub/b.txt": b"current b"}
        self.publish(files)
        self.install_locally(files)
        with harness.Nginx(self.www, PORT) as nginx:
            rc = self.app.run()
            requests = nginx.requests()
        self.assert_ends_with_main_started(rc)
        self.assertIn(NO_UPDATE, self.app.statuses)
        self.assertEqual(requests, [("GET", MANIFEST_PATH)])
        self.assertFalse(os.path.exists(self.app.path("update")))

    def test_manifest_unavailable(self):
        rc = self.app.run()  # nothing listens on the port
        self.assert_ends_with_main_started(rc)
        self.assertEqual(self.app.statuses[0], CHECKING)
        self.assertIn(FAILED, self.app.statuses)

    def test_manifest_404(self):
        with harness.FaultServer(PORT, {}):
            rc = self.app.run()
        self.assert_ends_with_main_started(rc)
        self.assertIn(FAILED, self.app.statuses)

    # --- the whole run -------------------------------------------------------------------------

    def test_full_update(self):
        old = {"a.dll": b"old a" * 100, "readme.txt": b"same", "数据/文件.txt": "旧的".encode("utf-8")}
        new = {"a.dll": b"new a" * 3000, "readme.txt": b"same", "sub/new.dat": os.urandom(70000),
               "数据/文件.txt": "新的内容".encode("utf-8") * 50}
        # The tool may live in a folder with a Chinese name.
        self.app = self.new_updater("中文 程序目录")
        self.publish(new)
        self.install_locally(old)
        with harness.Nginx(self.www, PORT) as nginx:
            rc = self.app.run()
            requests = nginx.requests()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(new)
        # Backups of the replaced files only; staging copies gone.
        self.assert_digests({"a.dll": old["a.dll"], "数据/文件.txt": old["数据/文件.txt"]}, "bakup/")
        self.assertFalse(os.path.exists(self.app.path("bakup/sub/new.dat")))
        self.assertFalse(os.path.exists(self.app.path("bakup/readme.txt")))
        for rel in ("a.dll", "sub/new.dat", "数据/文件.txt"):
            self.assertFalse(os.path.exists(self.app.path("update/" + rel)), rel)
        gets = sorted(p for m, p in requests if m == "GET" and p != MANIFEST_PATH)
        self.assertEqual(len(gets), 3)
        self.assertEqual(len([1 for m, _ in requests if m == "HEAD"]), 3)
        # Per-file texts count from 1 in manifest order and name the last component only.
        self.assertIn(downloading(1, "a.dll"), self.app.statuses)
        self.assertIn(downloading(3, "文件.txt"), self.app.statuses)
        self.assertIn(APPLYING, self.app.statuses)
        self.assertEqual(self.app.statuses[-1], CANCELLING)

    def test_directory_outside_the_ansi_code_page_is_updated(self):
        # Letters code page 936 cannot hold: a trip through it would name another
        # folder ("Lodz ..." or "?d?"), which anyone could create.
        old = {"a.dll": b"old a", "数据/文件.txt": "旧的".encode("utf-8")}
        new = {"a.dll": b"new a" * 500, "数据/文件.txt": "新的".encode("utf-8") * 50, "sub/new.dat": os.urandom(5000)}
        self.app = self.new_updater("Łódź narzędzia")
        self.publish(new)
        self.install_locally(old)
        with harness.Nginx(self.www, PORT) as nginx:
            rc = self.app.run()
            gets = [p for m, p in nginx.requests() if m == "GET" and p != MANIFEST_PATH]
        self.assert_ends_with_main_started(rc)
        self.assertEqual(len(gets), 3)
        self.assertIn(APPLYING, self.app.statuses)
        self.assert_digests(new)
        self.assert_digests(old, "bakup/")
        for rel in new:
            self.assertFalse(os.path.exists(self.app.path("update/" + rel)), rel)
        # Nothing was written beside the application directory.
        self.assertEqual(sorted(os.listdir(self.work)), sorted(["app", "www", "Łódź narzędzia"]))

    def test_staged_files_reused_without_download(self):
        new = {"a.dll": b"new a", "sub/b.dat": b"new b"}
        self.publish(new)
        self.install_locally({"a.dll": b"old a"})
        self.install_locally({"update/" + k: v for k, v in new.items()})
        with harness.Nginx(self.www, PORT) as nginx:
            rc = self.app.run()
            requests = nginx.requests()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(new)
        self.assertEqual([r for r in requests if r[0] == "GET"], [("GET", MANIFEST_PATH)])

    def test_one_stale_staged_file_downloads_every_entry(self):
        new = {"a.dll": b"new a", "b.dll": b"new b", "c.dll": b"new c"}
        self.publish(new)
        self.install_locally({"update/a.dll": b"new a", "update/b.dll": b"stale and longer than new",
                              "update/c.dll": b"new c"})
        with harness.Nginx(self.www, PORT) as nginx:
            rc = self.app.run()
            gets = [p for m, p in nginx.requests() if m == "GET" and p != MANIFEST_PATH]
        self.assert_ends_with_main_started(rc)
        self.assertEqual(len(gets), 3)
        self.assert_digests(new)

    # --- faults ------------------------------------------------------------------------------

    def fault_release(self, files, override):
        """Serves files like nginx would, with some paths replaced by faulty answers."""
        manifest = harness.manifest_text(BASE + "/files", files)
        routes = {MANIFEST_PATH: lambda h, m: send(h, 200, manifest, m)}
        for rel, data in files.items():
            routes["/files/" + rel] = (lambda d: lambda h, m: send(h, 200, d, m))(data)
        routes.update(override)
        return routes

    def test_404_on_second_of_three(self):
        old = {"a.dll": b"old a", "b.dll": b"old b", "c.dll": b"old c"}
        new = {"a.dll": b"new a", "b.dll": b"new b", "c.dll": b"new c"}
        self.install_locally(old)
        routes = self.fault_release(new, {"/files/b.dll": lambda h, m: send(h, 404, b"gone", m)})
        with harness.FaultServer(PORT, routes) as server:
            rc = self.app.run()
            gets = [p for m, p in server.log if m == "GET"]
        self.assert_ends_with_main_started(rc)
        self.assert_digests(old)
        self.assertNotIn("/files/c.dll", gets)
        self.assertEqual(md5_file(self.app.path("update/a.dll")), md5(b"new a"))  # kept for the next run
        self.assertNotIn(APPLYING, self.app.statuses)

    def test_wrong_body_is_not_installed(self):
        old = {"a.dll": b"old a"}
        self.install_locally(old)
        routes = self.fault_release({"a.dll": b"new a"},
                                    {"/files/a.dll": lambda h, m: send(h, 200, b"tampered!", m)})
        with harness.FaultServer(PORT, routes):
            rc = self.app.run()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(old)
        self.assertNotIn(APPLYING, self.app.statuses)

    def test_connection_dropped_mid_body(self):
        old = {"a.dll": b"old a"}
        new = {"a.dll": os.urandom(100000)}
        self.install_locally(old)

        def drop(h, m):
            head = "HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(new["a.dll"])
            h.wfile.write(head.encode())
            if m != "HEAD":
                h.wfile.write(new["a.dll"][:30000])
                h.wfile.flush()
                h.closed_by_route = True
                h.connection.shutdown(2)
        routes = self.fault_release(new, {"/files/a.dll": drop})
        with harness.FaultServer(PORT, routes):
            rc = self.app.run()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(old)
        # The short body fails verification, and what fails verification is not kept.
        self.assertFalse(os.path.exists(self.app.path("update/a.dll")))

    def test_cancel_during_slow_download(self):
        old = {"a.dll": b"old a", "b.dll": b"old b"}
        new = {"a.dll": b"x" * 200000, "b.dll": b"new b"}
        self.install_locally(old)

        def slow(h, m):
            if m == "HEAD":
                return send(h, 200, new["a.dll"], m)
            h.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: 200000\r\n\r\n")
            h.server.event("slow").set()
            for _ in range(400):  # about 40 s if nobody cancels
                h.wfile.write(b"x" * 500)
                h.wfile.flush()
                time.sleep(0.1)
        routes = self.fault_release(new, {"/files/a.dll": slow})
        with harness.FaultServer(PORT, routes) as server:
            self.app.start()
            self.assertTrue(server.event("slow").wait(SETTLE_S), "download never started")
            time.sleep(1)
            clicked, said = self.helper("click-cancel", HELPER_MS)
            started = time.time()
            rc = self.app.wait(SETTLE_S)
            self.assertEqual(clicked, 0, said)
            self.assertLess(time.time() - started, 30, "the window did not close after Cancel")
        self.assert_ends_with_main_started(rc)
        self.assert_digests(old)
        self.assertIn(CANCELLING, self.app.statuses)
        self.assertNotIn(APPLYING, self.app.statuses)

    def helper(self, command, timeout_ms):
        return self.app.helper(ENV["HELPER_EXE"], command, timeout_ms)

    def test_file_in_use_stops_install_and_restores(self):
        old = {"a.dll": b"old a", "b.dll": b"old b", "c.dll": b"old c"}
        new = {"a.dll": b"new a", "b.dll": b"new b", "c.dll": b"new c"}
        self.publish(new)
        self.install_locally(old)
        self.install_locally({"bakup/c.dll": b"backup from an earlier run"})
        # The holder's output goes to a file: a pipe would stay open in Wine's
        # own processes long after the holder is gone.
        said = os.path.join(self.work, "hold.txt")
        with open(said, "wb") as out:
            hold = harness.start_wine(ENV["WINE_RUN"], ENV["WINE_PREFIX"],
                                      [ENV["HELPER_EXE"], "hold", "Z:" + self.app.path("b.dll"), "120000"], stdout=out)
        try:
            end = time.time() + 60
            while time.time() < end and b"holding" not in open(said, "rb").read():
                time.sleep(0.1)
            self.assertIn(b"holding", open(said, "rb").read())
            with harness.Nginx(self.www, PORT):
                rc = self.app.run()
        finally:
            harness.kill_wine_process(ENV["HELPER_EXE"], "hold")
            harness.end_runner(hold)
        self.assert_ends_with_main_started(rc)
        self.assert_digests(old)
        self.assertFalse(os.path.exists(self.app.path("bakup/a.dll")), "a's backup of this run is removed")
        # c was never reached: the older backup is neither restored nor removed.
        self.assert_digests({"c.dll": b"backup from an earlier run"}, "bakup/")
        self.assert_digests(new, "update/")

    def test_killed_during_install_then_run_again(self):
        old = {"a.bin": b"old a", "big.bin": b"old big", "c.bin": b"old c"}
        new = {"a.bin": os.urandom(1000), "big.bin": os.urandom(256 * 1024 * 1024), "c.bin": os.urandom(1000)}
        self.publish(new, order=["a.bin", "big.bin", "c.bin"])
        self.install_locally(old)
        with harness.Nginx(self.www, PORT):
            self.app.start()
            self.assertTrue(self.app.wait_status(APPLYING, 120), "install never started")
            self.assertGreater(self.app.kill(), 0, "no updater process to kill")
            self.app.wait(SETTLE_S)
            done = [rel for rel in new if os.path.exists(self.app.path(rel))
                    and md5_file(self.app.path(rel)) == md5(new[rel])]
            print("installed when killed: %s" % (done or "none"), file=sys.stderr)
            rc = self.app.run()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(new)


if __name__ == "__main__":
    unittest.main()
