"""updater.exe under Wine continuing a large download that broke.

nginx serves the release; a relay in front of it, on the port the updater
was built for, records every request and counts the bytes of every answer,
and cuts the first download of the large file part-way.
"""
import os
import select
import socket
import sys
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402
from harness import md5, md5_file  # noqa: E402

ENV = os.environ
PORT = int(ENV.get("E2E_PORT", "0"))
# nginx listens beside the relay.
UPSTREAM_PORT = PORT + 1
BASE = "http://127.0.0.1:%d" % PORT

MiB = 1 << 20
BIG = "big.bin"
BIG_SIZE = 64 * MiB
CUT_AFTER = 24 * MiB + 12345


class CuttingRelay:
    """A TCP relay from 127.0.0.1:port to upstream_port. The updater makes one
    request per connection; each is logged with the answer's status, ETag and
    byte counts. While cut_path is set, the first GET of it is cut after
    cut_after body bytes, after which cut_path is cleared."""

    def __init__(self, port, upstream_port):
        self.port, self.upstream_port = port, upstream_port
        self.log = []
        self.lock = threading.Lock()
        self.cut_path, self.cut_after = None, None
        self.threads, self.sockets = [], []
        self.stopping = False

    def __enter__(self):
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", self.port))
        self.listener.listen(16)
        self.acceptor = threading.Thread(target=self._accept, daemon=True)
        self.acceptor.start()
        return self

    def __exit__(self, *exc):
        self.stopping = True
        self.listener.close()
        self.acceptor.join(10)
        with self.lock:
            for s in self.sockets:
                try:
                    s.close()
                except OSError:
                    pass
        for t in self.threads:
            t.join(10)

    def requests(self, method=None, path=None):
        with self.lock:
            return [dict(e) for e in self.log
                    if (method is None or e["method"] == method) and (path is None or e["path"] == path)]

    def _accept(self):
        while not self.stopping:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            t = threading.Thread(target=self._serve, args=(conn,), daemon=True)
            with self.lock:
                self.sockets.append(conn)
                self.threads.append(t)
            t.start()

    def _serve(self, conn):
        up = None
        try:
            up = socket.create_connection(("127.0.0.1", self.upstream_port))
            with self.lock:
                self.sockets.append(up)
            self._relay(conn, up)
        except (OSError, ValueError):
            pass  # a connection the updater or __exit__ closed
        finally:
            for s in (conn, up):
                if s is not None:
                    try:
                        s.close()
                    except OSError:
                        pass

    @staticmethod
    def _read_head(sock):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = sock.recv(65536)
            if not chunk:
                return None, data
            data += chunk
        head, rest = data.split(b"\r\n\r\n", 1)
        return head + b"\r\n\r\n", rest

    @staticmethod
    def _headers(head):
        lines = head.decode("latin-1").split("\r\n")
        fields = {}
        for line in lines[1:]:
            if ":" in line:
                k, v = line.split(":", 1)
                fields[k.strip().lower()] = v.strip()
        return lines[0], fields

    def _relay(self, conn, up):
        head, rest = self._read_head(conn)
        if head is None:
            return
        first, fields = self._headers(head)
        method, path = first.split(" ")[0], first.split(" ")[1]
        entry = {"method": method, "path": path, "range": fields.get("range"), "if_range": fields.get("if-range"),
                 "status": None, "etag": None, "bytes": 0, "body": 0}
        with self.lock:
            self.log.append(entry)
            cut = method == "GET" and path == self.cut_path
            if cut:
                self.cut_path = None
        up.sendall(head + rest)
        answer, body = self._read_head(up)
        if answer is None:
            return
        status_line, answer_fields = self._headers(answer)
        with self.lock:
            entry["status"] = int(status_line.split(" ")[1])
            entry["etag"] = answer_fields.get("etag")
        conn.sendall(answer)
        with self.lock:
            entry["bytes"] += len(answer)
        while True:
            if body:
                if cut:
                    body = body[:max(0, self.cut_after - entry["body"])]
                conn.sendall(body)
                with self.lock:
                    entry["bytes"] += len(body)
                    entry["body"] += len(body)
                if cut and entry["body"] >= self.cut_after:
                    # Everything sent arrives; then the end of the stream.
                    conn.shutdown(socket.SHUT_WR)
                    conn.settimeout(30)
                    try:
                        while conn.recv(65536):
                            pass
                    except OSError:
                        pass
                    return
            readable, _, _ = select.select([conn, up], [], [], 60)
            if not readable:
                return
            if conn in readable:
                extra = conn.recv(65536)
                if not extra:
                    return
                up.sendall(extra)
            body = b""
            if up in readable:
                body = up.recv(1 << 18)
                if not body:
                    return


class Resume(UpdaterCase):
    def assert_run_ended(self, rc):
        self.assertEqual(rc, 0, "\n".join(self.app.lines[-20:]))
        self.assertTrue(self.app.main_started(), "main program was not started")
        os.remove(self.app.path("main_started.txt"))

    def break_first_run(self, relay, new, old):
        """The first run: the large file breaks after CUT_AFTER bytes and is
        kept; nothing is installed."""
        relay.cut_path, relay.cut_after = "/files/" + BIG, CUT_AFTER
        rc = self.app.run()
        self.assert_run_ended(rc)
        gets = relay.requests("GET", "/files/" + BIG)
        self.assertEqual(len(gets), 1)
        self.assertIsNone(gets[0]["range"])
        self.assertEqual(gets[0]["status"], 200)
        self.assertEqual(gets[0]["body"], CUT_AFTER)
        self.assertEqual(md5_file(self.app.path(BIG)), md5(old[BIG]))
        self.assertFalse(os.path.exists(self.app.path("update/" + BIG)))
        self.assertEqual(os.path.getsize(self.app.path("update/" + BIG + ".partial")), CUT_AFTER)
        self.assertTrue(os.path.exists(self.app.path("update/" + BIG + ".partial-info")))
        return gets[0]["etag"]

    def assert_installed(self, new):
        for rel, data in new.items():
            self.assertEqual(md5_file(self.app.path(rel)), md5(data), rel)
        for name in (BIG, BIG + ".partial", BIG + ".partial-info"):
            self.assertFalse(os.path.exists(self.app.path("update/" + name)), name)

    def test_broken_download_continues_with_the_rest(self):
        old = {BIG: b"old big", "a.dll": b"old a"}
        new = {BIG: os.urandom(BIG_SIZE), "a.dll": os.urandom(5000)}
        self.publish(new)
        self.install_locally(old)
        with harness.Nginx(self.www, UPSTREAM_PORT) as nginx, CuttingRelay(PORT, UPSTREAM_PORT) as relay:
            etag = self.break_first_run(relay, new, old)
            self.assertTrue(etag)
            first = len(relay.requests())
            rc = self.app.run()
            second = relay.requests()[first:]
            with open(os.path.join(nginx.dir, "access.log")) as f:
                access = f.read().splitlines()
        self.assert_run_ended(rc)
        gets = [e for e in second if e["method"] == "GET" and e["path"] == "/files/" + BIG]
        self.assertEqual(len(gets), 1)
        # Only the rest is asked for, under the validator of the first answer.
        self.assertEqual(gets[0]["range"], "bytes=%d-" % CUT_AFTER)
        self.assertEqual(gets[0]["if_range"], etag)
        self.assertEqual(gets[0]["status"], 206)
        rest = BIG_SIZE - CUT_AFTER
        self.assertEqual(gets[0]["body"], rest)
        # On the wire: the rest and one answer head.
        self.assertLess(gets[0]["bytes"], rest + 1024)
        # nginx agrees: its last answer for the file was a 206 of exactly the rest.
        last = [line for line in access if '"GET /files/%s ' % BIG in line][-1]
        self.assertIn('" 206 %d ' % rest, last)
        self.assert_installed(new)

    def test_file_changed_on_the_server_is_fetched_whole(self):
        # Same bytes, new modification time: nginx's ETag changes, so it
        # answers the range request with the whole file (If-Range).
        old = {BIG: b"old big"}
        new = {BIG: os.urandom(BIG_SIZE)}
        self.publish(new)
        self.install_locally(old)
        with harness.Nginx(self.www, UPSTREAM_PORT), CuttingRelay(PORT, UPSTREAM_PORT) as relay:
            etag = self.break_first_run(relay, new, old)
            served = os.path.join(self.www, "files", BIG)
            stat = os.stat(served)
            os.utime(served, (stat.st_atime, stat.st_mtime + 100))
            first = len(relay.requests())
            rc = self.app.run()
            second = relay.requests()[first:]
        self.assert_run_ended(rc)
        gets = [e for e in second if e["method"] == "GET" and e["path"] == "/files/" + BIG]
        self.assertEqual(len(gets), 1)
        self.assertEqual(gets[0]["range"], "bytes=%d-" % CUT_AFTER)
        self.assertEqual(gets[0]["if_range"], etag)
        self.assertEqual(gets[0]["status"], 200)
        self.assertNotEqual(gets[0]["etag"], etag)
        self.assertEqual(gets[0]["body"], BIG_SIZE)
        self.assert_installed(new)


if __name__ == "__main__":
    unittest.main()
