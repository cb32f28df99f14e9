# Sourced by the Wine benchmark scripts: starts a private X display of the
# given size (default 1024x768) for the win64 build's Wine prefix, and stops
# the prefix and the display when the script exits. Sets DISPLAY and prefix.
#   source bench/common/bench_display.sh [WIDTHxHEIGHT]
prefix=$(pwd)/build/win64/wineprefix
bench_fifo=$(mktemp -u)
mkfifo "$bench_fifo"
Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$bench_fifo" >/dev/null 2>&1 &
bench_xvfb_pid=$!
bench_cleanup() {
  WINEPREFIX=$prefix timeout 20 wineserver -w 2>/dev/null || true
  kill "$bench_xvfb_pid" 2>/dev/null || true
  wait "$bench_xvfb_pid" 2>/dev/null || true
  rm -f "$bench_fifo"
}
trap bench_cleanup EXIT
read -r -t 20 bench_display <"$bench_fifo"
export DISPLAY=":$bench_display"
