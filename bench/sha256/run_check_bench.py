#!/usr/bin/env python3
"""The check of current files (native build, nginx on 127.0.0.1), side by side
with the reference tools on the same files:
- MD5 only (a manifest without signature, an updater without keys) against `md5sum -c`;
- SHA-256 on (a signed manifest, the updater with its key) against `sha256sum -c`.

Two sets: 10,000 small files (goal: at most 0.6x each reference tool), and
100 files of 20 MB, warm and with the page cache dropped before every run
where this machine lets the benchmark drop it.

Each measure is the median (and the best) of several runs, ours and the
reference taking turns, so that load from other processes falls on both alike. Options:
  --exe PATH      time this update_bench instead of building one (an older build, say)
  --skip-large    only the 10,000 small files
Environment: BENCH_DIR for the small set (default /dev/shm), BENCH_COLD_DIR for
the large set (default the system's temporary folder: it must be on a disk for
a cold cache to mean anything)."""
import argparse
import hashlib
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

repo = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(repo, "tests", "e2e"))
import harness  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("--exe")
parser.add_argument("--skip-large", action="store_true")
parser.add_argument("--runs", type=int, default=7)
opts = parser.parse_args()

build = os.path.join(repo, "build", "native-release")
subprocess.run(["cmake", "--preset", "native-release"], cwd=repo, check=True, stdout=subprocess.DEVNULL)
subprocess.run(["cmake", "--build", build, "--target", "update_bench", "mkmanifest"], check=True,
               stdout=subprocess.DEVNULL)
exe = opts.exe or os.path.join(build, "bench", "update", "update_bench")
mkmanifest = os.path.join(build, "tools", "mkmanifest", "mkmanifest")
# A free port, so runs by several people on one machine do not collide.
with socket.socket() as probe:
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
base = "http://127.0.0.1:%d" % port
GOAL = 0.6


def timed(cmd, **kw):
    t0 = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, **kw)
    return time.perf_counter() - t0


def ours(*args):
    out = subprocess.run([exe, *args], check=True, capture_output=True, text=True).stdout.split()
    assert out[1] == "0", out  # every file current
    return float(out[0])


def turns(runs, before, a, b):
    """The times of runs of a and of b, taking turns; before() runs ahead of each."""
    times_a, times_b = [], []
    for _ in range(runs):
        before()
        times_a.append(a())
        before()
        times_b.append(b())
    return times_a, times_b


def figures(ours_times, theirs_times):
    m_ours, m_theirs = statistics.median(ours_times), statistics.median(theirs_times)
    b_ours, b_theirs = min(ours_times), min(theirs_times)
    return ("median ours %.3f s, %%s %.3f s, ratio %.2f; best %.3f s against %.3f s, ratio %.2f"
            % (m_ours, m_theirs, m_ours / m_theirs, b_ours, b_theirs, b_ours / b_theirs))


def prepare(work, files, www):
    """The release folder, a plain and a signed manifest, and the reference tools' lists."""
    check_dir = os.path.join(work, "check")
    harness.write_release(check_dir, files)
    harness.write_release(www, {"plain.txt": harness.manifest_text(base + "/none", files)})
    key = os.path.join(work, "key.pem")
    public = subprocess.run([mkmanifest, "keygen", key], check=True, capture_output=True, text=True).stdout.strip()
    subprocess.run([mkmanifest, "--sign", key, "-o", os.path.join(www, "signed.txt"), base + "/none", check_dir],
                   check=True)
    with open(os.path.join(work, "check.md5"), "w") as f5, open(os.path.join(work, "check.sha256"), "w") as f2:
        for rel, data in sorted(files.items()):
            f5.write("%s  %s\n" % (harness.md5(data), rel))
            f2.write("%s  %s\n" % (hashlib.sha256(data).hexdigest(), rel))
    return check_dir, public


def compare(label, check_dir, public, work, www, runs, before=lambda: None):
    plain, md5sum = turns(runs, before, lambda: ours("check", base + "/plain.txt", check_dir),
                          lambda: timed(["md5sum", "-c", "--quiet", os.path.join(work, "check.md5")], cwd=check_dir))
    signed, sha256sum = turns(runs, before, lambda: ours("check-signed", base + "/signed.txt", check_dir, public),
                              lambda: timed(["sha256sum", "-c", "--quiet", os.path.join(work, "check.sha256")],
                                            cwd=check_dir))
    print("%s, MD5 only   : %s (goal <= %.1f)" % (label, figures(plain, md5sum) % "md5sum -c", GOAL))
    print("%s, SHA-256 on : %s (goal <= %.1f)" % (label, figures(signed, sha256sum) % "sha256sum -c", GOAL))


def cached_bytes(paths):
    """Bytes of these files in the page cache, or None where fincore is missing."""
    if not shutil.which("fincore"):
        return None
    out = subprocess.run(["fincore", "-b", "-n", "-o", "RES", *paths], capture_output=True, text=True).stdout
    return sum(int(x) for x in out.split())


def drop_all_caches():
    """echo 3 > /proc/sys/vm/drop_caches; False when the write is refused."""
    os.sync()  # pages not yet written cannot be dropped
    try:
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def probe_drop_caches(path):
    """Says whether the system-wide drop works here: in a container the write may be refused, or taken and ignored."""
    with open(path, "rb") as f:
        while f.read(1 << 20):
            pass
    held = cached_bytes([path])
    accepted = drop_all_caches()
    left = cached_bytes([path])
    if not accepted:
        return "refused"
    if left is None:
        return "accepted (effect unknown: no fincore)"
    if not held:
        return "accepted (effect unknown: the file did not stay in the cache)"
    return "accepted and effective" if left < held // 100 else "accepted but without effect"


def drop_cache(paths):
    """Asks the kernel to forget these files' pages: the whole cache when allowed, and file by file."""
    drop_all_caches()
    for p in paths:
        fd = os.open(p, os.O_RDONLY)
        try:
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        finally:
            os.close(fd)


def load():
    return "cores: %d, load average: %s" % (os.cpu_count(), " ".join("%.1f" % x for x in os.getloadavg()))


print(load())

small = tempfile.mkdtemp(prefix="check-bench-", dir=os.environ.get("BENCH_DIR") or (
    "/dev/shm" if os.path.isdir("/dev/shm") else None))
try:
    www = os.path.join(small, "www")
    current = {"d%02d/c%05d.dat" % (i % 50, i): os.urandom(512 + (i * 13) % 3000) for i in range(10000)}
    check_dir, public = prepare(small, current, www)
    with harness.Nginx(www, port):
        compare("check of 10,000 current files", check_dir, public, small, www, opts.runs)
finally:
    shutil.rmtree(small, ignore_errors=True)

if opts.skip_large:
    sys.exit(0)

large = tempfile.mkdtemp(prefix="check-bench-large-", dir=os.environ.get("BENCH_COLD_DIR"))
try:
    www = os.path.join(large, "www")
    block = os.urandom(20 * 1000 * 1000)
    # Distinct files without 2 GB of random numbers: each differs in its first bytes.
    files = {"big/f%03d.bin" % i: b"%08d" % i + block[8:] for i in range(100)}
    check_dir, public = prepare(large, files, www)
    del files, block
    paths = [os.path.join(check_dir, "big", n) for n in sorted(os.listdir(os.path.join(check_dir, "big")))]
    total = sum(os.path.getsize(p) for p in paths)
    with harness.Nginx(www, port):
        compare("check of 100 files of 20 MB, warm", check_dir, public, large, www, 3)
        print("echo 3 > /proc/sys/vm/drop_caches: %s; the cold runs also drop each file with "
              "posix_fadvise(POSIX_FADV_DONTNEED)" % probe_drop_caches(paths[0]))
        before = cached_bytes(paths)
        drop_cache(paths)
        after = cached_bytes(paths)
        if after is None:
            print("page cache: fincore is missing, so whether it can be dropped is not known")
        else:
            print("page cache: %d of %d bytes cached before the drop, %d after (%s)"
                  % (before, total, after, "dropped" if after < total // 100 else "NOT dropped"))
        compare("check of 100 files of 20 MB, cold", check_dir, public, large, www, 3, lambda: drop_cache(paths))
    print(load())
finally:
    shutil.rmtree(large, ignore_errors=True)
