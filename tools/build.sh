#!/usr/bin/env bash
# Configures and builds the tree: natively (code without Windows headers, the service, with
# sanitizers for the tests), the service optimised and without sanitizers for running it
# (build/service-release: the demo and the benchmarks), cross for 32-bit Windows (the shipped
# binaries) and cross for 64-bit Windows (the same code, for running the tests where the machine
# runs no 32-bit code). Usage: build.sh [native|service|win32|win64|all|fuzz|release|release-win64|deb]
# (default all: the first four); fuzz builds the libFuzzer targets with clang in build/fuzz.
#
# deb makes the Debian package of the service from build/service-release:
# build/release/korvala-service_<version>_<architecture>.deb (service/package).
#
# release puts the release of the 32-bit deliverables in build/release: KVObject.dll,
# korvala-desk.exe and korvala-setup.exe optimised, stripped and signed, their symbol files
# (*.debug) and SHA256SUMS; its build tree, with the tests that check it (label release), is
# build/release-tree. It takes from the environment:
#   KORVALA_SERVICE_URL                  the vendor's service address (required)
#   KORVALA_SIGN_CERT, KORVALA_SIGN_KEY  the signing certificate and its key (PEM); without them the
#                                        release is signed with a throwaway certificate it makes
#   KORVALA_SIGN_PASSWORD_FILE, KORVALA_TIMESTAMP_URL, SOURCE_DATE_EPOCH: see tools/sign.sh
# release-win64 makes the same of the 64-bit test build (build/release-win64), never shipped: it
# runs the release's tests where the machine runs no 32-bit programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
targets=(native service win32 win64 all fuzz release release-win64 deb)
if [[ " ${targets[*]} " != *" $what "* ]]; then
  echo "build.sh: unknown target '$what'; usage: build.sh [$(IFS='|' && echo "${targets[*]}")]" >&2
  exit 2
fi
cross() {
  cmake -S "$root" -B "$root/build/$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$2.cmake" >/dev/null
  cmake --build "$root/build/$1"
}
release() {
  local files=$1 toolchain=$2
  if [ -z "${KORVALA_SERVICE_URL:-}" ]; then
    echo "build.sh: a release needs the vendor's service address in KORVALA_SERVICE_URL, for example" >&2
    echo "  KORVALA_SERVICE_URL=http://updates.example.com tools/build.sh release" >&2
    exit 2
  fi
  cmake -S "$root" -B "$root/build/$files-tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$toolchain.cmake" \
    -DKORVALA_RELEASE=ON -DCMAKE_BUILD_TYPE=Release -DKORVALA_SERVICE_URL="$KORVALA_SERVICE_URL" \
    -DKORVALA_RELEASE_DIR="$root/build/$files" \
    -DKORVALA_SIGN_CERT="${KORVALA_SIGN_CERT:-}" -DKORVALA_SIGN_KEY="${KORVALA_SIGN_KEY:-}" >/dev/null
  cmake --build "$root/build/$files-tree" --target korvala_release
  echo "build.sh: the release for $KORVALA_SERVICE_URL is in build/$files, signed with" \
    "$(sed -n 's/^KORVALA_SIGN_CERT:FILEPATH=//p' "$root/build/$files-tree/CMakeCache.txt")"
}
if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/native" -G Ninja -DKORVALA_SANITIZE=ON >/dev/null
  cmake --build "$root/build/native"
fi
service_release() {
  cmake -S "$root" -B "$root/build/service-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build/service-release" --target "$@"
}
if [ "$what" = service ] || [ "$what" = all ]; then
  service_release korvala-service service_bench scan_match_bench service_load scan_history
fi
if [ "$what" = deb ]; then
  service_release korvala_service_deb
fi
if [ "$what" = win32 ] || [ "$what" = all ]; then
  cross win32 i686
fi
if [ "$what" = win64 ] || [ "$what" = all ]; then
  cross win64 x86_64
fi
if [ "$what" = release ]; then
  release release i686
fi
if [ "$what" = release-win64 ]; then
  release release-win64 x86_64
fi
if [ "$what" = fuzz ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DKORVALA_SANITIZE=ON -DKORVALA_FUZZ=ON >/dev/null
  cmake --build "$root/build/fuzz" --target fuzzers
fi
