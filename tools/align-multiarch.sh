#!/usr/bin/env bash
# Installs packages of a foreign architecture (for example wine32:i386) where apt refuses them
# because the index is skewed between architectures: a "Multi-Arch: same" library must have one
# version on every architecture, and when the installed native copy carries an update that the
# foreign index lacks (a mirror in the middle of a sync, a security index that did not download
# for one architecture), apt finds no version of the foreign copy that fits.
#
# Each such library that the requested packages need is moved, on both architectures, to the
# highest version that both have; the installed packages that apt would remove for it (its -dev
# package, its tools) move along to the same version. Nothing installed is removed: the whole set
# is installed in one command, and only when apt's plan for it removes nothing. Every move is
# printed with its reason. Usage: align-multiarch.sh PACKAGE... (as for apt-get install; the
# native packages that must stay installed beside the foreign ones belong in the list too).
set -euo pipefail
native=$(dpkg --print-architecture)
requested=("$@")
foreign=()
for p in "${requested[@]}"; do [[ $p == *:* && $p != *:"$native" ]] && foreign+=("$p"); done
[ ${#foreign[@]} -gt 0 ] || { echo "align-multiarch: no package of a foreign architecture was asked for" >&2; exit 2; }
arch=${foreign[0]#*:}
say() { echo "align-multiarch: $*" >&2; }

# Every version the index offers of the packages named, as "name <tab> architecture <tab> version"
# (name without architecture; apt-cache madison pads its columns).
offered() {
  apt-cache madison "$@" | awk -F'|' '{ n = $1; v = $2; gsub(/ /, "", n); gsub(/ /, "", v); sub(/:.*/, "", n)
    split($3, w, " "); print n "\t" w[3] "\t" v }' | sort -u
}
has_version() { grep -qxF "$1"$'\t'"$2"$'\t'"$3" <<<"$index"; }  # name, architecture, version
highest() {
  local best="" v
  for v in "$@"; do if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi; done
  echo "$best"
}
versions_of() { awk -F'\t' -v n="$1" -v a="$2" '$1 == n && $2 == a { print $3 }' <<<"$index" | sort; }

# The installed native "Multi-Arch: same" libraries whose foreign copies the requested packages
# need (dpkg-query fails for the names that are not installed, and prints the others).
mapfile -t needed < <(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${foreign[@]}" 2>/dev/null | grep -v '^ ' | sed -n "s/:$arch\$//p" | sort -u)
installed=$({ dpkg-query -W -f='${Package}\t${Version}\t${Multi-Arch}\t${Architecture}\t${source:Package}\n' \
  "${needed[@]}" 2>/dev/null || true; } | awk -F'\t' -v a="$native" '$3 == "same" && $4 == a')
[ -n "$installed" ] || { say "the requested packages need no library that both architectures share"; exit 1; }
index=$(offered $(cut -f1 <<<"$installed") $(cut -f1 <<<"$installed" | sed "s/\$/:$arch/"))

requests=() moves=() stuck=()
declare -A target_of_source
while IFS=$'\t' read -r name version _ _ source; do
  # The foreign copy of a library whose installed version it has is asked for at that version too:
  # apt would otherwise take the foreign copy's candidate, which need not be the installed one.
  if has_version "$name" "$arch" "$version"; then
    requests+=("$name:$arch=$version")
    continue
  fi
  target=$(highest $(comm -12 <(versions_of "$name" "$native") <(versions_of "$name" "$arch")))
  if [ -z "$target" ]; then
    stuck+=("$name: installed $version; $arch has $(versions_of "$name" "$arch" | tr '\n' ' ')")
    continue
  fi
  requests+=("$name:$native=$target" "$name:$arch=$target")
  moves+=("$name:$native $version -> $target")
  target_of_source[$source]=$target
done <<<"$installed"
if [ ${#stuck[@]} -gt 0 ]; then
  say "no version that both $native and $arch have for:"
  printf '  %s\n' "${stuck[@]}" >&2
  exit 1
fi
[ ${#moves[@]} -gt 0 ] || { say "no library that the $arch packages need differs in version between $native and $arch"; exit 1; }

apt_install=(apt-get install -y -qq --no-install-recommends --allow-downgrades)
plan() { DEBIAN_FRONTEND=noninteractive "${apt_install[@]}" -s "${requested[@]}" "${requests[@]}" 2>&1; }
# Rounds: what apt would remove because a moved library's exact version is gone (its -dev package)
# moves along; what it would remove only because of those (a package needing the -dev one) is
# kept by the next round.
while true; do
  if ! simulation=$(plan); then
    say "apt finds no installation of these moves:"
    printf '  %s\n' "${moves[@]}" >&2
    grep -E '^E:|Depends:' <<<"$simulation" | head -20 >&2
    exit 1
  fi
  mapfile -t removed < <(sed -n 's/^Remv \([^ ]*\) .*/\1/p' <<<"$simulation")
  [ ${#removed[@]} -eq 0 ] && break
  index=$(offered "${removed[@]}")
  progress=0
  for package in "${removed[@]}"; do
    read -r version package_arch source < <(dpkg-query -W -f='${Version} ${Architecture} ${source:Package}\n' "$package")
    target=${target_of_source[$source]:-}
    [ -n "$target" ] && has_version "${package%:*}" "$package_arch" "$target" || continue
    requests+=("$package=$target")
    moves+=("$package $version -> $target (built with the libraries above)")
    progress=1
  done
  if [ $progress -eq 0 ]; then
    say "apt would remove ${removed[*]}, and the index has no version of them that fits these moves:"
    printf '  %s\n' "${moves[@]}" >&2
    exit 1
  fi
done

say "these libraries must have one version on $native and $arch, and the $arch index lacks the installed"
say "one: moved to the highest version both architectures have:"
printf '  %s\n' "${moves[@]}" >&2
# Naming a package on apt's command line marks it as installed by hand: the moved packages keep
# the mark they had, and the new foreign libraries are marked as installed for what needs them.
automatic=$(apt-mark showauto)
DEBIAN_FRONTEND=noninteractive "${apt_install[@]}" --no-remove "${requested[@]}" "${requests[@]}" >/dev/null
marks=()
for request in "${requests[@]}"; do
  package=${request%=*}
  if [[ $package == *:"$arch" ]] || grep -qxF -e "$package" -e "${package%:"$native"}" <<<"$automatic"; then
    marks+=("$package")
  fi
done
apt-mark auto "${marks[@]}" >/dev/null
