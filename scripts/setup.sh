#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the print
# server need. Idempotent: when everything is present it does nothing and says
# nothing. Must run as root (or through sudo) the first time.
set -euo pipefail

PACKAGES=(
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc unixodbc tdsodbc libsqliteodbc
  cups cups-client poppler-utils xvfb xauth fonts-liberation2 cmake g++
  libgtest-dev libgmock-dev googletest libbenchmark-dev sqlite3 ninja-build
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Instalando paquetes: ${missing[*]}" >&2
$SUDO apt-get update -qq
# --no-install-recommends: the recommended packages bring printer discovery
# daemons that talk to the network.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
