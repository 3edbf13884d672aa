#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian 12 (run as root).
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format clang-tidy
  g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 libwine-dev
  xvfb xauth x11-apps imagemagick
  googletest libgtest-dev libssl-dev
  libcpp-httplib-dev libsqlite3-dev sqlite3 libpq-dev postgresql
  nsis chromium curl pci.ids usb.ids
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
