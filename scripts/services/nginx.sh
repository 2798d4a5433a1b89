#!/usr/bin/env bash
# nginx on a free loopback port, serving the packages of the test download
# server with one redirect (tools/nginx/nginx.conf.in).
#   nginx.sh start|stop <state dir>
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cmd="${1:?start|stop}"
STATE="$(mkdir -p "${2:?state dir}" && cd "$2" && pwd)"
DIR="$STATE/nginx"
NGINX="$(command -v nginx || echo /usr/sbin/nginx)"

stop() {
  if [ -f "$DIR/pid" ]; then
    kill "$(cat "$DIR/pid")" 2>/dev/null || true
    rm -f "$DIR/pid"
  fi
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

case "$cmd" in
  start)
    stop
    [ -x "$NGINX" ] || { echo "nginx.sh: nginx not installed" >&2; exit 1; }
    rm -rf "$DIR"
    mkdir -p "$DIR/tmp" "$STATE/dlfiles" "$STATE/env.d"
    for attempt in 1 2 3 4 5; do
      port="$(free_port)"
      sed -e "s#@DIR@#$DIR#g" -e "s#@FILES@#$STATE/dlfiles#g" -e "s#@PORT@#$port#g" \
        "$ROOT/tools/nginx/nginx.conf.in" >"$DIR/nginx.conf"
      "$NGINX" -p "$DIR" -c "$DIR/nginx.conf" -e "$DIR/error.log" >"$DIR/out.log" 2>&1 &
      echo $! >"$DIR/pid"
      for _ in $(seq 50); do
        curl -s -o /dev/null "http://127.0.0.1:$port/" && break 2
        kill -0 "$(cat "$DIR/pid")" 2>/dev/null || break
        sleep 0.1
      done
      stop
    done
    [ -f "$DIR/pid" ] || { echo "nginx.sh: nginx did not start" >&2; cat "$DIR/error.log" >&2; exit 1; }
    echo "export NGINX_URL='http://127.0.0.1:$port'" >"$STATE/env.d/nginx.env"
    ;;
  stop)
    stop
    ;;
esac
