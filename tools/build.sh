#!/usr/bin/env bash
# Configures and builds the tree twice: natively (code without Windows headers, the service)
# and cross for 32-bit Windows. Usage: build.sh [native|win32|all|fuzz] (default all); fuzz
# builds the libFuzzer targets with clang in build/fuzz.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/native" -G Ninja -DKORVALA_SANITIZE=ON >/dev/null
  cmake --build "$root/build/native"
fi
if [ "$what" = win32 ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
  cmake --build "$root/build/win32"
fi
if [ "$what" = fuzz ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DKORVALA_SANITIZE=ON -DKORVALA_FUZZ=ON >/dev/null
  cmake --build "$root/build/fuzz" --target fuzzers
fi
