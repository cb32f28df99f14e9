"""updater.exe under Wine: the comparison with the disk hashes files on worker
threads while the window stays live.

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

ENV = os.environ
PORT = int(ENV.get("E2E_PORT", "0"))
BASE = "http://127.0.0.1:%d" % PORT

CHECKING = "正在核对更新信息..."
CANCELLING = "正在取消..."
NO_UPDATE = "已是最新版本，无需升级！"


class Check(UpdaterCase):
    def test_cancel_while_a_huge_file_is_hashed_closes_the_window(self):
        # 4 TiB that take no room: hours of hashing, so only a window that
        # handles its Cancel button while the file is read can end this run.
        files = {"huge.bin": b"the release's huge.bin"}
        files.update({"f%02d.dll" % i: b"new %d" % i for i in range(20)})
        harness.write_release(os.path.join(self.www, "files"), files)
        harness.write_release(self.www, {harness.MANIFEST_PATH.lstrip("/"):
                                         harness.manifest_text(BASE + "/files", files, ["huge.bin"] + sorted(
                                             k for k in files if k != "huge.bin"))})
        for rel in files:
            if rel != "huge.bin":
                harness.write_release(self.app.app_dir, {rel: b"old"})
        with open(self.app.path("huge.bin"), "wb") as f:
            f.truncate(1 << 42)
        with harness.Nginx(self.www, PORT) as nginx:
            self.app.start()
            self.assertTrue(self.app.wait_status(CHECKING, 90), self.app.statuses)
            # Well into the huge file.
            time.sleep(2)
            clicked, said = self.app.helper(ENV["HELPER_EXE"], "click-cancel", 10000)
            self.assertEqual(clicked, 0, said)
            rc = self.app.wait(90)
            requests = nginx.requests()
        self.assertEqual(rc, 0, "\n".join(self.app.lines[-20:]))
        self.assertTrue(self.app.main_started(), "main program was not started")
        statuses = self.app.statuses
        # The cancel empties the list: the run says there is nothing to do and asks for no size.
        self.assertIn(CANCELLING, statuses)
        self.assertIn(NO_UPDATE, statuses)
        self.assertLess(statuses.index(CANCELLING), statuses.index(NO_UPDATE), statuses)
        self.assertEqual(requests, [("GET", harness.MANIFEST_PATH)])
        self.assertFalse(os.path.exists(self.app.path("update")))

    def test_many_files_list_the_changed_ones_in_manifest_order(self):
        files = {"d%d/f%03d.bin" % (i % 7, i): os.urandom(100 + (i * 389) % 200000) for i in range(300)}
        local = dict(files)
        changed = []
        for i, rel in enumerate(sorted(files)):
            if i % 9 == 4:
                local[rel] = b"old " + files[rel]
                changed.append(rel)
            elif i % 13 == 6:
                del local[rel]
                changed.append(rel)
        harness.write_release(os.path.join(self.www, "files"), files)
        harness.write_release(self.www, {harness.MANIFEST_PATH.lstrip("/"):
                                         harness.manifest_text(BASE + "/files", files)})
        harness.write_release(self.app.app_dir, local)
        with harness.Nginx(self.www, PORT) as nginx:
            rc = self.app.run(180)
            requests = nginx.requests()
        self.assertEqual(rc, 0, "\n".join(self.app.lines[-20:]))
        self.assertTrue(self.app.main_started(), "main program was not started")
        from urllib.parse import quote
        heads = [r for r in requests if r[0] == "HEAD"]
        gets = [r for r in requests if r[0] == "GET"]
        self.assertEqual(heads, [("HEAD", "/files/" + quote(rel)) for rel in changed])
        self.assertEqual(gets[0], ("GET", harness.MANIFEST_PATH))
        self.assertEqual(gets[1:], [("GET", "/files/" + quote(rel)) for rel in changed])
        statuses = self.app.statuses
        self.assertEqual(statuses[:3], ["正在获取更新信息...", CHECKING, "正在核对更新文件..."])
        downloads = [s for s in statuses if s.startswith("正在下载第")]
        self.assertEqual(downloads, ["正在下载第%d个文件：%s..." % (n + 1, rel.split("/")[-1])
                                     for n, rel in enumerate(changed)])
        for rel, data in files.items():
            with open(self.app.path(rel), "rb") as f:
                self.assertEqual(harness.md5(f.read()), harness.md5(data), rel)


if __name__ == "__main__":
    unittest.main()
