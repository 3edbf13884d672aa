#!/usr/bin/env bash
# The whole test suite: installs what is needed, builds every configuration, runs the native
# tests (with AddressSanitizer and UndefinedBehaviorSanitizer), the fuzzers over their corpora and
# the Windows tests under Wine: the shipped 32-bit binaries in a 32-bit prefix, and the 64-bit
# build of the same code in a 64-bit prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/format.sh" --check
"$root/tools/build.sh" all
"$root/tools/build.sh" fuzz
"$root/tools/tidy.sh"

ctest --test-dir "$root/build/native" --output-on-failure -j2
# Every fuzzer over its corpus for a fixed number of inputs.
ctest --test-dir "$root/build/fuzz" --output-on-failure -j2 -L fuzz

# Runs one build tree's Windows tests in a prefix of the given architecture.
windows_suite() {
  local build=$1 arch=$2 prefix=$3
  echo "== Windows tests of build/$build in a $arch prefix"
  KORVALA_WINEPREFIX=$prefix KORVALA_WINEARCH=$arch "$root/tools/with-display.sh" bash -c '
    ctest --test-dir "$0" --output-on-failure -j2; status=$?
    "$1/tools/wine-prefix" stop
    exit $status' "$root/build/$build" "$root"
}

status=0
if "$root/tools/runs-32bit"; then
  windows_suite win32 win32 "$root/build/win32/wineprefix" || status=1
else
  echo "== NOTE: this machine's kernel runs no 32-bit programs; the 32-bit binaries are built but"
  echo "   their tests cannot run here. The 64-bit build of the same code is tested instead."
fi
windows_suite win64 win64 "$root/build/win64/wineprefix" || status=1
exit $status
