#!/usr/bin/env bash
# MD5File against md5sum on the same 256 MiB file, best of three runs each (file in the page cache).
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target md5_bench >/dev/null
file=$(mktemp /tmp/md5bench.XXXXXX)
trap 'rm -f "$file"' EXIT
head -c $((256 * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null
read -r ours ours_s < <(build/native-release/bench/md5/md5_bench "$file" 3)
best=1e9
for _ in 1 2 3; do
  s=$( { /usr/bin/time -f %e md5sum "$file" >/dev/null; } 2>&1 )
  best=$(python3 -c "print(min($best, $s))")
done
theirs=$(md5sum "$file" | cut -d' ' -f1)
[ "$ours" = "$theirs" ] || { echo "digest differs: $ours vs $theirs"; exit 1; }
python3 - "$ours_s" "$best" <<'PY'
import sys
ours, theirs = float(sys.argv[1]), float(sys.argv[2])
mib = 256
print("MD5File : %7.1f MiB/s (%.3f s)" % (mib / ours, ours))
print("md5sum  : %7.1f MiB/s (%.3f s)" % (mib / theirs, theirs))
print("ratio (MD5File / md5sum throughput): %.2f  (target >= 0.90)" % (theirs / ours))
PY
