"""updater.exe under Wine fetching over HTTPS from nginx on 127.0.0.1.

A test CA is made with openssl when the tests start (tests/support/make_test_pki.sh)
and trusted in the end-to-end Wine prefix only, by trust_ca.exe. nginx serves
plain http on E2E_PORT (the updater's built-in server) and https on
E2E_TLS_PORT with the certificate a case chooses. Run by CTest, one entry per
test method.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from e2e_case import UpdaterCase  # noqa: E402

ENV = os.environ
PORT = int(ENV.get("E2E_PORT", "0"))
TLS_PORT = int(ENV.get("E2E_TLS_PORT", "0"))
HTTP_BASE = "http://127.0.0.1:%d" % PORT
HTTPS_BASE = "https://localhost:%d" % TLS_PORT
# The access log records the scheme and whether the TLS session was resumed.
LOG_FORMAT = '$scheme "$request" $status reused=$ssl_session_reused'
LOG_PATTERN = r'^(\w+) "(\w+) (\S+) HTTP[^"]*" (\d+) reused=(\S*)'


class TlsNginx(harness.Nginx):
    """nginx with an http server on PORT and an https one on TLS_PORT, both
    serving root; requests() gives (scheme, method, path, status, resumed)."""

    def __init__(self, root, cert, key, redirect_http=(), redirect_https=()):
        super().__init__(root, PORT, log_format=LOG_FORMAT, tls=harness.NginxTls(TLS_PORT, cert, key),
                         rewrites=redirect_http, tls_rewrites=redirect_https)

    def requests(self):
        return [(scheme, method, path, int(status), reused == "r")
                for scheme, method, path, status, reused in super().requests(LOG_PATTERN)]


class Tls(UpdaterCase):
    @classmethod
    def setUpClass(cls):
        cls.pki = harness.make_test_pki(ENV["E2E_WORK"])
        harness.trust_test_ca(ENV["WINE_RUN"], ENV["WINE_PREFIX"], ENV["TRUST_CA_EXE"], os.path.join(cls.pki, "ca.pem"))

    def cert(self, name):
        return os.path.join(self.pki, name)

    OLD = {"a.dll": b"old a" * 100, "sub/b.dat": b"old b"}
    NEW = {"a.dll": b"new a" * 5000, "sub/b.dat": os.urandom(200000), "c.txt": b"brand new"}

    # --- accepted ------------------------------------------------------------------------------

    def test_valid_chain_installs(self):
        self.publish(self.NEW, file_base=HTTPS_BASE + "/files")
        self.install_locally(self.OLD)
        with TlsNginx(self.www, self.cert("server.pem"), self.cert("key.pem")) as nginx:
            rc = self.app.run()
            requests = nginx.requests()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(self.NEW)
        secure = [r for r in requests if r[0] == "https"]
        self.assertEqual(sorted((m, p) for _, m, p, _, _ in secure),
                         sorted([(m, "/files/" + rel) for rel in self.NEW for m in ("GET", "HEAD")]))
        self.assertTrue(all(status == 200 for _, _, _, status, _ in secure), secure)
        # Every request had its own connection (Disconnect after each); how many resumed a session.
        print("https requests: %d, resumed sessions: %d" % (len(secure), sum(1 for r in secure if r[4])))

    def test_http_to_https_redirect_installs(self):
        self.publish(self.NEW, file_base=HTTP_BASE + "/files")
        self.install_locally(self.OLD)
        # Everything asked over http is sent to https, manifest and files alike.
        with TlsNginx(self.www, self.cert("server.pem"), self.cert("key.pem"),
                      redirect_http=[("^(/.*)$", HTTPS_BASE)]) as nginx:
            rc = self.app.run()
            requests = nginx.requests()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(self.NEW)
        plain = [(m, p, s) for scheme, m, p, s, _ in requests if scheme == "http"]
        secure = [(m, p, s) for scheme, m, p, s, _ in requests if scheme == "https"]
        self.assertIn(("GET", harness.MANIFEST_PATH, 301), plain)
        self.assertIn(("GET", harness.MANIFEST_PATH, 200), secure)
        for rel in self.NEW:
            self.assertIn(("GET", "/files/" + rel, 200), secure)
        self.assertTrue(all(s == 301 for _, _, s in plain), plain)

    # --- refused -------------------------------------------------------------------------------

    def refused(self, cert, reason):
        """Files listed over https behind a certificate that must be refused:
        nothing is downloaded, nothing changes, the main program starts and
        the reason is in the debug output."""
        self.publish(self.NEW, file_base=HTTPS_BASE + "/files")
        self.install_locally(self.OLD)
        with TlsNginx(self.www, self.cert(cert), self.cert("key.pem")) as nginx:
            rc = self.app.run()
            requests = nginx.requests()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(self.OLD)
        self.assertFalse(os.path.exists(self.app.path("c.txt")))
        # A staging file may have been opened for the download; no byte reached it.
        staged = [os.path.join(d, f) for d, _, files in os.walk(self.app.path("update")) for f in files]
        self.assertEqual([p for p in staged if os.path.getsize(p) > 0], [], "something was downloaded")
        self.assertEqual([r for r in requests if r[0] == "https"], [], "a request got through TLS")
        self.assertTrue(any(reason in line for line in self.app.lines),
                        "no %r in the debug output:\n%s" % (reason, "\n".join(self.app.lines[-30:])))

    def test_wrong_host_name_refused(self):
        self.refused("wrongname.pem", "certificate name mismatch")

    def test_expired_certificate_refused(self):
        self.refused("expired.pem", "certificate expired")

    def test_untrusted_ca_refused(self):
        self.refused("untrusted.pem", "certificate chain not trusted")

    def test_self_signed_refused(self):
        self.refused("selfsigned.pem", "certificate chain not trusted")

    def test_https_to_http_redirect_refused(self):
        self.publish(self.NEW, file_base=HTTPS_BASE + "/files")
        self.install_locally(self.OLD)
        with TlsNginx(self.www, self.cert("server.pem"), self.cert("key.pem"),
                      redirect_https=[("^(/files/.*)$", HTTP_BASE)]) as nginx:
            rc = self.app.run()
            requests = nginx.requests()
        self.assert_ends_with_main_started(rc)
        self.assert_digests(self.OLD)
        self.assertFalse(os.path.exists(self.app.path("c.txt")))
        # The manifest came over http; no file was asked for over http after a redirect.
        plain_files = [r for r in requests if r[0] == "http" and r[2].startswith("/files/")]
        self.assertEqual(plain_files, [])
        self.assertTrue(any(r[0] == "https" and r[3] == 301 for r in requests), requests)


if __name__ == "__main__":
    unittest.main()
