#!/usr/bin/env bash
# Compares FileMd5 (x86_64 build under Wine) with md5sum on one 256 MiB file.
#   bench/md5_bench/run.sh [build folder]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${1:-$ROOT/build/x86_64}"
FILE="$BUILD/bench-md5-256mib.bin"
[ -f "$FILE" ] || head -c $((256 * 1024 * 1024)) /dev/urandom >"$FILE"
cat "$FILE" >/dev/null  # both runs start from a warm page cache
best=""
for _ in 1 2 3; do
  start=$(date +%s.%N); md5sum "$FILE" >/dev/null; end=$(date +%s.%N)
  t=$(echo "$end - $start" | bc -l)
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
done
printf 'md5sum: seconds=%.3f mib_per_s=%.1f\n' "$best" "$(echo "256 / $best" | bc -l)"
"$ROOT/scripts/harness.sh" start "$BUILD/harness" >/dev/null
trap '"$ROOT/scripts/harness.sh" stop "$BUILD/harness" >/dev/null' EXIT
KESTRIMA_HARNESS_DIR="$BUILD/harness" "$ROOT/scripts/wine-run.sh" \
  "$BUILD/bench/md5_bench/md5_bench.exe" "Z:${FILE//\//\\}" 3 | sed 's/^/FileMd5: /'
echo "md5sum digest: $(md5sum "$FILE" | cut -d' ' -f1)"
