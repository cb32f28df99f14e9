#!/usr/bin/env python3
"""HTTPS benchmarks against nginx with TLS on 127.0.0.1, side by side with curl:
1. a 512 MiB GET: curl natively against the Windows build's client under Wine
   (SChannel), and the native client (OpenSSL) for reference; goal >= 0.7x curl;
2. an update of 1,000 small changed files over HTTPS (native update run) against
   curl fetching the same URLs, a new connection each; goal <= 1.5x curl's time.
The test CA is made with openssl and trusted only by these runs (curl --cacert,
SSL_CERT_FILE for the native client, the bench's own Wine prefix through trust_ca).
Also counts the TLS handshakes that resumed a session, from nginx's log.

    bench/https/run_https_bench.py [--runs N] [--size-mib M] [--no-wine]
"""
import argparse
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

repo = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(repo, "tests", "e2e"))
import harness  # noqa: E402

ap = argparse.ArgumentParser()
ap.add_argument("--runs", type=int, default=3)
ap.add_argument("--size-mib", type=int, default=512)
ap.add_argument("--no-wine", action="store_true")
args = ap.parse_args()


def build(preset, build_dir, targets, extra=()):
    subprocess.run(["cmake", "--preset", preset, "-B", build_dir, *extra], cwd=repo, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j2", "--target", *targets], cwd=repo, check=True,
                   stdout=subprocess.DEVNULL)


native = os.path.join(repo, "build", "native-release")
build("native-release", native, ["http_bench", "update_bench"])
win = os.path.join(repo, "build", "https-bench-win64")
if not args.no_wine:
    build("win64", win, ["http_bench", "trust_ca"], ["-DBUILD_TESTING=ON"])

pki = os.path.join(repo, "build", "https-bench-pki")
subprocess.run(["bash", os.path.join(repo, "tests", "support", "make_test_pki.sh"), pki], check=True)
ca = os.path.join(pki, "ca.pem")

with socket.socket() as probe:
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
base = "https://localhost:%d" % port
work = tempfile.mkdtemp(prefix="https-bench-", dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
nginx = None


def best(values):
    return max(values)


def timed(cmd, **kw):
    t0 = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, **kw)
    return time.perf_counter() - t0


def resumed_since(mark):
    """(handshakes, resumed) of the requests logged after line `mark`."""
    with open(os.path.join(work, "access.log")) as f:
        lines = f.readlines()[mark:]
    reused = sum(1 for line in lines if line.rstrip().endswith(" r"))
    return len(lines), reused


def log_lines():
    try:
        with open(os.path.join(work, "access.log")) as f:
            return len(f.readlines())
    except FileNotFoundError:
        return 0


try:
    www = os.path.join(work, "www")
    small = {"f%04d.dat" % i: os.urandom(1024 + (i * 37) % 7000) for i in range(1000)}
    harness.write_release(os.path.join(www, "small"), small)
    harness.write_release(www, {"small.txt": harness.manifest_text(base + "/small", small)})
    with open(os.path.join(www, "big.bin"), "wb") as f:
        for _ in range(args.size_mib):
            f.write(os.urandom(1 << 20))
    os.makedirs(os.path.join(work, "tmp"))
    user = "user root;\n" if os.geteuid() == 0 else ""
    with open(os.path.join(work, "nginx.conf"), "w") as f:
        f.write(user + """worker_processes 1;
pid %(w)s/nginx.pid;
error_log %(w)s/error.log;
events { worker_connections 64; }
http {
    log_format tls '$request_uri $ssl_protocol $ssl_session_reused';
    access_log %(w)s/access.log tls;
    client_body_temp_path %(w)s/tmp/body;
    proxy_temp_path %(w)s/tmp/proxy;
    fastcgi_temp_path %(w)s/tmp/fastcgi;
    uwsgi_temp_path %(w)s/tmp/uwsgi;
    scgi_temp_path %(w)s/tmp/scgi;
    default_type application/octet-stream;
    types { text/plain txt; }
    sendfile on;
    ssl_protocols TLSv1.2 TLSv1.3;
    ssl_session_cache shared:bench:10m;
    server {
        listen 127.0.0.1:%(port)d ssl;
        ssl_certificate %(pki)s/server.pem;
        ssl_certificate_key %(pki)s/key.pem;
        root %(www)s;
    }
}
""" % {"w": work, "port": port, "pki": pki, "www": www})
    nginx = subprocess.Popen(harness._dies_with_us("TERM", ["nginx", "-p", work, "-c", os.path.join(work, "nginx.conf"),
                                                            "-g", "daemon off;"]), stderr=subprocess.DEVNULL)
    harness.wait_port(port)
    big = os.path.join(www, "big.bin")
    subprocess.run(["cat", big], stdout=subprocess.DEVNULL, check=True)  # into the page cache

    # 1. One large GET.
    curl_rates = []
    for _ in range(args.runs):
        out = subprocess.run(["curl", "-s", "--cacert", ca, "-o", os.path.join(work, "curl.out"), "-w",
                              "%{size_download} %{time_total}", base + "/big.bin"],
                             check=True, capture_output=True, text=True).stdout.split()
        curl_rates.append(float(out[0]) / float(out[1]) / (1 << 20))
    subprocess.run(["cmp", os.path.join(work, "curl.out"), big], check=True)
    os.remove(os.path.join(work, "curl.out"))

    def client_rates(cmd, env=None):
        out = subprocess.run(cmd, check=True, capture_output=True, text=True, env=env).stdout
        return [float(x) for x in re.findall(r"mib_per_s=([0-9.]+)", out)]

    native_env = dict(os.environ, SSL_CERT_FILE=ca)
    native_rates = client_rates([os.path.join(native, "bench", "http", "http_bench"), base + "/big.bin",
                                 os.path.join(work, "ours.out"), str(args.runs)], native_env)
    subprocess.run(["cmp", os.path.join(work, "ours.out"), big], check=True)
    os.remove(os.path.join(work, "ours.out"))
    print("file: %d MiB over HTTPS, runs: %d (best of each)" % (args.size_mib, args.runs))
    print("curl:                  %s MiB/s -> %.1f" % (" ".join("%.1f" % r for r in curl_rates), best(curl_rates)))
    print("THttpClient (native):  %s MiB/s -> %.1f" % (" ".join("%.1f" % r for r in native_rates),
                                                     best(native_rates)))
    if not args.no_wine:
        prefix = os.path.join(win, "wineprefix")
        wine_run = os.path.join(repo, "scripts", "wine-run")
        subprocess.run([wine_run, "--prefix", prefix, os.path.join(win, "tests", "e2e", "trust_ca.exe"),
                        harness.windows_path(ca)], check=True, stdout=subprocess.DEVNULL)
        wine_rates = client_rates([wine_run, "--prefix", prefix, os.path.join(win, "bench", "http", "http_bench.exe"),
                                   base + "/big.bin", harness.windows_path(os.path.join(work, "wine.out")),
                                   str(args.runs)])
        subprocess.run(["cmp", os.path.join(work, "wine.out"), big], check=True)
        os.remove(os.path.join(work, "wine.out"))
        print("THttpClient (Wine):    %s MiB/s -> %.1f" % (" ".join("%.1f" % r for r in wine_rates),
                                                         best(wine_rates)))
        print("ratio Wine client/curl: %.2f (goal >= 0.70)" % (best(wine_rates) / best(curl_rates)))
    print("ratio native client/curl: %.2f" % (best(native_rates) / best(curl_rates)))

    # 2. 1,000 small files, each on its own connection.
    update_exe = os.path.join(native, "bench", "update", "update_bench")

    def ours_update():
        app = os.path.join(work, "app")
        shutil.rmtree(app, ignore_errors=True)
        os.makedirs(app)
        out = subprocess.run([update_exe, "update", base + "/small.txt", app], check=True, capture_output=True,
                             text=True, env=native_env).stdout.split()
        assert out[1] == "1000" and out[2] == "1", out
        return float(out[0])

    def curl_update():
        dest = os.path.join(work, "curl")
        shutil.rmtree(dest, ignore_errors=True)
        os.makedirs(dest)
        cfg = os.path.join(work, "curl.cfg")
        with open(cfg, "w") as f:
            for rel in small:
                f.write('url = "%s/small/%s"\noutput = "%s/%s"\n' % (base, rel, dest, rel))
        return timed(["curl", "-s", "--cacert", ca, "-H", "Connection: close", "-K", cfg])

    mark = log_lines()
    u_ours = min(ours_update() for _ in range(args.runs))
    handshakes, reused = resumed_since(mark)
    u_curl = min(curl_update() for _ in range(args.runs))
    print("update of 1,000 small files over HTTPS: ours %.3f s, curl %.3f s, ratio %.2f (goal <= 1.5)"
          % (u_ours, u_curl, u_ours / u_curl))
    print("native client: %d requests, %d on a resumed TLS session" % (handshakes, reused))
finally:
    if nginx:
        nginx.terminate()
        nginx.wait(10)
    shutil.rmtree(work, ignore_errors=True)
