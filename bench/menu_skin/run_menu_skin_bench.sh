#!/usr/bin/env bash
# Opening a 30-item popup menu under Wine (win64 build), skinned, owner-drawn
# without a skin, and plain,
# each in a process of its own in one display; medians and their ratio.
#
#   bench/menu_skin/run_menu_skin_bench.sh [--openings N]
set -euo pipefail
cd "$(dirname "$0")/../.."
openings=50
while [ $# -gt 0 ]; do
  case $1 in
    --openings) openings=$2; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target menu_skin_bench >/dev/null
exe=build/win64/bench/menu_skin/menu_skin_bench.exe
source bench/common/bench_display.sh

run() { scripts/wine-run --prefix "$prefix" "$exe" "$@"; }
plain=$(run plain "$openings")
ownerdraw=$(run ownerdraw "$openings")
skinned=$(run skinned "$openings")
echo "== plain ==";   echo "$plain"
echo "== owner-drawn, no skin =="; echo "$ownerdraw"
echo "== skinned =="; echo "$skinned"
mp=$(echo "$plain" | awk '/median_ms/ {print $2}')
ms=$(echo "$skinned" | awk '/median_ms/ {print $2}')
awk -v s="$ms" -v p="$mp" 'BEGIN {printf "ratio %.2f (target <= 1.5)\n", s / p}'
