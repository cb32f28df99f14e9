#!/usr/bin/env bash
# Wheel scrolling of a 10,000-line memo under Wine, skinned against plain;
# prints frames per second of both and the ratio (target: at least 0.8).
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=$repo/build/win64
cmake --build "$build" -j2 --target scroll_skin_bench >/dev/null
"$repo/scripts/wine-run" --prefix "$build/bench-prefix" "$build/bench/scroll_skin/scroll_skin_bench.exe"
