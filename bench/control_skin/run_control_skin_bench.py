#!/usr/bin/env python3
"""Costs of the skinned controls under Wine (win64 build):
1. one progress position change with its repaint, and one button hover repaint,
   skinned and plain (per operation);
2. a 512 MiB download from nginx on 127.0.0.1 driving the 377-pixel bar of a
   window, with the bar and button skinned against the same window plain,
   alternated, best of five each; prints the ratio."""
import os
import socket
import subprocess
import sys
import tempfile

repo = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(repo, "tests", "e2e"))
import harness  # noqa: E402

build = os.path.join(repo, "build", "win64")
subprocess.run(["cmake", "--build", build, "-j2", "--target", "control_skin_bench"], check=True,
               stdout=subprocess.DEVNULL)
exe = os.path.join(build, "bench", "control_skin", "control_skin_bench.exe")
wine_run = os.path.join(repo, "scripts", "wine-run")
prefix = os.path.join(build, "bench-prefix")
work = tempfile.mkdtemp(prefix="control-skin-bench-",
                        dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
with socket.socket() as probe:
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]

try:
    rc, out = harness.run_wine(wine_run, prefix, [exe, "paint"], timeout=600)
    print(out.strip())
    www = os.path.join(work, "www")
    os.makedirs(www)
    with open(os.path.join(www, "big.bin"), "wb") as f:
        chunk = os.urandom(1 << 20)
        for _ in range(512):
            f.write(chunk)
    target = os.path.join(work, "big.out")
    times = {"plain": [], "skinned": []}
    with harness.Nginx(www, port):
        for _ in range(5):
            for kind in ("plain", "skinned"):
                rc, out = harness.run_wine(wine_run, prefix, [exe, "download", "http://127.0.0.1:%d/big.bin" % port,
                                                              harness.windows_path(target), kind], timeout=900)
                fields = out.split()
                if rc != 0 or len(fields) < 3 or fields[1] != "1":
                    raise SystemExit("download failed: %r" % out)
                if os.path.getsize(target) != 512 << 20:
                    raise SystemExit("download incomplete")
                times[kind].append(float(fields[2]))
                os.remove(target)
    plain, skinned = min(times["plain"]), min(times["skinned"])
    print("512 MiB download: plain %.2f s, skinned %.2f s, ratio %.3f (all runs: plain %s, skinned %s)"
          % (plain, skinned, skinned / plain, times["plain"], times["skinned"]))
finally:
    harness.end_wine(prefix)
    subprocess.run(["rm", "-rf", work])
