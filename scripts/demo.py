"""The demo run behind scripts/demo: see that script."""
import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

ap = argparse.ArgumentParser()
for name in ("port", "updater", "main", "helper", "mkmanifest", "prefix", "out"):
    ap.add_argument("--" + name, required=True)
args = ap.parse_args()
port = int(args.port)
out = os.path.abspath(args.out)
shutil.rmtree(out, ignore_errors=True)
app_dir, www = os.path.join(out, "app"), os.path.join(out, "www")
release = os.path.join(www, "release")

# Version 1 is installed; version 2 changes two files, adds one in a sub-directory, keeps one.
installed = {
    "Talvoria.dll": b"Talvoria engine 1.0\n" * 2000,
    "data/maps.dat": bytes(range(256)) * 800,
    "readme.txt": b"Talvoria Pemrick\r\nversion 1.0\r\n",
}
release_files = {
    "Talvoria.dll": b"Talvoria engine 2.0\n" * 300000,
    "data/maps.dat": bytes(range(255, -1, -1)) * 8000,
    "data/sounds/new.wav": os.urandom(3 * 1024 * 1024),
    "readme.txt": installed["readme.txt"],
}
harness.write_release(release, release_files)
manifest = os.path.join(www, harness.MANIFEST_PATH.lstrip("/"))
os.makedirs(os.path.dirname(manifest))
subprocess.run([args.mkmanifest, "-o", manifest, "http://127.0.0.1:%d/release" % port, release], check=True)

updater = harness.Updater(app_dir, args.updater, args.main, os.path.abspath("scripts/wine-run"),
                          os.path.abspath(args.prefix))
for rel, data in installed.items():
    harness.write_release(app_dir, {rel: data})

print("== demo application directory: %s" % app_dir)
print("== manifest (%s):" % harness.MANIFEST_PATH)
with open(manifest, encoding="utf-8") as f:
    for line in f:
        print("   " + line.rstrip())

shot = os.path.join(out, "updater-window.png")
# Files are sent slowly so the progress bar can be seen part-way.
with harness.Nginx(www, port, rate="1m") as nginx:
    print("== running updater.exe under Wine (display %s)" % os.environ.get("DISPLAY"))
    updater.start()
    try:
        took = False
        if updater.wait_status("正在下载第", 60):
            time.sleep(2.5)
            took = harness.screenshot(updater, os.path.abspath(args.helper), shot)
        rc = updater.wait(300)
    finally:
        updater.stop()
    requests = nginx.requests()

print("== status texts the window showed:")
for s in updater.statuses:
    print("   " + s)
changed = [p for m, p in requests if m == "HEAD"]
print("== files listed as changed (asked for their size): %d" % len(changed))
for p in changed:
    print("   " + p)
print("== result:")
for rel, data in release_files.items():
    path = updater.path(rel)
    ok = os.path.exists(path) and harness.md5_file(path) == harness.md5(data)
    was = "replaced" if rel in installed and installed[rel] != data else (
        "new" if rel not in installed else "unchanged")
    print("   %-22s %-9s %s" % (rel, was, "matches the manifest" if ok else "DOES NOT MATCH"))
    backup = updater.path("bakup/" + rel)
    if os.path.exists(backup):
        print("   %-22s backup at %s" % ("", os.path.relpath(backup, out)))
    if os.path.exists(updater.path("update/" + rel)):
        print("   %-22s staging copy still present" % "")
staged_left = [os.path.join(d, f) for d, _, fs in os.walk(updater.path("update")) for f in fs]
print("   staging copies left in update\\: %d" % len(staged_left))
started = updater.main_started()
print("   main program started: %s" % ("yes" if started else "NO"))
print("   screenshot: %s" % (shot if took else "not taken"))
sys.exit(0 if rc == 0 and started else 1)
