#!/usr/bin/env bash
# The analytics collection endpoint (tools/collect_endpoint) on loopback:
# plain HTTP, and HTTPS with a self-signed certificate made fresh at every
# start (a client that checks certificates must refuse it).
#   collect.sh start|stop <state dir>
# Exports COLLECT_URL, COLLECT_TLS_URL (base addresses, no path) and
# COLLECT_RECORDS_DIR (Windows path of the folder of kept records).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cmd="${1:?start|stop}"
STATE="$(mkdir -p "${2:?state dir}" && cd "$2" && pwd)"
DIR="$STATE/collect"

winpath() { printf 'Z:%s' "${1//\//\\}"; }

stop() {
  if [ -f "$DIR/pid" ]; then
    kill "$(cat "$DIR/pid")" 2>/dev/null || true
    rm -f "$DIR/pid"
  fi
}

case "$cmd" in
  start)
    stop
    rm -rf "$DIR"
    mkdir -p "$DIR/records" "$STATE/env.d"
    tls_args=()
    if command -v openssl >/dev/null 2>&1 &&
      openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=localhost" \
        -keyout "$DIR/self.key" -out "$DIR/self.crt" \
        -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" >/dev/null 2>&1; then
      cat "$DIR/self.crt" "$DIR/self.key" >"$DIR/self.pem"
      tls_args=(--tls-cert "$DIR/self.pem" --tls-port-file "$DIR/tls-port")
    fi
    python3 "$ROOT/tools/collect_endpoint/collect_server.py" --port-file "$DIR/port" \
      --state-dir "$DIR/records" "${tls_args[@]}" </dev/null >"$DIR/log" 2>&1 &
    echo $! >"$DIR/pid"
    for _ in $(seq 100); do
      if [ -s "$DIR/port" ] && curl -sf "http://127.0.0.1:$(cat "$DIR/port")/health" >/dev/null; then
        break
      fi
      kill -0 "$(cat "$DIR/pid")" 2>/dev/null || { cat "$DIR/log" >&2; exit 1; }
      sleep 0.1
    done
    [ -s "$DIR/port" ] || { echo "collect: endpoint did not start" >&2; exit 1; }
    {
      echo "export COLLECT_URL='http://127.0.0.1:$(cat "$DIR/port")'"
      [ -s "$DIR/tls-port" ] && echo "export COLLECT_TLS_URL='https://127.0.0.1:$(cat "$DIR/tls-port")'"
      echo "export COLLECT_RECORDS_DIR='$(winpath "$DIR/records")'"
    } >"$STATE/env.d/collect.env"
    ;;
  stop)
    stop
    ;;
  *) echo "usage: $0 start|stop <state dir>" >&2; exit 2 ;;
esac
