#!/usr/bin/env bash
# The Debian package of korvala-service: its files with their modes and owners, its control data,
# lintian, and its maintainer scripts at work. Those run in throwaway copies of this machine's
# root (overlays over / in mount, PID and network namespaces of their own, gone when the test
# ends), so nothing of the machine changes. In one copy, as in a container without systemd, the
# package is installed, its service started as the unit starts it (its user, working folder, umask
# and ExecStart, with a socket of the test's own as systemd's notification socket) and asked for a
# page, then removed and purged. The other copy boots systemd in a container (systemd-nspawn),
# which installs the package, finds the unit started in its sandbox and answering, restarted by an
# upgrade and stopped by the removal, and purges it.
# Usage: test-package.sh PACKAGE.deb VERSION   (as root; otherwise only the files are checked, and
# the test reports itself skipped with status 77)
set -euo pipefail
self=$(realpath "$0")
unit=korvala-service.service
unit_file=/usr/lib/systemd/system/$unit
conf=/etc/korvala/service.conf
state=/var/lib/korvala

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
expect() {  # expect WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || fail "$1: \"$2\", expected \"$3\""
}

check_package() {
  local deb=$1 version=$2
  expect "files (mode, owner, path)" "$(dpkg-deb -c "$deb" | awk '{ print $1, $2, $6 }')" "\
drwxr-xr-x root/root ./
drwxr-xr-x root/root ./etc/
drwxr-xr-x root/root ./etc/korvala/
-rw-r--r-- root/root ./etc/korvala/service.conf
drwxr-xr-x root/root ./usr/
drwxr-xr-x root/root ./usr/lib/
drwxr-xr-x root/root ./usr/lib/systemd/
drwxr-xr-x root/root ./usr/lib/systemd/system/
-rw-r--r-- root/root ./usr/lib/systemd/system/korvala-service.service
drwxr-xr-x root/root ./usr/sbin/
-rwxr-xr-x root/root ./usr/sbin/korvala-service
drwxr-xr-x root/root ./usr/share/
drwxr-xr-x root/root ./usr/share/doc/
drwxr-xr-x root/root ./usr/share/doc/korvala-service/
-rw-r--r-- root/root ./usr/share/doc/korvala-service/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/korvala-service/copyright
drwxr-xr-x root/root ./usr/share/man/
drwxr-xr-x root/root ./usr/share/man/man8/
-rw-r--r-- root/root ./usr/share/man/man8/korvala-service.8.gz"
  expect "name" "$(basename "$deb")" "korvala-service_${version}_$(dpkg --print-architecture).deb"
  expect "control" "$(dpkg-deb -f "$deb" Package Version Architecture)" "\
Package: korvala-service
Version: $version
Architecture: $(dpkg --print-architecture)"
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in adduser libpq5 libsqlite3-0 libsystemd0; do
    [[ ", $depends," == *", $library"[\ ,]* ]] || fail "Depends lacks $library: $depends"
  done
  expect "conffiles" "$(dpkg-deb --ctrl-tarfile "$deb" | tar -xOf - ./conffiles)" "$conf"
  echo "== lintian"
  lintian --fail-on error,warning --display-info "$deb" 2>&1 | grep -v 'running with root privileges' ||
    [ "${PIPESTATUS[0]}" = 0 ] || fail "lintian reports errors or warnings"
}

# A copy of this machine's root in the folder given, thrown away with the test's mount namespace.
make_copy() {
  local copy=$1
  mkdir "$copy"
  mount -t tmpfs korvala-package-test "$copy"
  mkdir "$copy/changes" "$copy/work" "$copy/root"
  mount -t overlay overlay -o "lowerdir=/,upperdir=$copy/changes,workdir=$copy/work" "$copy/root"
  # Docker's images hold a policy that forbids starting services.
  rm -f "$copy/root/usr/sbin/policy-rc.d"
  echo "$copy/root"
}

# Puts this script and the package into a copy, at a place that the copy's own /tmp (a tmpfs in
# the chroot, systemd's in the container) does not hide: the checkout or the build may lie
# under /tmp. Echoes the folder as the copy sees it.
bring_in() {  # root deb
  mkdir "$1/root/korvala-package-test.d"
  cp "$self" "$2" "$1/root/korvala-package-test.d/"
  echo /root/korvala-package-test.d
}

# In the namespaces: this script again, in a chroot and in a container that boots systemd.
in_namespaces() {
  local deb=$1 scratch=$2 root result inside
  mount --make-rprivate /
  ip link set lo up
  root=$(make_copy "$scratch/without-systemd")
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount --rbind /sys "$root/sys"
  mount -t tmpfs tmpfs "$root/run"
  mount -t tmpfs tmpfs "$root/tmp"
  inside=$(bring_in "$root" "$deb")
  chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 "$inside/${self##*/}" --without-systemd "$inside/${deb##*/}"

  echo "== under systemd"
  root=$(make_copy "$scratch/under-systemd")
  result=$root/root/korvala-package-test
  inside=$(bring_in "$root" "$deb")
  cat >"$root/etc/systemd/system/korvala-package-test.target" <<TARGET
[Unit]
Requires=basic.target korvala-package-test.service
After=basic.target
TARGET
  cat >"$root/etc/systemd/system/korvala-package-test.service" <<SERVICE
[Unit]
After=basic.target
[Service]
Type=oneshot
ExecStart=$inside/${self##*/} --under-systemd $inside/${deb##*/}
StandardOutput=file:/root/korvala-package-test.log
StandardError=inherit
ExecStopPost=/usr/bin/systemctl poweroff --no-block
SERVICE
  timeout 300 systemd-nspawn --quiet --directory="$root" --boot --private-network --register=no --keep-unit \
    --machine=korvala-package-test -- systemd.unit=korvala-package-test.target >"$root/../nspawn.log" 2>&1 || true
  cat "$result.log" 2>/dev/null || cat "$root/../nspawn.log"
  [ -f "$result.passed" ] || fail "under systemd"
}

check_installed() {
  local account
  IFS=: read -r -a account <<<"$(getent passwd korvala)"
  [ "${account[2]}" -lt 1000 ] || fail "korvala is no system user: ${account[*]}"
  expect "korvala's home and shell" "${account[5]} ${account[6]}" "$state /usr/sbin/nologin"
  expect "korvala's group" "$(id -gn korvala)" korvala
  expect "state folders" "$(stat -c '%a %U %G %n' $state $state/downloads)" "\
750 korvala korvala $state
750 korvala korvala $state/downloads"
  expect "configuration file" "$(stat -c '%a %U %G' $conf)" "640 root korvala"
  echo "the administrator's file" >$state/downloads/korvala-setup.exe
  expect "the unit's link" "$(readlink -f /etc/systemd/system/multi-user.target.wants/$unit)" $unit_file
  systemd-analyze verify $unit_file || fail "systemd-analyze verify"
  systemd-analyze security --offline=yes --threshold=40 $unit | tail -1
  systemd-analyze security --offline=yes --threshold=40 $unit >/dev/null || fail "the unit's exposure is above 4.0"
}

# Starts the service as the unit says, waits for its READY=1, asks for its home page, stops it
# with SIGTERM and waits for its STOPPING=1 and its end.
run_as_the_unit_says() {
  local notices=/run/notices service status=0
  field() { sed -n "s/^$1=//p" $unit_file; }
  python3 -c '
import os, socket, sys
notify = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
notify.bind(sys.argv[1])
os.chmod(sys.argv[1], 0o777)
while True:
    with open(sys.argv[2], "a") as notices:
        notices.write(notify.recv(4096).decode() + "\n")' /run/notify $notices &
  for _ in $(seq 100); do [ -S /run/notify ] && break; sleep 0.1; done
  (
    cd "$(field WorkingDirectory)"
    umask "$(field UMask)"
    # shellcheck disable=SC2046
    exec setpriv --reuid="$(field User)" --regid="$(field Group)" --init-groups --reset-env --no-new-privs \
      --bounding-set=-all env NOTIFY_SOCKET=/run/notify $(field ExecStart)
  ) 2>/run/service.log &
  service=$!
  for _ in $(seq 300); do grep -q '^READY=1' $notices 2>/dev/null && break; sleep 0.1; done
  grep -q '^READY=1' $notices || { cat /run/service.log; fail "no READY=1 from the service"; }
  expect "GET / once ready" "$(curl -s -o /dev/null -w '%{http_code}' http://127.0.0.1:8077/)" 200
  kill -TERM $service
  wait $service || status=$?
  expect "the service's exit status after SIGTERM" $status 0
  grep -q '^STOPPING=1' $notices || fail "no STOPPING=1 from the service"
  expect "its catalog" "$(stat -c '%a %U' $state/catalog.sqlite)" "600 korvala"
  cat /run/service.log
}

check_removed() {
  expect "status after dpkg -r" "$(dpkg-query -W -f='${Status}' korvala-service)" "deinstall ok config-files"
  for gone in /usr/sbin/korvala-service $unit_file /usr/share/man/man8/korvala-service.8.gz; do
    [ ! -e "$gone" ] || fail "$gone is left after dpkg -r"
  done
  expect "kept configuration" "$(stat -c '%a %U %G' $conf)" "640 root korvala"
  [ -f $state/downloads/korvala-setup.exe ] || fail "dpkg -r deleted the state folder's files"
  expect "masked unit" "$(readlink /etc/systemd/system/$unit)" /dev/null
}

check_purged() {
  ! dpkg-query -W korvala-service 2>/dev/null || fail "dpkg still knows the package after dpkg -P"
  for gone in /etc/korvala $state; do
    [ ! -e "$gone" ] || fail "$gone is left after dpkg -P"
  done
  ! dpkg-statoverride --list $conf >/dev/null || fail "the statoverride is left after dpkg -P"
  expect "the unit's links after dpkg -P" "$(find /etc/systemd /var/lib/systemd -name "$unit*")" ""
  getent passwd korvala >/dev/null || fail "dpkg -P deleted the user korvala"
}

without_systemd() {
  local deb=$1
  # Rebuilding the index of the manual pages takes seconds after every step.
  rm -f /var/lib/man-db/auto-update
  echo "== without systemd"
  dpkg -i "$deb"
  check_installed
  run_as_the_unit_says
  dpkg -r korvala-service
  check_removed
  dpkg -P korvala-service
  check_purged
}

# The main process of the running service, and what its sandbox holds it to.
main_process() {
  local pid
  pid=$(systemctl show -p MainPID --value $unit)
  echo "$pid $(ps -o user= -p "$pid") $(grep -E '^(NoNewPrivs|Seccomp|CapEff):' /proc/"$pid"/status | tr -s '\t\n' '  ')"
}

under_systemd() {
  local deb=$1 before after
  rm -f /var/lib/man-db/auto-update
  dpkg -i "$deb"
  check_installed
  expect "the unit after dpkg -i" "$(systemctl is-active $unit)" active
  [[ $(systemctl show -p StatusText --value $unit) == "listening on http://127.0.0.1:8077 (catalog "* ]] ||
    fail "the unit's status: $(systemctl show -p StatusText --value $unit)"
  expect "GET /" "$(curl -s -o /dev/null -w '%{http_code}' http://127.0.0.1:8077/)" 200
  before=$(main_process)
  echo "the service's process: $before"
  [[ $before == *" korvala CapEff: 0000000000000000 NoNewPrivs: 1 Seccomp: 2 " ]] || fail "its sandbox: $before"
  dpkg -i "$deb"
  after=$(main_process)
  [ "${after%% *}" != "${before%% *}" ] || fail "an upgrade did not restart the service"
  expect "the unit after an upgrade" "$(systemctl is-active $unit)" active
  dpkg -r korvala-service
  expect "the unit after dpkg -r" "$(systemctl is-active $unit)" inactive
  journalctl -u $unit -o cat --no-pager | grep -qx "korvala-service: stopped" || fail "the service did not stop by itself"
  check_removed
  dpkg -P korvala-service
  check_purged
  journalctl -u $unit --no-pager
  touch /root/korvala-package-test.passed
}

case "${1:-}" in
--in-namespaces) in_namespaces "$2" "$3" ;;
--without-systemd) without_systemd "$2" ;;
--under-systemd) under_systemd "$2" ;;
*)
  deb=$(realpath "$1") version=$2
  check_package "$deb" "$version"
  if [ "$(id -u)" != 0 ]; then
    echo "SKIP: installing the package in a throwaway root needs root"
    exit 77
  fi
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  unshare --mount --pid --net --fork --mount-proc "$self" --in-namespaces "$deb" "$scratch"
  ;;
esac
