"""updater.exe under Wine through tinyproxy on 127.0.0.1, the proxy set in
the user's Internet Settings of the test's Wine prefix.

Run by CTest with the paths in the environment (see CMakeLists.txt). The
prefix is these tests' own: a proxy left set in it by a test that was killed
cannot reach any other test.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402
from harness import md5, md5_file  # noqa: E402

ENV = os.environ
PORT = int(ENV.get("E2E_PORT", "0"))
PROXY_PORT = int(ENV.get("E2E_PROXY_PORT", "0"))
TLS_PORT = int(ENV.get("E2E_TLS_PORT", "0"))
BASE = "http://127.0.0.1:%d" % PORT
# A name, as the test certificate carries it; one without a dot, which the
# usual "<local>" bypass entry would send around the proxy.
HTTPS_BASE = "https://localhost:%d" % TLS_PORT

FAILED = "获取更新信息失败！"
CONNECTIONS_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections"


def connection_settings(proxy, bypass):
    """The DefaultConnectionSettings value as Windows stores it: version,
    change counter, flags (direct + manual proxy), the proxy, the bypass list
    and an empty auto-configuration URL, each with its length."""
    def counted(text):
        data = text.encode("ascii")
        return struct.pack("<I", len(data)) + data
    return (struct.pack("<III", 0x46, 1, 0x01 | 0x02) + counted(proxy) + counted(bypass) + counted("")
            + b"\0" * 32)


class Tinyproxy:
    """tinyproxy on 127.0.0.1:port in the foreground, with its own log, and
    Basic authentication when given a user and password."""

    def __init__(self, port, user=None, password=None):
        self.port, self.user, self.password = port, user, password
        self.dir = tempfile.mkdtemp(prefix="tinyproxy-")
        self.log = os.path.join(self.dir, "tinyproxy.log")
        self.proc = None

    def __enter__(self):
        conf = os.path.join(self.dir, "tinyproxy.conf")
        with open(conf, "w") as f:
            f.write('Port %d\nListen 127.0.0.1\nTimeout 60\nMaxClients 32\nLogLevel Info\n'
                    'LogFile "%s"\nPidFile "%s"\n' % (self.port, self.log, os.path.join(self.dir, "pid")))
            if self.user:
                f.write("BasicAuth %s %s\n" % (self.user, self.password))
        self.proc = subprocess.Popen(harness._dies_with_us("TERM", ["tinyproxy", "-d", "-c", conf]),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        harness.wait_port(self.port)
        if self.proc.poll() is not None:
            raise RuntimeError("tinyproxy could not listen on port %d" % self.port)
        return self

    def requests(self):
        """(method, target) of every request the proxy received."""
        try:
            with open(self.log, encoding="latin-1") as f:
                return re.findall(r"Request \(file descriptor \d+\): (\S+) (\S+) HTTP", f.read())
        except FileNotFoundError:
            return []

    def __exit__(self, *exc):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


class Proxy(UpdaterCase):
    def setUp(self):
        super().setUp()
        self.old = {"a.dll": b"old a" * 100, "same.txt": b"same"}
        self.new = {"a.dll": b"new a" * 3000, "same.txt": b"same", "sub/new.dat": os.urandom(70000)}
        self.publish(self.new)
        self.install_locally(self.old)

    def tearDown(self):
        for updater in self.updaters:
            updater.stop()
        # Back to no proxy, so a later run of this prefix starts as a new one would.
        self.reg("delete", CONNECTIONS_KEY, "/v", "DefaultConnectionSettings", "/f")
        super().tearDown()

    def reg(self, *args):
        rc, out = harness.run_wine(ENV["WINE_RUN"], ENV["WINE_PREFIX"], ["reg", *args], timeout=120)
        return rc, out

    def set_proxy(self, proxy, bypass="<local>;*.example.invalid"):
        rc, out = self.reg("add", CONNECTIONS_KEY, "/v", "DefaultConnectionSettings", "/t", "REG_BINARY",
                           "/d", connection_settings(proxy, bypass).hex(), "/f")
        self.assertEqual(rc, 0, out)

    def assert_updated_through(self, proxy, nginx):
        rc = self.app.run()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(self.new)
        # Every request reached the server through the proxy, in the absolute form.
        through = proxy.requests()
        served = nginx.requests()
        self.assertTrue(served)
        for method, path in served:
            self.assertIn((method, BASE + path), through)
        gets = {target for method, target in through if method == "GET"}
        self.assertIn(BASE + harness.MANIFEST_PATH, gets)
        self.assertIn(BASE + "/files/a.dll", gets)
        self.assertIn(BASE + "/files/sub/new.dat", gets)

    def test_update_through_a_proxy_without_authentication(self):
        self.set_proxy("127.0.0.1:%d" % PROXY_PORT)
        with harness.Nginx(self.www, PORT) as nginx, Tinyproxy(PROXY_PORT) as proxy:
            self.assert_updated_through(proxy, nginx)

    def test_update_through_a_proxy_with_basic_authentication(self):
        self.set_proxy("user:s3cret@127.0.0.1:%d" % PROXY_PORT)
        with harness.Nginx(self.www, PORT) as nginx, Tinyproxy(PROXY_PORT, "user", "s3cret") as proxy:
            self.assert_updated_through(proxy, nginx)

    def test_update_over_https_through_the_proxys_connect_tunnel(self):
        pki = harness.make_test_pki(ENV["E2E_WORK"])
        harness.trust_test_ca(ENV["WINE_RUN"], ENV["WINE_PREFIX"], ENV["TRUST_CA_EXE"], os.path.join(pki, "ca.pem"))
        # The manifest comes over http (the build's server), the files it lists over https.
        harness.write_release(self.www, {harness.MANIFEST_PATH.lstrip("/"):
                                         harness.manifest_text(HTTPS_BASE + "/files", self.new)})
        self.set_proxy("user:s3cret@127.0.0.1:%d" % PROXY_PORT, bypass="*.example.invalid")
        tls = harness.NginxTls(TLS_PORT, os.path.join(pki, "server.pem"), os.path.join(pki, "key.pem"))
        with harness.Nginx(self.www, PORT, log_format='$scheme "$request" $status', tls=tls) as nginx, \
                Tinyproxy(PROXY_PORT, "user", "s3cret") as proxy:
            rc = self.app.run()
            served = nginx.requests(r'^(\w+) "(\w+) (\S+) HTTP[^"]*" (\d+)')
            through = proxy.requests()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(self.new)
        changed = [rel for rel in self.new if self.old.get(rel) != self.new[rel]]
        # nginx served every changed file over https, and only the manifest over http.
        secure = [(method, path) for scheme, method, path, status in served if scheme == "https" and status == "200"]
        for rel in changed:
            self.assertIn(("GET", "/files/" + rel), secure)
        self.assertEqual([(m, p) for scheme, m, p, _ in served if scheme == "http"], [("GET", harness.MANIFEST_PATH)])
        # tinyproxy carried all of it: the manifest in the absolute form, the
        # files through tunnels it opened to the https server (once refused
        # without credentials, then with them).
        self.assertIn(("GET", BASE + harness.MANIFEST_PATH), through)
        tunnels = [target for method, target in through if method == "CONNECT"]
        self.assertTrue(tunnels, through)
        self.assertEqual(set(tunnels), {"localhost:%d" % TLS_PORT})
        self.assertGreaterEqual(len(tunnels), len(secure))

    def test_wrong_proxy_password_fails_like_a_network_error(self):
        self.set_proxy("user:wrong@127.0.0.1:%d" % PROXY_PORT)
        with harness.Nginx(self.www, PORT) as nginx, Tinyproxy(PROXY_PORT, "user", "s3cret") as proxy:
            rc = self.app.run()
            served = nginx.requests()
            through = proxy.requests()
        self.assertEqual(rc, 0, "\n".join(self.app.lines[-20:]))
        self.assertTrue(self.app.main_started(), "main program was not started")
        self.assertIn(FAILED, self.app.statuses)
        self.assertEqual(served, [])
        # Asked once, answered once with the wrong password, then given up.
        self.assertEqual(through, [("GET", BASE + harness.MANIFEST_PATH)] * 2)
        for rel, data in self.old.items():
            self.assertEqual(md5_file(self.app.path(rel)), md5(data), rel)
        self.assertFalse(os.path.exists(self.app.path("sub/new.dat")))


if __name__ == "__main__":
    unittest.main()
