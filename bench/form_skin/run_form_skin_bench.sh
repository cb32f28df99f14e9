#!/usr/bin/env bash
# The skinned frame under Wine (win64 build), in a display of its own that
# is large enough for a 1280 x 800 window:
# 1. one full WM_NCPAINT of a skinned 1280 x 800 window (median of N);
# 2. process start to the first complete paint of a window laid out as the
#    updater's, skinned and plain, run alternately; medians and their ratio.
#
#   bench/form_skin/run_form_skin_bench.sh [--runs N]
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=9
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target form_skin_bench >/dev/null
exe=build/win64/bench/form_skin/form_skin_bench.exe
source bench/common/bench_display.sh 1600x1200

run() { scripts/wine-run --prefix "$prefix" "$exe" "$@"; }

echo "== one full frame paint (WM_NCPAINT) =="
run paint 500

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
skinned=() plain=()
run start plain >/dev/null  # warm the prefix once
for i in $(seq "$runs"); do
  skinned+=("$(run start skinned | awk '/first_complete_paint_ms/ {print $2}')")
  plain+=("$(run start plain | awk '/first_complete_paint_ms/ {print $2}')")
done
ms=$(printf '%s\n' "${skinned[@]}" | median)
mp=$(printf '%s\n' "${plain[@]}" | median)
echo "== process start to first complete paint (median of $runs) =="
echo "skinned_ms $ms"
echo "plain_ms $mp"
awk -v s="$ms" -v p="$mp" 'BEGIN {printf "ratio %.2f (target <= 1.2)\n", s / p}'
