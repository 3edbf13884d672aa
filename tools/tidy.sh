#!/usr/bin/env bash
# Runs clang-tidy, as the root .clang-tidy configures it, over a build tree's C++ files. Fails on
# any finding. Usage: tidy.sh [native|win32|win64] [file-regex]
#   native (the default): every natively built file (build/native's compile database; the code
#     without Windows headers and the service, tests included);
#   win32, win64: the files only the Windows build compiles (the window layer, the COM object, the
#     Win32 halves of the engine and common code), analysed as for that Windows target with the
#     MinGW-w64 headers; their test programs are left out: windows.h makes each file cost about
#     ten seconds of processor time, and the tests' faults show when they run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=native
case "${1:-}" in native | win32 | win64) tree=$1; shift ;; esac
database=$root/build/$tree
if [ ! -f "$database/compile_commands.json" ]; then
  echo "no compile database in $database: run tools/build.sh $tree first" >&2
  exit 2
fi
rooms='engine|common|component|desktop|framework|win|installer|service|stress|bench|fuzz|tests'
filter=${1:-"^$root/($rooms)/"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
args=(-quiet -j "$(nproc)" -header-filter "^$root/($rooms)/")
if [ "$tree" != native ]; then
  # One entry per C++ file (the test builds of KVObject compile some files again; resource scripts
  # are in the database too), not in the native database, not a test.
  python3 - "$root" "$database/compile_commands.json" "$root/build/native/compile_commands.json" \
    "$work/compile_commands.json" <<'EOF'
import json, os, sys
root, cross, native, out = sys.argv[1:]
native_files = {e["file"] for e in json.load(open(native))} if os.path.exists(native) else set()
seen, kept = set(), []
for entry in json.load(open(cross)):
    name = entry["file"]
    if (name in seen or name in native_files or not name.endswith(".cpp")
            or "tests" in os.path.relpath(name, root).split("/")):
        continue
    seen.add(name)
    kept.append(entry)
json.dump(kept, open(out, "w"))
EOF
  compiler=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[0]["command"].split()[0])' \
    "$work/compile_commands.json")
  # clang finds the MinGW-w64 headers for the target itself, but not GCC's C++ library.
  args+=(-p "$work" -extra-arg=--target="$(basename "$compiler" | sed 's/-g++.*//')")
  while read -r dir; do
    args+=(-extra-arg=-isystem"$dir")
  done < <("$compiler" -xc++ -E -v /dev/null 2>&1 | sed -n 's|^ \(/.*/include/c++.*\)$|\1|p')
else
  args+=(-p "$database")
fi
# run-clang-tidy prints each file's findings; -warnings-as-errors in .clang-tidy makes it fail.
if ! run-clang-tidy "${args[@]}" "$filter" >"$work/log" 2>&1; then
  sed 's/\x1b\[[0-9;]*m//g' "$work/log" | grep -E '(warning|error):' | sort -u >&2 || cat "$work/log" >&2
  echo "clang-tidy found the problems above" >&2
  exit 1
fi
