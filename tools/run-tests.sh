#!/usr/bin/env bash
# The whole test suite: installs what is needed, builds, runs the native tests (with
# AddressSanitizer and UndefinedBehaviorSanitizer), the test of the service's Debian package, the
# fuzzers over their corpora, clang-tidy over the native build and over the Windows build that is
# tested, and the Windows tests under Wine. Where the machine runs 32-bit programs these are the
# shipped 32-bit binaries in a 32-bit prefix and in a 64-bit prefix (WoW64, as most people run
# them) and the release's own tests; elsewhere the 64-bit build of the same code in a 64-bit prefix
# stands in, and what of the release needs no Wine (its files' imports, resources and signatures)
# is checked.
# Each step prints the minutes it took.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
step() {
  local from=$SECONDS status=0
  "$@" || status=$?
  echo "== $(( (SECONDS - from) / 60 )) min $(( (SECONDS - from) % 60 )) s: $*"
  return $status
}
step "$root/tools/install-deps.sh"
step "$root/tools/format.sh" --check
step "$root/tools/check-ownership.sh"
step "$root/tools/build.sh" native
step "$root/tools/build.sh" service
step "$root/tools/build.sh" deb
step "$root/tools/build.sh" fuzz
# No vendor's address is known here: the release's program is given the reference service's, which
# its tests start on the loopback address.
KORVALA_SERVICE_URL=http://127.0.0.1:8077 step "$root/tools/build.sh" release
step "$root/tools/tidy.sh"

step ctest --test-dir "$root/build/native" --output-on-failure -j2
# The service's Debian package: its files, lintian, its maintainer scripts in a throwaway root.
step ctest --test-dir "$root/build/service-release" --output-on-failure -L package
# Every fuzzer over its corpus for a fixed number of inputs.
step ctest --test-dir "$root/build/fuzz" --output-on-failure -j2 -L fuzz

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
  step "$root/tools/build.sh" win32
  step "$root/tools/tidy.sh" win32
  step windows_suite win32 win32 "$root/build/win32/wineprefix" || status=1
  # Under WoW64: the engine, the library, the installer and the desktop scan end to end.
  step windows_suite win32 win64 "$root/build/win32/wineprefix-wow64" -L wow64 || status=1
  step cmake --build "$root/build/release-tree" --target release_test_programs
  step windows_suite release-tree win32 "$root/build/release-tree/wineprefix" -L release || status=1
else
  if [ $runs_32bit -eq 2 ]; then
    # The kernel could run them: skipping them would pass what was never tested.
    echo "== FAIL: this machine runs 32-bit programs, but Wine's 32-bit loader (wine32:i386) is not"
    echo "   installed (see install-deps' message above): the 32-bit suites cannot run."
    status=1
  else
    echo "== NOTE: this machine's kernel runs no 32-bit programs; the 32-bit binaries cannot run here,"
    echo "   neither in a 32-bit prefix nor in a 64-bit one (WoW64). The 64-bit build of the same code"
    echo "   is tested instead, and of the release what runs no Windows code (the checks of its files'"
    echo "   imports, resources and signatures)."
  fi
  step ctest --test-dir "$root/build/release-tree" --output-on-failure -L no-wine || status=1
  step "$root/tools/build.sh" win64
  step "$root/tools/tidy.sh" win64
  step windows_suite win64 win64 "$root/build/win64/wineprefix" || status=1
fi
echo "== $(( (SECONDS - started) / 60 )) min in all"
exit $status
