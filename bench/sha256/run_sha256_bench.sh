#!/usr/bin/env bash
# SHA-256 through the crypto seam against sha256sum on the same 256 MiB file,
# best of three runs each (file in the page cache). Natively the seam is
# OpenSSL; with --wine it is CNG in the Windows build, run under Wine.
set -euo pipefail
cd "$(dirname "$0")/../.."
mode=${1:-native}
file=$(mktemp /tmp/sha256bench.XXXXXX)
trap 'rm -f "$file"' EXIT
head -c $((256 * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null
if [ "$mode" = "--wine" ]; then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target sha256_bench >/dev/null
  read -r ours alone both < <(scripts/wine-run --prefix "$PWD/build/win64/wineprefix" build/win64/bench/sha256/sha256_bench.exe "Z:$file" 3 | tr -d '\r')
  label="CNG under Wine"
else
  cmake --preset native-release >/dev/null
  cmake --build --preset native-release --target sha256_bench >/dev/null
  read -r ours alone both < <(build/native-release/bench/sha256/sha256_bench "$file" 3)
  label="OpenSSL"
fi
best=1e9
for _ in 1 2 3; do
  s=$( { /usr/bin/time -f %e sha256sum "$file" >/dev/null; } 2>&1 )
  best=$(python3 -c "print(min($best, $s))")
done
theirs=$(sha256sum "$file" | cut -d' ' -f1)
[ "$ours" = "$theirs" ] || { echo "digest differs: $ours vs $theirs"; exit 1; }
python3 - "$alone" "$both" "$best" "$label" <<'PY'
import sys
alone, both, theirs, label = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
mib = 256
print("SHA-256 (%s)      : %7.1f MiB/s (%.3f s)" % (label, mib / alone, alone))
print("MD5 + SHA-256, one read : %7.1f MiB/s (%.3f s)" % (mib / both, both))
print("sha256sum               : %7.1f MiB/s (%.3f s)" % (mib / theirs, theirs))
print("ratio (SHA-256 / sha256sum throughput): %.2f  (target >= 0.90)" % (theirs / alone))
PY
