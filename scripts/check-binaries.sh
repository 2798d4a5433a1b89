#!/usr/bin/env bash
# Checks that each build produced programs of its own architecture: PE32 for
# i686 (the shipping build) and PE32+ for x86_64.
set -euo pipefail
BUILD="${1:?build folder}"
status=0
check() { # folder, expected "file" words
  local count=0 f
  while IFS= read -r -d '' f; do
    count=$((count + 1))
    if ! file -b "$f" | grep -q "^$2 "; then
      echo "check-binaries: $f is not $2: $(file -b "$f")" >&2
      status=1
    fi
  done < <(find "$1" -name '*.exe' -not -path '*/wineprefix/*' -not -path '*/CMakeFiles/*' -print0)
  if [ "$count" = 0 ]; then
    echo "check-binaries: no programs in $1" >&2
    status=1
  fi
  echo "check-binaries: $count programs in $1 are $2"
}
check "$BUILD/i686" "PE32"
check "$BUILD/x86_64" "PE32+"
exit $status
