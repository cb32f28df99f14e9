#!/usr/bin/env python3
"""Update-run benchmarks, side by side with reference tools (native build, nginx on 127.0.0.1):
1. an update of 1,000 small changed files against curl making the same sequence of requests
   (the manifest, a HEAD for each file, then a GET for each file), a new connection each; curl
   fetching only the files is shown too;
2. a check of a 10,000-file manifest whose files are all current against `md5sum -c`;
3. peak resident memory of a 512 MiB download above the idle process."""
import os
import shutil
import statistics
import socket
import subprocess
import sys
import tempfile
import time

repo = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(repo, "tests", "e2e"))
import harness  # noqa: E402

build = os.path.join(repo, "build", "native-release")
subprocess.run(["cmake", "--preset", "native-release"], cwd=repo, check=True, stdout=subprocess.DEVNULL)
subprocess.run(["cmake", "--build", build, "-j2", "--target", "update_bench"], check=True, stdout=subprocess.DEVNULL)
exe = os.path.join(build, "bench", "update", "update_bench")
# A free port, so runs by several people on one machine do not collide.
with socket.socket() as probe:
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
base = "http://127.0.0.1:%d" % port
# Files in memory (tmpfs) when available, so the figures show the run, not the disk.
work = tempfile.mkdtemp(prefix="update-bench-", dir=os.environ.get("BENCH_DIR") or ("/dev/shm" if os.path.isdir("/dev/shm") else None))


def turns(n, a, b, c):
    """Medians of n runs of a, b and c, taking turns so that load falls on each alike."""
    times = ([], [], [])
    for _ in range(n):
        for fn, out in zip((a, b, c), times):
            out.append(fn())
    return [statistics.median(t) for t in times]


def best(n, fn):
    return min(fn() for _ in range(n))


def timed(cmd, **kw):
    t0 = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, **kw)
    return time.perf_counter() - t0


try:
    www = os.path.join(work, "www")
    # 1. 1,000 small changed files.
    small = {"f%04d.dat" % i: os.urandom(1024 + (i * 37) % 7000) for i in range(1000)}
    harness.write_release(os.path.join(www, "small"), small)
    harness.write_release(www, {"small.txt": harness.manifest_text(base + "/small", small)})
    # 2. 10,000 current files.
    current = {"d%02d/c%05d.dat" % (i % 50, i): os.urandom(512 + (i * 13) % 3000) for i in range(10000)}
    check_dir = os.path.join(work, "check")
    harness.write_release(check_dir, current)
    harness.write_release(www, {"check.txt": harness.manifest_text(base + "/none", current)})
    with open(os.path.join(work, "check.md5"), "w") as f:
        for rel, data in sorted(current.items()):
            f.write("%s  %s\n" % (harness.md5(data), rel))
    # 3. One large file.
    with open(os.path.join(www, "big.bin"), "wb") as f:
        for _ in range(512):
            f.write(os.urandom(1 << 20))

    with harness.Nginx(www, port):
        def ours_update():
            app = os.path.join(work, "app")
            shutil.rmtree(app, ignore_errors=True)
            os.makedirs(app)
            out = subprocess.run([exe, "update", base + "/small.txt", app], check=True, capture_output=True,
                                 text=True).stdout.split()
            assert out[1] == "1000" and out[2] == "1", out
            return float(out[0])

        def curl_update(with_heads):
            dest = os.path.join(work, "curl")
            shutil.rmtree(dest, ignore_errors=True)
            os.makedirs(dest)
            cfg = os.path.join(work, "curl.cfg")
            # Every request its own connection, as the updater makes them; "next" starts a request's options afresh.
            request = 'next\nsilent\nheader = "Connection: close"\n'
            with open(cfg, "w") as f:
                if with_heads:
                    f.write(request + 'url = "%s/small.txt"\noutput = "/dev/null"\n' % base)
                    for rel in small:
                        f.write(request + 'head\nurl = "%s/small/%s"\noutput = "/dev/null"\n' % (base, rel))
                for rel in small:
                    f.write(request + 'url = "%s/small/%s"\noutput = "%s/%s"\n' % (base, rel, dest, rel))
            return timed(["curl", "-K", cfg])

        u_ours, u_curl, u_gets = turns(5, ours_update, lambda: curl_update(True), lambda: curl_update(False))
        print("update of 1,000 small files (medians of 5): ours %.3f s; curl, the same requests (manifest, "
              "1,000 HEAD, 1,000 GET) %.3f s, ratio %.2f (target <= 1.0); curl, the 1,000 GETs alone %.3f s, "
              "ratio %.2f" % (u_ours, u_curl, u_ours / u_curl, u_gets, u_ours / u_gets))

        def ours_check():
            out = subprocess.run([exe, "check", base + "/check.txt", check_dir], check=True, capture_output=True,
                                 text=True).stdout.split()
            assert out[1] == "0", out
            return float(out[0])

        c_ours = best(3, ours_check)
        c_md5 = best(3, lambda: timed(["md5sum", "-c", "--quiet", os.path.join(work, "check.md5")], cwd=check_dir))
        print("check of 10,000 current files: ours %.3f s, md5sum -c %.3f s, ratio %.2f (target <= 1.2)"
              % (c_ours, c_md5, c_ours / c_md5))

        out = subprocess.run([exe, "get", base + "/big.bin", os.path.join(work, "big.out")], check=True,
                             capture_output=True, text=True).stdout.split()
        idle, peak = int(out[1]), int(out[2])
        print("512 MiB download: idle %.1f MiB, peak %.1f MiB, above idle %.1f MiB (target < 16)"
              % (idle / 1024, peak / 1024, (peak - idle) / 1024))
finally:
    shutil.rmtree(work, ignore_errors=True)
