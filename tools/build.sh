#!/usr/bin/env bash
# Configures and builds the tree: natively (code without Windows headers, the service, with
# sanitizers for the tests), the service optimised and without sanitizers for running it
# (build/service-release: the demo and the benchmarks), cross for 32-bit Windows (the shipped
# binaries) and cross for 64-bit Windows (the same code, for running the tests where the machine
# runs no 32-bit code). Usage: build.sh [native|service|win32|win64|all|fuzz] (default all: the
# first four); fuzz builds the libFuzzer targets with clang in build/fuzz.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
cross() {
  cmake -S "$root" -B "$root/build/$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$2.cmake" >/dev/null
  cmake --build "$root/build/$1"
}
if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/native" -G Ninja -DKORVALA_SANITIZE=ON >/dev/null
  cmake --build "$root/build/native"
fi
if [ "$what" = service ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/service-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build/service-release" --target korvala-service service_bench service_load
fi
if [ "$what" = win32 ] || [ "$what" = all ]; then
  cross win32 i686
fi
if [ "$what" = win64 ] || [ "$what" = all ]; then
  cross win64 x86_64
fi
if [ "$what" = fuzz ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DKORVALA_SANITIZE=ON -DKORVALA_FUZZ=ON >/dev/null
  cmake --build "$root/build/fuzz" --target fuzzers
fi
