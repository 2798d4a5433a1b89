#!/usr/bin/env bash
# Download engine benchmarks on loopback, against a running test harness
# (scripts/harness.sh start <state dir>):
#   1. a 256 MiB package from nginx: native curl, then each downloader kind
#      through download_bench; throughput and the ratio to curl;
#   2. the test server limiting every connection to a fixed rate: the
#      multi-part downloader against the single-stream one;
#   3. peak memory of download_bench during the 256 MiB downloads (its own
#      report and the largest resident set Linux saw for the Wine process).
#
#   run.sh <harness state dir> <download_bench.exe> [work dir]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
STATE="${1:?harness state dir}"
BENCH="$(cd "$(dirname "${2:?download_bench.exe}")" && pwd)/$(basename "$2")"
WORK="${3:-$(mktemp -d /tmp/download_bench.XXXXXX)}"
ROUNDS="${ROUNDS:-3}"
mkdir -p "$WORK"
# shellcheck disable=SC1091
source "$STATE/env.d/dlserver.env"
# shellcheck disable=SC1091
source "$STATE/env.d/nginx.env"

package() {  # name size -> md5
  curl -sf -X POST -d "{\"name\":\"$1\",\"size\":$2,\"seed\":101}" \
    "$DLSERVER_URL/_control/package" | python3 -c 'import json,sys; print(json.load(sys.stdin)["md5"])'
}

run_bench() {  # type url name -> prints "rate peak_rss_mib internal_memory_line"
  local out="$WORK/$3"
  rm -f "$out"
  local log="$WORK/$3.log"
  /usr/bin/time -f 'maxrss_kib=%M' -o "$WORK/$3.time" \
    env KESTRIMA_HARNESS_DIR="$STATE" "$ROOT/scripts/wine-run.sh" "$BENCH" "$1" "$2" \
    "Z:${out//\//\\}" >"$log" 2>&1 || { echo "download_bench failed:" >&2; tail -5 "$log" >&2; exit 1; }
  local rate mem rss
  rate="$(sed -n 's/^result 1003 .*mib_per_s=\([0-9.]*\).*/\1/p' "$log")"
  mem="$(sed -n 's/^memory //p' "$log")"
  rss="$(sed -n 's/^maxrss_kib=//p' "$WORK/$3.time")"
  [ -n "$rate" ] || { echo "download_bench did not succeed:" >&2; tail -5 "$log" >&2; exit 1; }
  rm -f "$out"
  echo "$rate $((rss / 1024)) $mem"
}

curl -sf -X POST -d '{}' "$DLSERVER_URL/_control/reset" >/dev/null
big=$((256 * 1048576))
md5="$(package bench_256m.bin $big)"
url="$NGINX_URL/r/files/$md5/bench_256m.bin"

echo "== 256 MiB from nginx on loopback (median of $ROUNDS rounds)"
curl_rates=() ; rates1=() ; rates3=() ; rss1=0 ; rss3=0 ; mem1="" ; mem3=""
for _ in $(seq "$ROUNDS"); do
  bps="$(curl -sfL -o "$WORK/curl.bin" -w '%{speed_download}' "$url")"
  rm -f "$WORK/curl.bin"
  curl_rates+=("$(python3 -c "print(f'{$bps / 1048576:.2f}')")")
  read -r rate rss mem <<<"$(run_bench 1 "$url" kind1.bin)"
  rates1+=("$rate"); [ "$rss" -gt "$rss1" ] && rss1=$rss; mem1="$mem"
  read -r rate rss mem <<<"$(run_bench 3 "$url" kind3.bin)"
  rates3+=("$rate"); [ "$rss" -gt "$rss3" ] && rss3=$rss; mem3="$mem"
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
curl_rate="$(median "${curl_rates[@]}")"
echo "curl -o:              $curl_rate MiB/s (rounds: ${curl_rates[*]})"
for type in 1 3; do
  if [ "$type" = 1 ]; then all=("${rates1[@]}"); rss=$rss1; mem=$mem1; else all=("${rates3[@]}"); rss=$rss3; mem=$mem3; fi
  rate="$(median "${all[@]}")"
  ratio="$(python3 -c "print(f'{$rate / $curl_rate:.2f}')")"
  echo "download_bench type $type: $rate MiB/s (ratio to curl $ratio; rounds: ${all[*]}); wine process max RSS ${rss} MiB; last $mem"
done

echo "== per-connection rate limit at the test server (4 MiB/s)"
mid=$((48 * 1048576))
md5="$(package bench_48m.bin $mid)"
curl -sf -X POST -d '{"rules":[{"methods":["GET"],"rate":4194304}]}' \
  "$DLSERVER_URL/_control/rules" >/dev/null
url="$DLSERVER_URL/r/1/files/$md5/bench_48m.bin"
read -r single _ _ <<<"$(run_bench 1 "$url" limited1.bin)"
read -r multi _ _ <<<"$(run_bench 3 "$url" limited3.bin)"
curl -sf -X POST -d '{}' "$DLSERVER_URL/_control/reset" >/dev/null
echo "single-stream: $single MiB/s; multi-part: $multi MiB/s; ratio $(python3 -c "print(f'{$multi / $single:.2f}')")"
