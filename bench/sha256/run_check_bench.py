#!/usr/bin/env python3
"""The check of 10,000 current files (native build, nginx on 127.0.0.1), side by
side with the reference tools on the same files:
- MD5 only (a manifest without signature, an updater without keys) against `md5sum -c`;
- SHA-256 on (a signed manifest, the updater with its key) against `sha256sum -c`."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

repo = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(repo, "tests", "e2e"))
import harness  # noqa: E402

build = os.path.join(repo, "build", "native-release")
subprocess.run(["cmake", "--preset", "native-release"], cwd=repo, check=True, stdout=subprocess.DEVNULL)
subprocess.run(["cmake", "--build", build, "--target", "update_bench", "mkmanifest"], check=True,
               stdout=subprocess.DEVNULL)
exe = os.path.join(build, "bench", "update", "update_bench")
mkmanifest = os.path.join(build, "tools", "mkmanifest", "mkmanifest")
port = 18681
base = "http://127.0.0.1:%d" % port
work = tempfile.mkdtemp(prefix="check-bench-", dir=os.environ.get("BENCH_DIR") or ("/dev/shm" if os.path.isdir("/dev/shm") else None))


def best(n, fn):
    return min(fn() for _ in range(n))


def timed(cmd, **kw):
    t0 = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, **kw)
    return time.perf_counter() - t0


try:
    www = os.path.join(work, "www")
    current = {"d%02d/c%05d.dat" % (i % 50, i): os.urandom(512 + (i * 13) % 3000) for i in range(10000)}
    check_dir = os.path.join(work, "check")
    harness.write_release(check_dir, current)
    harness.write_release(www, {"plain.txt": harness.manifest_text(base + "/none", current)})
    key = os.path.join(work, "key.pem")
    public = subprocess.run([mkmanifest, "keygen", key], check=True, capture_output=True, text=True).stdout.strip()
    subprocess.run([mkmanifest, "--sign", key, "-o", os.path.join(www, "signed.txt"), base + "/none", check_dir],
                   check=True)
    with open(os.path.join(work, "check.md5"), "w") as f5, open(os.path.join(work, "check.sha256"), "w") as f2:
        import hashlib
        for rel, data in sorted(current.items()):
            f5.write("%s  %s\n" % (harness.md5(data), rel))
            f2.write("%s  %s\n" % (hashlib.sha256(data).hexdigest(), rel))

    with harness.Nginx(www, port):
        def ours(*args):
            out = subprocess.run([exe, *args], check=True, capture_output=True, text=True).stdout.split()
            assert out[1] == "0", out  # every file current
            return float(out[0])

        plain = best(5, lambda: ours("check", base + "/plain.txt", check_dir))
        signed = best(5, lambda: ours("check-signed", base + "/signed.txt", check_dir, public))
    md5sum = best(5, lambda: timed(["md5sum", "-c", "--quiet", os.path.join(work, "check.md5")], cwd=check_dir))
    sha256sum = best(5, lambda: timed(["sha256sum", "-c", "--quiet", os.path.join(work, "check.sha256")],
                                      cwd=check_dir))
    print("check of 10,000 current files, MD5 only   : ours %.3f s, md5sum -c    %.3f s, ratio %.2f"
          % (plain, md5sum, plain / md5sum))
    print("check of 10,000 current files, SHA-256 on : ours %.3f s, sha256sum -c %.3f s, ratio %.2f (target <= 1.2)"
          % (signed, sha256sum, signed / sha256sum))
finally:
    shutil.rmtree(work, ignore_errors=True)
