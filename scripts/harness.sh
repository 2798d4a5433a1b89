#!/usr/bin/env bash
# The test harness: a Wine prefix of the project's own, a persistent
# wineserver, an Xvfb display and the loopback services the tests talk to.
#
#   harness.sh start <state dir>   prepare everything, write <state dir>/env
#   harness.sh stop  <state dir>   end every process that start began
#
# Services are the scripts in scripts/services/; each is called with
# "start <state dir>" and "stop <state dir>" and may append shell assignments
# (for example the port it listens on) to <state dir>/env.d/<service>.env.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmd="${1:?start|stop}"
STATE="$(mkdir -p "${2:?state dir}" && cd "$2" && pwd)"
PREFIX="$(dirname "$STATE")/wineprefix"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

export WINEPREFIX="$PREFIX" WINEDEBUG=-all WINEARCH=win64

init_prefix() {
  [ -f "$PREFIX/.kestrima-ready-2" ] && return 0
  echo "harness: initialising Wine prefix $PREFIX" >&2
  rm -rf "$PREFIX"
  # No Mono or Gecko prompts: nothing here needs them.
  WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /t REG_SZ \
      /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # A crashing test program just ends: no debugger is started to describe it,
  # which would attach to it and slow down or disturb the programs after it.
  "$WINE" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
  "$WINE" reg delete 'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
  "$WINESERVER" -w
  touch "$PREFIX/.kestrima-ready-2"
}

start_xvfb() {
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    echo $! >"$STATE/xvfb.pid"
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { echo "$n" >"$STATE/display"; return 0; }
      kill -0 "$(cat "$STATE/xvfb.pid")" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "harness: no Xvfb display could be started" >&2
  return 1
}

stop_all() {
  for s in "$ROOT"/scripts/services/*.sh; do
    [ -e "$s" ] && bash "$s" stop "$STATE" || true
  done
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -f "$STATE/xvfb.pid" ]; then
    kill "$(cat "$STATE/xvfb.pid")" 2>/dev/null || true
    rm -f "$STATE/xvfb.pid" "$STATE/display"
  fi
}

case "$cmd" in
  start)
    stop_all
    rm -rf "$STATE/env.d"; mkdir -p "$STATE/env.d"
    init_prefix
    start_xvfb
    # Nothing started in the background may keep the caller's output open:
    # CTest waits for every holder of a test's output pipe to let go.
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    # Wine's own services (explorer, services.exe, device manager) start with
    # the first program and outlive it under the persistent wineserver; start
    # them here with no output attached, so test programs never spawn them.
    DISPLAY=":$(cat "$STATE/display")" "$WINE" wineboot </dev/null >/dev/null 2>&1 || true
    {
      echo "export WINEPREFIX='$PREFIX' WINEDEBUG=-all WINEARCH=win64"
      echo "export DISPLAY=:$(cat "$STATE/display")"
    } >"$STATE/env"
    for s in "$ROOT"/scripts/services/*.sh; do
      [ -e "$s" ] || continue
      bash "$s" start "$STATE" </dev/null
    done
    echo "harness: ready (display :$(cat "$STATE/display"))"
    ;;
  stop)
    stop_all
    echo "harness: stopped"
    ;;
  *) echo "usage: $0 start|stop <state dir>" >&2; exit 2 ;;
esac
