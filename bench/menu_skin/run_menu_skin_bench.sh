#!/usr/bin/env bash
# Opening a 30-item popup menu under Wine (win64 build), skinned (with the
# default skin, whose items are drawn in the scheme colours, and with the
# complete skin, whose items come from its MenuItem strip), owner-drawn
# without a skin, and plain, each in a process of its own in one display,
# the modes in turn for several rounds; medians and their ratios.
#
#   bench/menu_skin/run_menu_skin_bench.sh [--openings N] [--rounds N]
set -euo pipefail
cd "$(dirname "$0")/../.."
openings=50
rounds=5
while [ $# -gt 0 ]; do
  case $1 in
    --openings) openings=$2; shift ;;
    --rounds) rounds=$2; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target menu_skin_bench >/dev/null
exe=build/win64/bench/menu_skin/menu_skin_bench.exe
source bench/common/bench_display.sh

run() { scripts/wine-run --prefix "$prefix" "$exe" "$@" | awk '/median_ms/ {print $2}'; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
plain=() ownerdraw=() skinned=() complete=()
for i in $(seq "$rounds"); do
  plain+=("$(run plain "$openings")")
  ownerdraw+=("$(run ownerdraw "$openings")")
  skinned+=("$(run skinned "$openings" default)")
  complete+=("$(run skinned "$openings" complete)")
done
mp=$(printf '%s\n' "${plain[@]}" | median)
mo=$(printf '%s\n' "${ownerdraw[@]}" | median)
ms=$(printf '%s\n' "${skinned[@]}" | median)
mc=$(printf '%s\n' "${complete[@]}" | median)
echo "== opening a 30-item popup menu (median of $rounds runs of $openings openings), ms =="
echo "plain $mp"
echo "owner-drawn, no skin $mo"
echo "skinned, default skin $ms"
echo "skinned, complete skin $mc"
awk -v s="$ms" -v p="$mp" 'BEGIN {printf "ratio default skin %.2f (target <= 1.5)\n", s / p}'
awk -v s="$mc" -v p="$mp" 'BEGIN {printf "ratio complete skin %.2f (target <= 1.5)\n", s / p}'
