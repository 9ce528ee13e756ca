#!/usr/bin/env bash
# Builds the Debian package and checks it the way an installation uses it:
# its files and dependencies, the systemd unit, the maintainer scripts
# (system user, state folder, enabled unit), the installed program run
# headless on a demo folder, and a purge that leaves the machine clean.
# Needs root (it installs the package with dpkg); one line per check, exit
# status non-zero when any check fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${TPV_BUILD_DIR:-build}
pkg=lector-tpv
state=/var/lib/lector-tpv
unit=/usr/lib/systemd/system/lector-tpv.service
template=/usr/lib/systemd/system/lector-tpv@.service

failures=0
ok() { echo "ok: $*"; }
fail() { echo "FALLO: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@" >/dev/null 2>&1; then ok "$what"; else fail "$what"; fi; }

[ "$(id -u)" -eq 0 ] || { echo "package-check.sh instala el paquete: ejecútelo como root" >&2; exit 2; }
# Never purge a real installation or its databases.
if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed'; then
  echo "El paquete $pkg ya está instalado en esta máquina; no se comprueba aquí" >&2; exit 2
fi
if [ -e "$state" ]; then
  echo "$state ya existe en esta máquina; no se comprueba aquí" >&2; exit 2
fi

bash scripts/setup.sh pruebas
bash scripts/build.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/${pkg}_${version}_$(dpkg --print-architecture).deb"
rm -f "$build/${pkg}"_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
check "paquete $(basename "$deb")" test -f "$deb"
[ -f "$deb" ] || { echo "No se generó el paquete" >&2; exit 1; }

# Contents.
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in /usr/bin/lector-tpv /usr/bin/lector-tpv-config "$unit" "$template" /usr/share/doc/lector-tpv/README.md \
         /usr/share/doc/lector-tpv/impresoras.ini.example /usr/share/lector-tpv/prometheus/lector-tpv.rules.yml; do
  check "contiene $f" grep -qx "\.$f" <<<"$contents"
done
check "contiene solo /usr" test -z "$(grep -v '^\./usr/' <<<"$contents" | grep -vx '\./' || true)"

# Control data: maintainer scripts and dependencies.
info=$(dpkg-deb -I "$deb")
for s in postinst prerm postrm; do check "script $s" grep -qE "^ +[0-9]+ bytes, +[0-9]+ lines +\* +$s " <<<"$info"; done
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
has_dep() { grep -qx "$1" <<<"$depends"; }
for d in libqt6sql6-sqlite libqt6sql6-odbc tdsodbc mdbtools libqt6core6 libqt6sql6; do check "depende de $d" has_dep "$d"; done
# Every library the packaged program links comes with a package it depends on.
tmp=$(mktemp -d /tmp/tpv-package.XXXXXX)
chmod 0755 "$tmp"
dpkg-deb -x "$deb" "$tmp/root"
for soname in $(readelf -d "$tmp/root/usr/bin/lector-tpv" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
  # awk reads to the end: leaving early would kill ldconfig with SIGPIPE.
  path=$(ldconfig -p | awk -v s="$soname" '$1 == s && !found {print $NF; found = 1}')
  owner=$(dpkg -S "$(realpath "$path")" 2>/dev/null | head -n1 | cut -d: -f1 || true)
  [ -n "$owner" ] || owner=$(dpkg -S "$path" 2>/dev/null | head -n1 | cut -d: -f1 || true)
  check "depende de $owner (por $soname)" has_dep "$owner"
done

cleanup() {
  if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'installed'; then
    dpkg --purge "$pkg" >/dev/null 2>&1 || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

# Installing it.
if ! dpkg -i "$deb" >"$tmp/dpkg.log" 2>&1; then
  DEBIAN_FRONTEND=noninteractive apt-get install -f -y -qq --no-install-recommends >>"$tmp/dpkg.log" 2>&1 || true
fi
if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
  ok "dpkg -i"
else
  fail "dpkg -i"; cat "$tmp/dpkg.log"; exit 1
fi
check "usuario de sistema lector-tpv" getent passwd lector-tpv
groups=$(id -nG lector-tpv 2>/dev/null || true)
for g in lp dialout; do check "lector-tpv en el grupo $g" grep -qw "$g" <<<"$groups"; done
check "$state es de lector-tpv" test "$(stat -c %U "$state" 2>/dev/null)" = lector-tpv
check "servicio habilitado" test -L /etc/systemd/system/multi-user.target.wants/lector-tpv.service
# Warnings (an unknown or misspelt key) count as failures too.
if systemd-analyze verify "$unit" >"$tmp/verify.log" 2>&1 && [ ! -s "$tmp/verify.log" ]; then ok "systemd-analyze verify"; else fail "systemd-analyze verify"; cat "$tmp/verify.log"; fi
for line in 'Type=notify' 'ExecStart=/usr/bin/lector-tpv --headless --data-dir /var/lib/lector-tpv --http 127.0.0.1:9580' \
            'User=lector-tpv' 'StateDirectory=lector-tpv' 'Restart=on-failure'; do
  check "servicio: $line" grep -qx "$line" "$unit"
done
check "servicio: WatchdogSec" grep -qE '^WatchdogSec=[1-9]' "$unit"
# The template, checked through an instance (a template alone is no unit).
if systemd-analyze verify lector-tpv@3.service >"$tmp/verify@.log" 2>&1 && [ ! -s "$tmp/verify@.log" ]; then
  ok "systemd-analyze verify lector-tpv@3.service"
else
  fail "systemd-analyze verify lector-tpv@3.service"; cat "$tmp/verify@.log"
fi
for line in 'Type=notify' 'ExecStart=/usr/bin/lector-tpv --headless --data-dir /var/lib/lector-tpv/%i' \
            'EnvironmentFile=-/var/lib/lector-tpv/%i/servicio.env' \
            'User=lector-tpv' 'StateDirectory=lector-tpv/%i' 'Restart=on-failure'; do
  check "plantilla: $line" grep -qx "$line" "$template"
done
check "plantilla no habilitada" test ! -e /etc/systemd/system/multi-user.target.wants/lector-tpv@.service

# The installed configuration command, as the service user, on a new folder.
site="$tmp/sitio"
mkdir -p "$site"
chown lector-tpv:lector-tpv "$site"
as_service() { env -u DISPLAY -u WAYLAND_DISPLAY HOME="$state" setpriv --reuid=lector-tpv --regid=lector-tpv --init-groups "$@"; }
check "lector-tpv-config poner" as_service /usr/bin/lector-tpv-config --data-dir "$site" poner Ip=127.0.0.1,1 Tiempo=2000 tpv=3
check "lector-tpv-config rechaza Tiempo=60000" bash -c "! /usr/bin/lector-tpv-config --data-dir '$site' poner Tiempo=60000 2>/dev/null"
check "lector-tpv-config mostrar" bash -c "/usr/bin/lector-tpv-config --data-dir '$site' mostrar 2>/dev/null | grep -qx 'Tiempo: 2000'"
check "ConfGarnet.mdb solo para su dueño" test "$(stat -c %a "$site/ConfGarnet.mdb")" = 600

# The installed program, as the service user, on a demo folder with one order.
"$build/tools/tpv-demo" --data-dir "$tmp/datos" --printers "$tmp/impresoras" 2>/dev/null
"$build/tools/tpv-terminal" --db "$tmp/datos/pedidos.db" --orders 1 --interval 0 >/dev/null 2>&1
chown -R lector-tpv:lector-tpv "$tmp/datos" "$tmp/impresoras"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u JOURNAL_STREAM -u NOTIFY_SOCKET HOME="$state" \
  timeout 120 setpriv --reuid=lector-tpv --regid=lector-tpv --init-groups \
  /usr/bin/lector-tpv --headless --data-dir "$tmp/datos" --printers "$tmp/impresoras" --ticks 2 --http 127.0.0.1:0 \
  >"$tmp/run.log" 2>&1 || status=$?
if [ "$status" -eq 0 ]; then ok "lector-tpv instalado termina con 0 tras 2 ciclos"; else fail "lector-tpv instalado terminó con $status"; cat "$tmp/run.log"; fi
printed=$(find "$tmp/impresoras" -name '??????.txt' | wc -l)
if [ "$printed" -gt 0 ]; then ok "tickets impresos: $printed"; else fail "ningún ticket impreso"; cat "$tmp/run.log"; fi
check "registro: una línea de arranque con HTTP" grep -q '^Lector TPV .* en marcha; .*; HTTP en 127\.0\.0\.1:[1-9]' "$tmp/run.log"

# Purging leaves nothing behind.
dpkg --purge "$pkg" >"$tmp/purge.log" 2>&1 || { fail "dpkg --purge"; cat "$tmp/purge.log"; }
check "paquete quitado" bash -c "! dpkg-query -W -f='\${Status}' $pkg 2>/dev/null | grep -q installed"
check "usuario lector-tpv quitado" bash -c '! getent passwd lector-tpv'
check "grupo lector-tpv quitado" bash -c '! getent group lector-tpv'
check "$state quitado" test ! -e "$state"
check "enlace del servicio quitado" test ! -e /etc/systemd/system/multi-user.target.wants/lector-tpv.service

if [ "$failures" -gt 0 ]; then echo "package-check: $failures comprobaciones fallidas"; exit 1; fi
echo "package-check: todo correcto"
