#!/usr/bin/env python3
"""Counts the file system calls of one native update of 1,000 small changed files
(the same fixture as run_update_bench.py) with strace, per file. Run the bench
script first: it builds build/native-release/bench/update/update_bench."""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile

repo = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(repo, "tests", "e2e"))
import harness  # noqa: E402

exe = os.path.join(repo, "build", "native-release", "bench", "update", "update_bench")
with socket.socket() as probe:
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
base = "http://127.0.0.1:%d" % port
work = tempfile.mkdtemp(prefix="update-strace-", dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
calls = os.environ.get("STRACE_CALLS") or "mkdir,openat,stat,newfstatat,fstat,statx,lstat,access,unlink,rename"
try:
    www = os.path.join(work, "www")
    small = {"f%04d.dat" % i: os.urandom(1024 + (i * 37) % 7000) for i in range(1000)}
    harness.write_release(os.path.join(www, "small"), small)
    harness.write_release(www, {"small.txt": harness.manifest_text(base + "/small", small)})
    app = os.path.join(work, "app")
    os.makedirs(app)
    log = os.environ.get("STRACE_LOG") or os.path.join(work, "strace.txt")
    with harness.Nginx(www, port):
        out = subprocess.run(["strace", "-f"] + ([] if os.environ.get("STRACE_LOG") else ["-c"]) + ["-o", log, "-e", "trace=" + calls, exe, "update",
                              base + "/small.txt", app], check=True, capture_output=True, text=True).stdout.split()
    assert out[1] == "1000" and out[2] == "1", out
    print("%-12s %8s %8s %9s" % ("call", "calls", "errors", "per file"))
    for line in open(log):
        m = re.match(r"\s*[\d.]+\s+[\d.]+\s+\d+\s+(\d+)\s+(\d*)\s*(\w+)\s*$", line)
        if m:
            n, errors, name = int(m.group(1)), int(m.group(2) or 0), m.group(3)
            print("%-12s %8d %8d %9.2f" % (name, n, errors, n / 1000.0))
finally:
    shutil.rmtree(work, ignore_errors=True)
