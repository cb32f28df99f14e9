#!/usr/bin/env bash
# GET a 512 MiB file from nginx on 127.0.0.1 into a file, with curl and with
# our HTTP client (native-release build), side by side; prints both
# throughputs and the ratio. With --wine, also the Windows build under Wine.
#
#   bench/http/run_http_bench.sh [--wine] [--runs N] [--size-mib M]
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)

wine=0
runs=3
size_mib=512
while [ $# -gt 0 ]; do
  case $1 in
    --wine) wine=1 ;;
    --runs) runs=$2; shift ;;
    --size-mib) size_mib=$2; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

native_build=build/http-bench-release
cmake --preset native-release -B "$native_build" >/dev/null
cmake --build "$native_build" -j2 --target http_bench >/dev/null
if [ $wine = 1 ]; then
  win_build=build/http-bench-win64
  cmake --preset win64 -B "$win_build" >/dev/null
  cmake --build "$win_build" -j2 --target http_bench >/dev/null
fi

work=$(mktemp -d /tmp/http-bench.XXXXXX)
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/tmp" "$work/logs"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$work/www/big.bin"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
user_line=""
[ "$(id -u)" -eq 0 ] && user_line="user $(id -un);"
cat >"$work/nginx.conf" <<CONF
$user_line
worker_processes 1;
daemon off;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  client_body_temp_path $work/tmp/body;
  proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi;
  uwsgi_temp_path $work/tmp/uwsgi;
  scgi_temp_path $work/tmp/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" &
nginx_pid=$!
url="http://127.0.0.1:$port/big.bin"
for _ in $(seq 1 100); do
  curl -sf -o /dev/null -r 0-0 "$url" && break
  sleep 0.1
done

# Warm the page cache so every run reads the file from memory.
cat "$work/www/big.bin" >/dev/null

best() { sort -g | tail -n 1; }

curl_rates=()
for _ in $(seq 1 "$runs"); do
  rate=$(curl -s -o "$work/curl.out" -w '%{size_download} %{time_total}\n' "$url" |
         awk '{ printf "%.1f", $1 / $2 / 1048576 }')
  cmp -s "$work/curl.out" "$work/www/big.bin" || { echo "curl download differs" >&2; exit 1; }
  curl_rates+=("$rate")
done

ours_rates=()
while read -r line; do
  ours_rates+=("$(sed -n 's/.*mib_per_s=\([0-9.]*\).*/\1/p' <<<"$line")")
done < <("$native_build/bench/http/http_bench" "$url" "$work/ours.out" "$runs")
cmp -s "$work/ours.out" "$work/www/big.bin" || { echo "client download differs" >&2; exit 1; }

curl_best=$(printf '%s\n' "${curl_rates[@]}" | best)
ours_best=$(printf '%s\n' "${ours_rates[@]}" | best)
echo "file: ${size_mib} MiB, runs: $runs (best of each shown)"
echo "curl:                    ${curl_rates[*]} MiB/s -> $curl_best MiB/s"
echo "THttpClient (native):    ${ours_rates[*]} MiB/s -> $ours_best MiB/s"
awk -v a="$ours_best" -v b="$curl_best" 'BEGIN { printf "ratio client/curl:       %.2f (target >= 0.80)\n", a / b }'

if [ $wine = 1 ]; then
  wine_rates=()
  while read -r line; do
    r=$(sed -n 's/.*mib_per_s=\([0-9.]*\).*/\1/p' <<<"$line")
    [ -n "$r" ] && wine_rates+=("$r")
  done < <(scripts/wine-run --prefix "$repo/$win_build/wineprefix" "$win_build/bench/http/http_bench.exe" \
             "$url" "Z:$work/wine.out" "$runs")
  cmp -s "$work/wine.out" "$work/www/big.bin" || { echo "Wine download differs" >&2; exit 1; }
  wine_best=$(printf '%s\n' "${wine_rates[@]}" | best)
  echo "THttpClient (Wine):      ${wine_rates[*]} MiB/s -> $wine_best MiB/s"
  awk -v a="$wine_best" -v b="$curl_best" 'BEGIN { printf "ratio Wine client/curl:  %.2f (target >= 0.90)\n", a / b }'
fi
