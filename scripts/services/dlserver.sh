#!/usr/bin/env bash
# The fault-injecting download server (tools/dlserver) on loopback: plain
# HTTP, HTTPS with a certificate from a test CA, and HTTPS with a
# self-signed certificate. Keys and certificates are made fresh at every
# start and stay in the state dir.
#   dlserver.sh start|stop <state dir>
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cmd="${1:?start|stop}"
STATE="$(mkdir -p "${2:?state dir}" && cd "$2" && pwd)"
DIR="$STATE/dlserver"

winpath() { printf 'Z:%s' "${1//\//\\}"; }

make_certs() {
  local c="$DIR/certs"
  mkdir -p "$c"
  local san="subjectAltName=DNS:localhost,IP:127.0.0.1"
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Kestrima Test CA" \
    -keyout "$c/ca.key" -out "$c/ca.pem" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    >/dev/null 2>&1
  openssl x509 -in "$c/ca.pem" -outform DER -out "$c/ca.der"
  openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" \
    -keyout "$c/server.key" -out "$c/server.csr" >/dev/null 2>&1
  printf '%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$san" >"$c/server.ext"
  openssl x509 -req -in "$c/server.csr" -CA "$c/ca.pem" -CAkey "$c/ca.key" -CAcreateserial \
    -days 30 -extfile "$c/server.ext" -out "$c/server.pem" >/dev/null 2>&1
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=localhost" \
    -keyout "$c/self.key" -out "$c/self.pem" -addext "$san" >/dev/null 2>&1
}

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
    mkdir -p "$DIR" "$STATE/dlfiles" "$STATE/env.d"
    make_certs
    python3 "$ROOT/tools/dlserver/dlserver.py" --files "$STATE/dlfiles" \
      --port-file "$DIR/port" \
      --tls "$DIR/port.trusted" "$DIR/certs/server.pem" "$DIR/certs/server.key" \
      --tls "$DIR/port.self" "$DIR/certs/self.pem" "$DIR/certs/self.key" \
      >"$DIR/log" 2>&1 &
    echo $! >"$DIR/pid"
    for _ in $(seq 100); do
      if [ -s "$DIR/port" ] && curl -sf "http://127.0.0.1:$(cat "$DIR/port")/_control/log" >/dev/null; then
        break
      fi
      kill -0 "$(cat "$DIR/pid")" 2>/dev/null || { cat "$DIR/log" >&2; exit 1; }
      sleep 0.1
    done
    {
      echo "export DLSERVER_URL='http://127.0.0.1:$(cat "$DIR/port")'"
      echo "export DLSERVER_HTTPS_TRUSTED_URL='https://localhost:$(cat "$DIR/port.trusted")'"
      echo "export DLSERVER_HTTPS_SELF_URL='https://localhost:$(cat "$DIR/port.self")'"
      echo "export DLSERVER_CA_CERT='$(winpath "$DIR/certs/ca.der")'"
    } >"$STATE/env.d/dlserver.env"
    ;;
  stop)
    stop
    ;;
esac
