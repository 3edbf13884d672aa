#!/usr/bin/env bash
# Makes the Debian package of korvala-service from its optimised build: the program (stripped)
# in /usr/sbin, its manual page, the systemd unit, the configuration file and the maintainer
# scripts of this folder. dpkg's own tools write the control file: the libraries' dependencies
# (dpkg-shlibdeps), the installed size, the architecture.
# Usage: make-deb.sh PROGRAM VERSION README OUTPUT.deb STAGE MAINTAINER COPYRIGHT-HOLDER
# README is the service's, whose options the manual page lists; STAGE is a scratch folder; the
# dates are the commit's (SOURCE_DATE_EPOCH when set).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1 version=$2 readme=$3 deb=$4 stage=$5 maintainer=$6 holder=$7
: "${SOURCE_DATE_EPOCH:=$(git -C "$here" log -1 --format=%ct)}"
export SOURCE_DATE_EPOCH

rm -rf "$stage"
root=$stage/root doc=$stage/root/usr/share/doc/korvala-service
mkdir -p "$stage/debian" "$root/DEBIAN" "$doc" "$root/usr/share/man/man8"
install -D -m 0755 "$program" "$root/usr/sbin/korvala-service"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root/usr/sbin/korvala-service"
install -D -m 0644 "$here/korvala-service.service" "$root/usr/lib/systemd/system/korvala-service.service"
# Shipped as every configuration file; postinst gives it to the group korvala, mode 0640
# (dpkg-statoverride, which dpkg applies to later versions of the file too).
install -D -m 0644 "$here/service.conf" "$root/etc/korvala/service.conf"
"$here/make-manual.py" "$readme" "$here/korvala-service.8.in" "$version" "$stage/korvala-service.8"
gzip -9n <"$stage/korvala-service.8" >"$root/usr/share/man/man8/korvala-service.8.gz"

sed "s|@MAINTAINER@|$maintainer|" "$here/control" >"$stage/debian/control"
cat >"$stage/debian/changelog" <<CHANGES
korvala-service ($version) stable; urgency=medium

  * Korvala $version.

 -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")
CHANGES
gzip -9n <"$stage/debian/changelog" >"$doc/changelog.gz"
cat >"$doc/copyright" <<COPYRIGHT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: korvala-service

Files: *
Copyright: $(date -u +%Y -d "@$SOURCE_DATE_EPOCH") $holder
License: all-rights-reserved
 No license is granted: all rights are reserved by the copyright holder.
COPYRIGHT
chmod 0644 "$doc/copyright"

install -m 0755 "$here/postinst" "$here/prerm" "$here/postrm" "$root/DEBIAN/"
echo /etc/korvala/service.conf >"$root/DEBIAN/conffiles"
(cd "$stage" && dpkg-shlibdeps -Tdebian/substvars root/usr/sbin/korvala-service &&
  dpkg-gencontrol -pkorvala-service -Proot -Tdebian/substvars -fdebian/files)
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum >DEBIAN/md5sums)
chmod 0644 "$root/DEBIAN/md5sums" "$root/DEBIAN/conffiles"
mkdir -p "$(dirname "$deb")"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb"
