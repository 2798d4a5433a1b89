#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine inside the test harness (see
# harness.sh), with the harness's display and service addresses in its
# environment. Variables KESTRIMA_EXE_* hold program paths; they are handed
# over with Windows separators.
set -euo pipefail
STATE="${KESTRIMA_HARNESS_DIR:?KESTRIMA_HARNESS_DIR is not set}"
[ -f "$STATE/env" ] || { echo "wine-run: harness not started ($STATE/env missing)" >&2; exit 1; }
# shellcheck disable=SC1091
source "$STATE/env"
for f in "$STATE"/env.d/*.env; do
  [ -e "$f" ] || continue
  # shellcheck disable=SC1090
  source "$f"
done
while IFS='=' read -r name _; do
  case "$name" in
    KESTRIMA_EXE_*) export "$name=${!name//\//\\}" ;;
  esac
done < <(env)
# The program's output goes through a file of its own. Wine starts some of
# its helpers (the desktop's explorer.exe, for one) from the first program
# that needs them, and they outlive it holding that program's output; had
# they our caller's pipe, CTest would wait for them long after the test ended.
out="$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")"
trap 'rm -f "$out"' EXIT
/usr/lib/wine/wine64 "$@" </dev/null >"$out" 2>&1 &
pid=$!
tail -n +1 -f --pid="$pid" "$out" &
tail_pid=$!
status=0
wait "$pid" || status=$?
wait "$tail_pid" || true
exit "$status"
