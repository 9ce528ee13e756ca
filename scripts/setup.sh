#!/usr/bin/env bash
# Installs the Debian packages the print server needs:
#   scripts/setup.sh            building it and running it on the demo
#                               (scripts/build.sh, and so scripts/demo.sh)
#   scripts/setup.sh pruebas    that and the test tools (scripts/test.sh,
#                               scripts/package-check.sh)
# Idempotent: when everything is present it does nothing and says nothing.
# Must run as root (or through sudo) the first time.
set -euo pipefail

# Building: the compiler and the libraries the program links. Running: the
# SQLite driver of the embedded order database, the fonts the tickets are
# drawn with, and the window's Qt dialogs in Spanish.
PACKAGES=(
  cmake g++ ninja-build pkg-config
  qt6-base-dev libsqlite3-dev libcups2-dev libsystemd-dev unixodbc-dev
  libqt6sql6-sqlite fonts-liberation2 qt6-translations-l10n
)
TESTING=no
case "${1:-}" in
  "") ;;
  pruebas)
    TESTING=yes
    PACKAGES+=(
      # GoogleTest and Google Benchmark.
      libgtest-dev libgmock-dev googletest libbenchmark-dev
      # The SQL Server path (FreeTDS through unixODBC) and the ODBC test
      # driver.
      libqt6sql6-odbc unixodbc tdsodbc libsqliteodbc
      # The private CUPS scheduler, its commands, and the tickets read back.
      cups cups-client poppler-utils
      # The window tests, the status page in a browser, promtool, the
      # Spanish locale, the Access files of lector-tpv-config importar.
      xvfb xauth chromium prometheus locales mdbtools
      # The Debian package and its check.
      dpkg-dev fakeroot file systemd
      # At hand for whoever works on it.
      sqlite3 git ca-certificates procps
    )
    ;;
  *)
    echo "Uso: scripts/setup.sh [pruebas]" >&2
    exit 2
    ;;
esac
# Installed for a tool of theirs only (prometheus: promtool checks the
# metrics and the alert rules in the tests): their daemon is neither started
# nor enabled.
TOOL_ONLY=(prometheus)

# The Spanish tests run under the real system locale.
LOCALE=es_ES.UTF-8
has_locale() { [ "$TESTING" = no ] || locale -a 2>/dev/null | grep -qiE '^es_ES\.utf-?8$'; }

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
