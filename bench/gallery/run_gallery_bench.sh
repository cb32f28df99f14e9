#!/usr/bin/env bash
# skinview's gallery under Wine (win64 build), in a display of its own:
# 1. creating the gallery to its first complete paint, skinned and plain, run
#    alternately; medians and their ratio;
# 2. repainting the open gallery whole, skinned and plain: the floor under
#    any re-skin;
# 3. re-skinning the open gallery with another package (the test fixture
#    skin and the built-in skin in turn), run alternately with the plain
#    gallery's whole repaint: medians and their ratio, and the skinned
#    gallery's whole repaint timed in the same process between the switches.
#
#   bench/gallery/run_gallery_bench.sh [--runs N]
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
runs=5
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target gallery_bench skinview_fixture_package >/dev/null
exe=build/win64/bench/gallery/gallery_bench.exe
package=Z:$repo/build/win64/tests/win/skinview/fixture_full.skn
source bench/common/bench_display.sh

run() { scripts/wine-run --prefix "$prefix" "$exe" "$@"; }

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
skinned=() plain=()
run open plain 1 >/dev/null  # warm the prefix once
for i in $(seq "$runs"); do
  skinned+=("$(run open skinned 3 | awk '/first_complete_paint_ms/ {print $2}')")
  plain+=("$(run open plain 3 | awk '/first_complete_paint_ms/ {print $2}')")
done
ms=$(printf '%s\n' "${skinned[@]}" | median)
mp=$(printf '%s\n' "${plain[@]}" | median)
echo "== gallery creation to first complete paint (median of $runs runs of 3) =="
echo "skinned_ms $ms"
echo "plain_ms $mp"
awk -v s="$ms" -v p="$mp" 'BEGIN {printf "ratio %.2f (target <= 1.5)\n", s / p}'
echo "== repainting the open gallery whole (median of 9) =="
run repaint skinned 9 | awk '/repaint_ms/ {print "skinned_" $0}'
run repaint plain 9 | awk '/repaint_ms/ {print "plain_" $0}'
reskin=() repaint=() inproc=()
for i in $(seq "$runs"); do
  out=$(run reskin "$package" 10 2>/dev/null)
  reskin+=("$(echo "$out" | awk '/^reskin_ms/ {print $2}')")
  inproc+=("$(echo "$out" | awk '/^skinned_repaint_ms/ {print $2}')")
  repaint+=("$(run repaint plain 9 | awk '/repaint_ms/ {print $2}')")
done
mr=$(printf '%s\n' "${reskin[@]}" | median)
mp=$(printf '%s\n' "${repaint[@]}" | median)
mi=$(printf '%s\n' "${inproc[@]}" | median)
echo "== re-skinning the open gallery against a plain whole repaint (median of $runs runs of 10 switches / 9 repaints) =="
echo "reskin_ms $mr"
echo "plain_repaint_ms $mp"
awk -v s="$mr" -v p="$mp" 'BEGIN {printf "ratio %.2f (target <= 1.3)\n", s / p}'
echo "skinned_repaint_ms $mi (the same gallery, between the switches)"
awk -v s="$mr" -v p="$mi" 'BEGIN {printf "ratio to the skinned repaint %.2f\n", s / p}'
