#!/usr/bin/env bash
# Sets up what is missing, builds both architectures and runs every test.
#
# The i686 build is the shipping one and is only compiled here: this machine
# cannot execute 32-bit code. The x86_64 build runs every test under 64-bit
# Wine, inside the harness (scripts/harness.sh).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KESTRIMA_BUILD_DIR:-$ROOT/build}"
JOBS="$(nproc)"

"$ROOT/scripts/bootstrap.sh"

for arch in x86_64 i686; do
  echo "== building $arch"
  cmake -S "$ROOT" -B "$BUILD/$arch" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
  cmake --build "$BUILD/$arch" -j"$JOBS"
done

"$ROOT/scripts/check-binaries.sh" "$BUILD"

echo "== running tests (x86_64 under Wine)"
ctest --test-dir "$BUILD/x86_64" --output-on-failure -j"$JOBS" --timeout 900
