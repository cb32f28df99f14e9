"""updater.exe under Wine against hostile HTTP servers: a cookie flood followed
by a server that stops reading, a huge error body, and a manifest that
trickles in one byte at a time, each within the read time-out. In each the run ends, the window answers, and
the main program is started.

Run by CTest with the paths in the environment (see CMakeLists.txt); one
CTest entry per test method. The updater keeps its own client settings (5 s
read time-out); none of these servers relies on a whole-request deadline.
"""
import os
import select
import socket
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402
from e2e_constants import APPLYING, BASE, CANCELLING, ENV, FAILED, HELPER_MS, PORT  # noqa: E402
from e2e_constants import MANIFEST_PATH as MANIFEST  # noqa: E402


# What a browser keeps of one host's cookies: 50 of at most 4 KiB.
COOKIE_HEADER_MAX = 50 * 4096 + 50 * 2


def read_head(conn, limit=1 << 20):
    """The request head (up to its empty line), at most limit bytes."""
    data = b""
    while b"\r\n\r\n" not in data and len(data) < limit:
        chunk = conn.recv(65536)
        if not chunk:
            break
        data += chunk
    return data


class FloodThenDeafServer:
    """The first connection gets a redirect back to the manifest that sets a
    flood of cookies; every later connection is accepted and never read while
    the updater runs. What those connections carried is read at the end."""

    def __init__(self, port, flood):
        self.flood = flood
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.1", port))
        self.sock.listen(16)
        self.stop = threading.Event()
        self.held = []
        self.first_request = b""
        self.deaf = threading.Event()
        self.thread = threading.Thread(target=self._run, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def _run(self):
        first = True
        while not self.stop.is_set():
            ready, _, _ = select.select([self.sock], [], [], 0.1)
            if not ready:
                continue
            conn, _ = self.sock.accept()
            if first:
                first = False
                try:
                    self.first_request = read_head(conn)
                    conn.sendall(self.flood)
                except OSError:
                    pass
                conn.close()
            else:
                self.held.append(conn)
                self.deaf.set()

    def held_requests(self):
        """Stops serving; the bytes each held connection received, read now."""
        self.stop.set()
        self.thread.join(10)
        out = []
        for conn in self.held:
            conn.settimeout(2)
            data = b""
            try:
                while len(data) < (64 << 20):
                    chunk = conn.recv(1 << 20)
                    if not chunk:
                        break
                    data += chunk
            except OSError:
                pass
            conn.close()
            out.append(data)
        self.held = []
        return out

    def __exit__(self, *exc):
        self.stop.set()
        self.thread.join(10)
        for conn in self.held:
            conn.close()
        self.sock.close()


class HostileNet(UpdaterCase):
    def setUp(self):
        super().setUp()
        self.install_locally({"a.dll": b"old a"})

    def assert_failed_run_started_main(self, rc):
        self.assertEqual(rc, 0, "\n".join(self.app.lines[-20:]))
        self.assertTrue(self.app.main_started(), "main program was not started")
        self.assertIn(FAILED, self.app.statuses)
        self.assertNotIn(APPLYING, self.app.statuses)
        self.assertEqual(harness.md5_file(self.app.path("a.dll")), harness.md5(b"old a"))

    def test_cookie_flood_then_a_server_that_stops_reading(self):
        # 250 cookies on a redirect back to the manifest: most of 60 KB, far
        # over what a cookie may have, and 50 of almost 4 KiB. Unbounded they
        # made a 12 MB request that the server below never reads.
        lines = []
        for i in range(250):
            size = 4000 if i % 5 == 0 else 60000
            lines.append("Set-Cookie: c%d=%s; Path=/\r\n" % (i, chr(ord("a") + i % 26) * size))
        flood = ("HTTP/1.1 302 Found\r\nLocation: %s%s\r\nContent-Length: 0\r\n%s\r\n"
                 % (BASE, MANIFEST, "".join(lines))).encode("latin-1")
        with FloodThenDeafServer(PORT, flood) as server:
            self.app.start()
            rc = self.wait_updater()
            self.assertTrue(server.deaf.is_set(), "the redirect was not followed")
            held = server.held_requests()
        self.assert_failed_run_started_main(rc)
        self.assertIn(b"GET " + MANIFEST.encode(), server.first_request)
        self.assertGreaterEqual(len(held), 1)
        for request in held:
            self.assertTrue(request.startswith(b"GET " + MANIFEST.encode()), request[:200])
            cookie = [line for line in request.split(b"\r\n") if line.startswith(b"Cookie: ")]
            self.assertEqual(len(cookie), 1, request[:200])
            self.assertLessEqual(len(cookie[0]), COOKIE_HEADER_MAX)
            self.assertIn(b"c245=", cookie[0])  # the newest small ones are what is kept
            self.assertNotIn(b"c1=", cookie[0])  # a 60 KB one

    def test_huge_error_body(self):
        size = 256 << 20
        sent = [0]
        block = b"e" * 65536

        def error(h, m):
            h.wfile.write(b"HTTP/1.1 404 Not Found\r\nContent-Length: %d\r\n\r\n" % size)
            h.closed_by_route = True
            while sent[0] < size:
                h.wfile.write(block)
                sent[0] += len(block)

        with harness.FaultServer(PORT, {MANIFEST: error}), self.watching_peak_rss() as peak:
            rc = self.run_updater()
        print("error body bytes sent: %d KiB, updater peak RSS: %d MiB" % (sent[0] >> 10, peak[0] >> 10),
              file=sys.stderr)
        self.assert_failed_run_started_main(rc)
        # Read no further than the cap; the rest sat in socket buffers or was never sent.
        self.assertLess(sent[0], 32 << 20)
        self.assertGreater(peak[0], 0, "the updater process was never seen")
        self.assertLess(peak[0], 300 << 10, "updater memory grew with the error body")

    def test_trickling_manifest_keeps_the_window_live_until_cancel(self):
        # One byte every 2.5 s, under the 5 s read time-out (with room for a
        # loaded machine): the transfer goes on, since the time-out is per
        # wait, and only Cancel ends it within this test.
        trickled = [0]
        client_gone = threading.Event()

        def trickle(h, m):
            h.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 1000\r\n\r\n")
            h.wfile.flush()
            h.closed_by_route = True
            for _ in range(100):  # 4 minutes if nobody ends it: far past this test
                time.sleep(2.5)
                try:
                    h.wfile.write(b"#")
                    h.wfile.flush()
                except OSError:
                    client_gone.set()
                    return
                trickled[0] += 1
                if trickled[0] == 5:
                    h.server.event("trickling").set()

        with harness.FaultServer(PORT, {MANIFEST: trickle}) as server:
            self.app.start()
            self.assertTrue(server.event("trickling").wait(90), "the manifest was never asked for")
            # 12.5 s into a transfer with a 5 s read time-out: still running.
            self.assertIsNone(self.app.proc.poll())
            self.assertNotIn(FAILED, self.app.statuses)
            clicked, said = self.app.helper(ENV["HELPER_EXE"], "click-cancel", HELPER_MS)
            self.assertEqual(clicked, 0, said)
            rc = self.wait_updater(timeout=60)
            self.assertTrue(client_gone.wait(15), "the updater kept the connection open")
        self.assert_failed_run_started_main(rc)
        # The click was handled while the transfer waited, before the run
        # reported its outcome.
        statuses = self.app.statuses
        self.assertIn(CANCELLING, statuses)
        self.assertLess(statuses.index(CANCELLING), statuses.index(FAILED), statuses)
        self.assertLess(trickled[0], 100)


if __name__ == "__main__":
    unittest.main()
