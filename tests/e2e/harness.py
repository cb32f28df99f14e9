"""Servers and an updater runner for the end-to-end tests and the demo.

Everything listens on 127.0.0.1 only. The updater runs under Wine through
scripts/wine-run; the status texts it shows are read from its debug output
(OutputDebugString, which Wine prints on the "seh" warning channel).

Nothing a test starts outlives it, pass, fail or kill: every Windows program
of a test shares one virtual display (Wine's desktop lives on the display of
the program that started it first and vanishes with it, taking every window
of the prefix along), which end_wine stops; and every process started here
is made to die with this Python process, even when it is killed outright.
"""
import hashlib
import os
import re
import select
import shutil
import socket
import socketserver
import subprocess
import tempfile
import threading
import time

# MANIFEST_PATH stays harness.MANIFEST_PATH for the scripts that read it there.
from e2e_constants import HELPER_MS, MANIFEST_PATH, RUN_S, STATUS_S  # noqa: F401


def _dies_with_us(sig, argv):
    """argv, started so that the kernel sends it sig when this process ends,
    however it ends (setpriv --pdeathsig; no code runs between fork and exec,
    which threads would make unsafe). The signal follows the thread that
    starts the child: start them from the main thread."""
    return ["setpriv", "--pdeathsig", sig, *argv]


# The display started for the running test, or None when the environment gave one.
_display = None


def ensure_display():
    """Gives every Windows program of this test one virtual display: the one
    in DISPLAY if set (scripts/test sets one for the whole run), else an Xvfb
    started here, stopped by end_wine."""
    global _display
    if os.environ.get("DISPLAY"):
        return
    read_end, write_end = os.pipe()
    try:
        proc = subprocess.Popen(_dies_with_us("KILL", ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                                       "1024x768x24", "-nolisten", "tcp"]),
                                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        os.close(write_end)
    number = b""
    end = time.time() + 20
    while not number.endswith(b"\n") and time.time() < end:
        ready, _, _ = select.select([read_end], [], [], max(0.0, end - time.time()))
        if not ready:
            break
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip().isdigit():
        proc.kill()
        proc.wait(10)
        raise RuntimeError("Xvfb did not start")
    _display = proc
    os.environ["DISPLAY"] = ":" + number.strip().decode()


def stop_display():
    global _display
    if _display is None:
        return
    os.environ.pop("DISPLAY", None)
    _display.terminate()
    try:
        _display.wait(10)
    except subprocess.TimeoutExpired:
        _display.kill()
        _display.wait(10)
    _display = None


def start_wine(wine_run, prefix, args, **popen_args):
    """Starts a Windows program through the runner, on the test's display; if
    this process dies, the runner is told to end (TERM) and ends the program."""
    ensure_display()
    return subprocess.Popen(_dies_with_us("TERM", [wine_run, "--prefix", prefix, *args]), **popen_args)


def end_runner(proc):
    """Ends a runner started by start_wine: TERM, so it ends its program too, then KILL."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(20)
        except subprocess.TimeoutExpired:
            proc.kill()
    proc.wait(30)


def md5(data):
    return hashlib.md5(data).hexdigest()


def md5_file(path):
    with open(path, "rb") as f:
        return md5(f.read())


def wait_port(port, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("nothing listens on port %d" % port)


def write_release(root, files):
    """files: {relative path with '/': bytes}. Written under root."""
    for rel, data in files.items():
        path = os.path.join(root, *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def manifest_text(base_url, files, order=None):
    """The manifest for files {rel: bytes}: url, backslash path, md5; CR LF."""
    from urllib.parse import quote
    lines = ["# test release"]
    for rel in order or sorted(files):
        lines.append("%s/%s %s %s" % (base_url, quote(rel), rel.replace("/", "\\"), md5(files[rel])))
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


class NginxTls:
    """The https side of an Nginx: a second server on port with this
    certificate (chain) and key, TLS 1.2 or newer, sessions resumable."""

    def __init__(self, port, cert, key):
        self.port, self.cert, self.key = port, os.path.abspath(cert), os.path.abspath(key)


# In the default access log (nginx's "combined", which tests read line by
# line too): the method and path of a request.
_NGINX_REQUEST = r'"(\w+) (\S+) HTTP'


class Nginx:
    """nginx serving a directory on 127.0.0.1:port, in a private prefix, and
    on tls.port over https when tls (an NginxTls) is given.

    log_format: the access log's format (nginx variables) instead of nginx's
    "combined"; requests() reads it back with a pattern of the caller's.
    rewrites / tls_rewrites: (regex, target prefix) pairs answered with 301
    to the prefix followed by the regex's first group, on the http / https
    server."""

    def __init__(self, root, port, rate=None, log_format=None, tls=None, rewrites=(), tls_rewrites=()):
        self.root, self.port = os.path.abspath(root), port
        self.rate = "limit_rate %s;" % rate if rate else ""
        self.log_format, self.tls = log_format, tls
        self.rewrites, self.tls_rewrites = rewrites, tls_rewrites
        self.dir = tempfile.mkdtemp(prefix="nginx-")
        self.proc = None

    @staticmethod
    def _rewrites(pairs):
        return "".join("        rewrite %s %s$1 permanent;\n" % (pattern, target) for pattern, target in pairs)

    def _tls_server(self):
        if not self.tls:
            return ""
        return """    ssl_protocols TLSv1.2 TLSv1.3;
    ssl_session_cache shared:tls:1m;
    server {
        listen 127.0.0.1:%(port)d ssl;
        ssl_certificate %(cert)s;
        ssl_certificate_key %(key)s;
        root %(root)s;
        %(rate)s
%(rewrites)s    }
""" % {"port": self.tls.port, "cert": self.tls.cert, "key": self.tls.key, "root": self.root, "rate": self.rate,
       "rewrites": self._rewrites(self.tls_rewrites)}

    def __enter__(self):
        user = "user root;\n" if os.geteuid() == 0 else ""
        conf = os.path.join(self.dir, "nginx.conf")
        access_log = "access_log %s/access.log;" % self.dir
        if self.log_format:
            # The format is written between single quotes: one in it would end it early.
            assert "'" not in self.log_format
            access_log = "log_format e2e '%s';\n    access_log %s/access.log e2e;" % (self.log_format, self.dir)
        with open(conf, "w") as f:
            f.write(user + """worker_processes 1;
error_log %(d)s/error.log;
pid %(d)s/nginx.pid;
events { worker_connections 256; }
http {
    %(access_log)s
    client_body_temp_path %(d)s/body;
    proxy_temp_path %(d)s/proxy;
    fastcgi_temp_path %(d)s/fastcgi;
    uwsgi_temp_path %(d)s/uwsgi;
    scgi_temp_path %(d)s/scgi;
    types { text/plain txt; }
    default_type application/octet-stream;
    sendfile on;
    server {
        listen 127.0.0.1:%(port)d;
        root %(root)s;
        %(rate)s
%(rewrites)s    }
%(tls_server)s}
""" % {"d": self.dir, "port": self.port, "root": self.root, "rate": self.rate, "access_log": access_log,
                "rewrites": self._rewrites(self.rewrites), "tls_server": self._tls_server()})
        self.proc = subprocess.Popen(_dies_with_us("TERM", ["nginx", "-p", self.dir, "-c", conf, "-g", "daemon off;"]),
                                     stderr=subprocess.DEVNULL)
        ports = [self.port] + ([self.tls.port] if self.tls else [])
        # nginx writes its pid file only once every port is bound. A port
        # held by something else would answer wait_port all the same, while
        # nginx retries its bind for seconds before it gives up: the updater
        # would talk to the stranger.
        pid_file = os.path.join(self.dir, "nginx.pid")
        end = time.time() + 20
        while not (os.path.exists(pid_file) and os.path.getsize(pid_file) > 0):
            if self.proc.poll() is not None or time.time() > end:
                self.__exit__()
                raise RuntimeError("nginx could not listen on port(s) %s" % ports)
            time.sleep(0.05)
        for port in ports:
            wait_port(port)
        return self

    def requests(self, pattern=_NGINX_REQUEST):
        """The groups of pattern (a regex searched in each access log line)
        for every request served so far; by default (method, path)."""
        out = []
        try:
            with open(os.path.join(self.dir, "access.log")) as f:
                for line in f:
                    m = re.search(pattern, line)
                    if m:
                        out.append(m.groups())
        except FileNotFoundError:
            pass
        return out

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


def make_test_pki(work):
    """A throw-away test PKI under work/pki (tests/support/make_test_pki.sh
    names its files); made once, kept while work lives. Returns its folder."""
    pki = os.path.join(work, "pki")
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "make_test_pki.sh")
    subprocess.run(["bash", script, pki], check=True, timeout=300)
    return pki


def trust_test_ca(wine_run, prefix, trust_ca_exe, ca_pem):
    """Adds the test CA to the Root store of this Wine prefix only, with
    trust_ca.exe, once per CA: a marker beside the prefix's own files lives
    and dies with the prefix."""
    with open(ca_pem, "rb") as f:
        marker = os.path.join(prefix, ".trusted-test-ca-" + md5(f.read()))
    if os.path.exists(marker):
        return
    ensure_display()
    rc, out = run_wine(wine_run, prefix, [trust_ca_exe, windows_path(ca_pem)])
    end_wine(prefix)
    if rc != 0:
        raise RuntimeError("trust_ca failed: %r %s" % (rc, out))
    open(marker, "w").close()


class FaultServer(socketserver.ThreadingTCPServer):
    """A scripted HTTP server. routes: {path: callable(handler, method)} where the
    callable writes the whole response itself; unknown paths get 404."""

    allow_reuse_address = True
    daemon_threads = True

    def __init__(self, port, routes):
        self.routes = routes
        self.log = []
        self.lock = threading.Lock()
        self.events = {}
        super().__init__(("127.0.0.1", port), _FaultHandler)

    def __enter__(self):
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.shutdown()
        self.server_close()

    def event(self, name):
        with self.lock:
            return self.events.setdefault(name, threading.Event())


class _FaultHandler(socketserver.StreamRequestHandler):
    def handle(self):
        while True:
            line = self.rfile.readline(65536)
            if not line:
                return
            parts = line.decode("latin-1").split()
            if len(parts) < 2:
                return
            method, path = parts[0], parts[1]
            while self.rfile.readline(65536) not in (b"\r\n", b"\n", b""):
                pass
            with self.server.lock:
                self.server.log.append((method, path))
            route = self.server.routes.get(path)
            try:
                if route is None:
                    send(self, 404, b"not found", method)
                else:
                    route(self, method)
            except (BrokenPipeError, ConnectionResetError):
                return
            if getattr(self, "closed_by_route", False):
                return


def send(handler, status, body, method, extra=""):
    reason = {200: "OK", 404: "Not Found", 500: "Internal Server Error"}.get(status, "Status")
    head = "HTTP/1.1 %d %s\r\nContent-Length: %d\r\n%s\r\n" % (status, reason, len(body), extra)
    handler.wfile.write(head.encode("latin-1"))
    if method != "HEAD":
        handler.wfile.write(body)
    handler.wfile.flush()


def _unescape_wine(text):
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x" and i + 3 < len(text) + 1:
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            out += {"n": b"\n", "r": b"\r", "t": b"\t", "\\": b"\\", '"': b'"'}.get(n, n.encode())
            i += 2
            continue
        out += c.encode("latin-1", "replace")
        i += 1
    return out.decode("gbk", "replace")


def kill_wine_process(*words):
    """SIGKILL to every Wine process whose command line holds all of words
    (not the runner script); returns how many there were. Name a process by
    something unique to one test, such as the full path of its program."""
    killed = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit() or int(pid) == os.getpid():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmd = f.read().replace(b"\0", b" ").decode("utf-8", "replace")
        except OSError:
            continue
        if all(w in cmd for w in words) and "wine-run" not in cmd:
            try:
                os.kill(int(pid), 9)
                killed += 1
            except OSError:
                pass
    return killed


def windows_path(path):
    """The path as a Windows program under Wine sees it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def end_wine(prefix, wine_run=None):
    """Ends every process of the Wine prefix and its wineserver, then the
    test's display, so nothing a test started outlives it."""
    server = "/usr/lib/wine/wineserver"
    if not os.access(server, os.X_OK):
        server = shutil.which("wineserver") or server
    try:
        subprocess.run([server, "-k"], env=dict(os.environ, WINEPREFIX=prefix), timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except (subprocess.SubprocessError, OSError):
        pass
    stop_display()


def run_wine(wine_run, prefix, args, timeout=120):
    """Runs a Windows program to its end; returns (exit code, stdout as text).
    Its output goes through a file: Wine's own processes inherit a pipe and
    may hold it open long after the program is gone."""
    with tempfile.TemporaryFile() as out:
        proc = start_wine(wine_run, prefix, args, stdout=out, stderr=subprocess.DEVNULL)
        try:
            rc = proc.wait(timeout)
        except subprocess.TimeoutExpired:
            end_runner(proc)
            rc = None
        out.seek(0)
        # Windows programs write text with CR LF.
        return rc, out.read().decode("utf-8", "replace").replace("\r\n", "\n")


class Updater:
    """One copy of updater.exe and the stand-in main program in an application directory."""

    def __init__(self, app_dir, updater_exe, main_exe, wine_run, prefix):
        self.app_dir, self.wine_run, self.prefix = app_dir, wine_run, prefix
        os.makedirs(app_dir, exist_ok=True)
        shutil.copy(updater_exe, os.path.join(app_dir, "updater.exe"))
        shutil.copy(main_exe, os.path.join(app_dir, "Talvoria Pemrick.exe"))
        self.proc = None
        self.statuses = []
        self.lines = []

    def path(self, rel):
        return os.path.join(self.app_dir, *rel.replace("\\", "/").split("/"))

    def start(self):
        ensure_display()
        env = dict(os.environ, WINEDEBUG="-all,warn+seh")
        self.statuses, self.lines = [], []
        self.proc = start_wine(self.wine_run, self.prefix, [self.path("updater.exe")], cwd=self.app_dir, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in self.proc.stderr:
            line = raw.decode("latin-1", "replace").rstrip("\n")
            m = re.search(r'OutputDebugStringA "updater: status: (.*)\\n"', line)
            if m:
                self.statuses.append(_unescape_wine(m.group(1)))
            else:
                self.lines.append(line)

    def wait_status(self, text, timeout=STATUS_S):
        end = time.time() + timeout
        while time.time() < end:
            if any(text in s for s in self.statuses):
                return True
            if self.proc.poll() is not None and not self.reader.is_alive():
                break
            time.sleep(0.01)
        return any(text in s for s in self.statuses)

    def wait(self, timeout=RUN_S):
        rc = self.proc.wait(timeout)
        # Wine's desktop process, started by the first window, inherits the
        # pipe and may hold it open for a while: read what the updater wrote,
        # then leave the reader to end with the pipe.
        self.reader.join(2)
        return rc

    def run(self, timeout=RUN_S):
        self.start()
        return self.wait(timeout)

    def kill(self):
        """Ends the updater's Wine process at once, as a crash or a power cut would."""
        # Wine shows the program either by its Unix or by its Windows path.
        return (kill_wine_process(self.path("updater.exe"))
                + kill_wine_process(windows_path(self.path("updater.exe"))))

    def stop(self):
        """Ends whatever is left of this updater, whether the test passed or not."""
        if self.proc is None:
            return
        self.kill()
        end_runner(self.proc)
        self.reader.join(5)

    def helper(self, helper_exe, command, timeout_ms):
        """Runs the test helper against this updater's window (found by the
        updater's process, never by title); returns (exit code, output)."""
        return run_wine(self.wine_run, self.prefix,
                        [helper_exe, command, windows_path(self.path("updater.exe")), str(timeout_ms)],
                        timeout=timeout_ms / 1000.0 + 60)

    def main_started(self, timeout=15.0):
        marker = self.path("main_started.txt")
        end = time.time() + timeout
        while time.time() < end:
            if os.path.exists(marker):
                return True
            time.sleep(0.1)
        return False


def screenshot(updater, helper_exe, png):
    """Saves the updater's window, as the X display shows it, to png. The window
    is found through the updater's process and its rectangle read from Windows."""
    rc, info = updater.helper(helper_exe, "window-info", HELPER_MS)
    m = re.search(r"^window (-?\d+) (-?\d+) (\d+) (\d+)$", info, re.M)
    if rc != 0 or not m:
        return False
    x, y, w, h = (int(v) for v in m.groups())
    crop = "%dx%d+%d+%d" % (w, h, max(x, 0), max(y, 0))
    try:
        # Plain 8-bit RGB, whatever the picture holds, so every reader takes it.
        subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", "PNG24:" + png], check=True, timeout=30)
        return True
    except (subprocess.SubprocessError, OSError):
        return False


def rss_kib(words):
    """Resident memory (KiB) of every process whose command line holds all of words."""
    total = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmd = f.read().replace(b"\0", b" ").decode("utf-8", "replace")
            if not all(w in cmd for w in words) or "wine-run" in cmd:
                continue
            with open("/proc/%s/status" % pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        total += int(line.split()[1])
        except (OSError, ValueError):
            continue
    return total
