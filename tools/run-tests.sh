#!/usr/bin/env bash
# The whole test suite: installs what is needed, builds every configuration, runs the native
# tests (with AddressSanitizer and UndefinedBehaviorSanitizer), the fuzzers over their corpora and
# the Windows tests under Wine: the shipped 32-bit binaries in a 32-bit prefix and in a 64-bit
# prefix (WoW64, as most people run them), and the 64-bit build of the same code in a 64-bit
# prefix. The release is built once and checked too: its files (imports, resources, signatures),
# and in a 32-bit prefix its installer and the optimised program's scans.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/format.sh" --check
"$root/tools/check-ownership.sh"
"$root/tools/build.sh" all
"$root/tools/build.sh" fuzz
# No vendor's address is known here: the release's program is given the reference service's, which
# its tests start on the loopback address.
KORVALA_SERVICE_URL=http://127.0.0.1:8077 "$root/tools/build.sh" release
"$root/tools/tidy.sh"

ctest --test-dir "$root/build/native" --output-on-failure -j2
# Every fuzzer over its corpus for a fixed number of inputs.
ctest --test-dir "$root/build/fuzz" --output-on-failure -j2 -L fuzz

# Runs one build tree's Windows tests in a prefix of the given architecture; further arguments
# go to ctest (a label that selects the tests).
windows_suite() {
  local build=$1 arch=$2 prefix=$3
  shift 3
  echo "== Windows tests of build/$build in a $arch prefix $*"
  KORVALA_WINEPREFIX=$prefix KORVALA_WINEARCH=$arch "$root/tools/with-display.sh" bash -c '
    build=$1 root=$2
    shift 2
    ctest --test-dir "$build" --output-on-failure -j2 "$@"; status=$?
    "$root/tools/wine-prefix" stop
    exit $status' bash "$root/build/$build" "$root" "$@"
}

status=0
runs_32bit=0
"$root/tools/runs-32bit" || runs_32bit=$?
if [ $runs_32bit -eq 0 ]; then
  windows_suite win32 win32 "$root/build/win32/wineprefix" || status=1
  # Under WoW64: the engine, the library, the installer and the desktop scan end to end.
  windows_suite win32 win64 "$root/build/win32/wineprefix-wow64" -L wow64 || status=1
  cmake --build "$root/build/release-tree" --target release_test_programs
  windows_suite release-tree win32 "$root/build/release-tree/wineprefix" -L release || status=1
else
  if [ $runs_32bit -eq 2 ]; then
    # The kernel could run them: skipping them would pass what was never tested.
    echo "== FAIL: this machine runs 32-bit programs, but Wine's 32-bit loader (wine32:i386) is not"
    echo "   installed (see install-deps' message above): the 32-bit suites cannot run."
    status=1
  else
    echo "== NOTE: this machine's kernel runs no 32-bit programs; the 32-bit binaries are built but"
    echo "   their tests cannot run here, neither in a 32-bit prefix nor in a 64-bit one (WoW64)."
    echo "   The 64-bit build of the same code is tested instead."
  fi
  echo "   What runs no Windows code (the checks of the shipped binaries and of the release's"
  echo "   signatures) runs all the same:"
  ctest --test-dir "$root/build/win32" --output-on-failure -L no-wine || status=1
  ctest --test-dir "$root/build/release-tree" --output-on-failure -L no-wine || status=1
fi
windows_suite win64 win64 "$root/build/win64/wineprefix" || status=1
exit $status
