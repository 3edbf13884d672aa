#!/usr/bin/env bash
# Runs clang-tidy, as the root .clang-tidy configures it, over every natively built C++ file of
# the project (build/native's compile database; tools/build.sh native makes it). Fails on any
# finding. Usage: tidy.sh [file-regex]   (default: all of the project's natively built files)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
database=$root/build/native
if [ ! -f "$database/compile_commands.json" ]; then
  echo "no compile database in $database: run tools/build.sh native first" >&2
  exit 2
fi
filter=${1:-"^$root/(engine|common|component|desktop|service|stress|bench|fuzz|tests)/"}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# run-clang-tidy prints each file's findings; -warnings-as-errors in .clang-tidy makes it fail.
if ! run-clang-tidy -quiet -p "$database" -j "$(nproc)" "$filter" >"$log" 2>&1; then
  sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(warning|error):' | sort -u >&2 || cat "$log" >&2
  echo "clang-tidy found the problems above" >&2
  exit 1
fi
