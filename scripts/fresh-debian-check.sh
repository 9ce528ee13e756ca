#!/usr/bin/env bash
# Proves that a new machine needs nothing beyond what the README says: makes
# a minimal Debian 12 root (debootstrap --variant=minbase), clones this
# repository's committed HEAD into it and runs the README's two commands
# there, scripts/demo.sh and scripts/test.sh. A package that setup.sh forgets
# fails here, whatever this machine happens to have installed.
# Needs root. The root folder and its mounts are removed however it ends.
#   scripts/fresh-debian-check.sh [--keep]   (--keep leaves the root for a look)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
keep=no
[ "${1:-}" = --keep ] && keep=yes
[ "$(id -u)" -eq 0 ] || { echo "fresh-debian-check.sh monta y usa chroot: ejecútelo como root" >&2; exit 2; }

if ! command -v debootstrap >/dev/null; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi
# The mirror this machine uses (a deb822 or a one-line source), else Debian's.
mirror=$(sed -n 's/^URIs: *\([^ ]*debian\)\/\{0,1\}$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=$(sed -n 's/^deb \(http[^ ]*\) bookworm main.*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian

root=$(mktemp -d /var/tmp/tpv-fresh.XXXXXX)
mounted=()
cleanup() {
  local status=$?
  # Whatever is still running in the root (a scheduler, a virtual printer)
  # holds its mounts: end those processes, found by their root folder.
  for p in /proc/[0-9]*; do
    if [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ]; then kill -9 "${p#/proc/}" 2>/dev/null || true; fi
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[$i]}" 2>/dev/null || umount -l "${mounted[$i]}" 2>/dev/null || true
  done
  if grep -q " $root/" /proc/mounts; then
    echo "Quedan montajes bajo $root; no se borra" >&2
  elif [ "$keep" = yes ]; then
    echo "Raíz conservada en $root" >&2
  else
    rm -rf "$root"
  fi
  exit "$status"
}
trap cleanup EXIT INT TERM

start=$(date +%s)
echo "Raíz mínima de Debian 12 en $root (réplica $mirror)"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { cat "$root.debootstrap.log" >&2; rm -f "$root.debootstrap.log"; exit 1; }
rm -f "$root.debootstrap.log"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# The committed HEAD of this checkout, as `git clone` gives it.
head=$(git -C "$here" rev-parse HEAD)
git clone -q --no-hardlinks "$here" "$root/root/lector-tpv"
git -C "$root/root/lector-tpv" checkout -q --detach "$head"

for m in proc sys dev dev/pts; do
  mkdir -p "$root/$m"
  case $m in
    proc) mount -t proc proc "$root/proc" ;;
    sys) mount -t sysfs sysfs "$root/sys" ;;
    dev) mount --bind /dev "$root/dev" ;;
    dev/pts) mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts" ;;
  esac
  mounted+=("$root/$m")
done

# The bytes of the packages apt has downloaded into the root so far.
downloaded() { find "$root/var/cache/apt/archives" -name '*.deb' -printf '%s\n' | awk '{s += $1} END {print s + 0}'; }
echo "README: scripts/demo.sh y scripts/test.sh en la raíz nueva"
for command in scripts/demo.sh scripts/test.sh; do
  before=$(downloaded)
  began=$(date +%s)
  env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb LANG=C.UTF-8 \
    chroot "$root" /bin/bash -c "cd /root/lector-tpv && $command"
  echo "fresh-debian-check: $command en $(( $(date +%s) - began )) s, $(( ($(downloaded) - before) / 1048576 )) MiB descargados"
done
echo "fresh-debian-check: correcto en $(( ($(date +%s) - start) / 60 )) min"
