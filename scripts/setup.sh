#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the print
# server need. Idempotent: when everything is present it does nothing and says
# nothing. Must run as root (or through sudo) the first time.
set -euo pipefail

PACKAGES=(
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc unixodbc tdsodbc libsqliteodbc
  cups cups-client poppler-utils xvfb xauth fonts-liberation2 cmake g++
  libgtest-dev libgmock-dev googletest libbenchmark-dev sqlite3 ninja-build
  libsystemd-dev libcups2-dev pkg-config dpkg-dev fakeroot systemd locales
  libsqlite3-dev unixodbc-dev file mdbtools git ca-certificates procps
  qt6-translations-l10n
  chromium prometheus
)
# Installed for a tool of theirs only (prometheus: promtool checks the
# metrics in the tests): their daemon is neither started nor enabled.
TOOL_ONLY=(prometheus)

# The Spanish tests run under the real system locale.
LOCALE=es_ES.UTF-8
has_locale() { locale -a 2>/dev/null | grep -qiE '^es_ES\.utf-?8$'; }

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && has_locale && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Instalando paquetes: ${missing[*]}" >&2
  $SUDO apt-get update -qq
  # --no-install-recommends: the recommended packages bring printer discovery
  # daemons that talk to the network.
  tool_only=()
  for p in "${TOOL_ONLY[@]}"; do [[ " ${missing[*]} " == *" $p "* ]] && tool_only+=("$p"); done
  if [ ${#tool_only[@]} -gt 0 ] && [ ! -e /usr/sbin/policy-rc.d ]; then
    # Debian's way of keeping a package's service from starting as it is
    # installed; removed again below.
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
    $SUDO chmod 0755 /usr/sbin/policy-rc.d
    trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
  fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  for p in "${tool_only[@]}"; do
    $SUDO deb-systemd-helper disable "$p.service" >/dev/null 2>&1 || true
    $SUDO update-rc.d "$p" disable >/dev/null 2>&1 || true
  done
fi
if ! has_locale; then
  echo "Generando la configuración regional $LOCALE" >&2
  $SUDO sed -i -E "s/^# *($LOCALE UTF-8)/\1/" /etc/locale.gen
  grep -q "^$LOCALE UTF-8" /etc/locale.gen || echo "$LOCALE UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
