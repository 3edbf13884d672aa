#!/usr/bin/env bash
# Formats every C++ file of the tree with clang-format and the root .clang-format.
# Usage: format.sh          rewrite the files in place
#        format.sh --check  change nothing; list the files that differ and fail if there are any
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' '*.c' '*.inc' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
if [ "${1:-}" = --check ]; then
  if ! report=$(clang-format --dry-run -Werror --style=file "${files[@]}" 2>&1); then
    grep -o '^[^:]*:[0-9]*:[0-9]*: error' <<<"$report" | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
    echo "run tools/format.sh to format them" >&2
    exit 1
  fi
  exit 0
fi
clang-format -i --style=file "${files[@]}"
