#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian 12 (run as root).
# A mirror in the middle of a sync serves index files that fail their checks: the index is
# fetched again a few times, then what can be installed is installed, a package of the other
# architecture that the skew between the architectures' indexes keeps out is installed with the
# shared libraries aligned (tools/align-multiarch.sh), and what could not be installed is named.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format clang-tidy
  g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 libwine-dev
  xvfb xauth x11-apps imagemagick
  googletest libgtest-dev libssl-dev
  libcpp-httplib-dev libsqlite3-dev sqlite3 libpq-dev postgresql pkgconf libsystemd-dev
  dpkg-dev lintian systemd systemd-container man-db adduser iproute2
  nsis chromium curl pci.ids usb.ids
  osslsigncode openssl icoutils python3 msitools wixl faketime
  prometheus apache2-utils linux-perf
)
missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}
mapfile -t missing < <(missing_packages)
[ ${#missing[@]} -eq 0 ] && exit 0

dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
for attempt in 1 2 3; do
  apt-get update -qq && break
  echo "install-deps: the package index did not download whole (attempt $attempt of 3)" >&2
  [ "$attempt" -lt 3 ] && sleep $((attempt * 10))
done
install() { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
if ! install "${missing[@]}"; then
  for p in "${missing[@]}"; do install "$p" || true; done
fi
mapfile -t missing < <(missing_packages)
# A package of the other architecture that apt refused may only need the libraries it shares with
# the native side moved to a version that both have.
if printf '%s\n' "${missing[@]}" | grep -q ':'; then
  "$(dirname "$0")/align-multiarch.sh" "${missing[@]}" || true
  mapfile -t missing < <(missing_packages)
fi
# What needs a missing package fails later with its own message; the rest still builds and runs.
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: WARNING: these packages could not be installed: ${missing[*]}" >&2
fi
