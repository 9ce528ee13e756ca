#!/usr/bin/env bash
# Starts a private CUPS scheduler for the tests, with one raw queue that
# writes every job to a file of its own (DIR/out/job-ID.pdf), and prints the
# environment the tests need.
#   eval "$(scripts/cups-test-env.sh start DIR)"   ...   scripts/cups-test-env.sh stop DIR
# It never browses the network and never asks for device discovery.
set -euo pipefail
cmd=${1:?start|stop}
dir=${2:?folder}

if [ "$cmd" = stop ]; then
  if [ -f "$dir/cupsd.pid" ]; then
    kill "$(cat "$dir/cupsd.pid")" 2>/dev/null || true
    rm -f "$dir/cupsd.pid"
  fi
  exit 0
fi

command -v cupsd >/dev/null || { echo "echo 'cupsd no está instalado: se omiten las pruebas de CUPS' >&2"; exit 0; }

mkdir -p "$dir"/{etc/ppd,spool/tmp,cache,state,log,out,bin/backend}
# The scheduler's programs, with one backend of our own that writes each job
# whole to the file its device URI names.
for d in /usr/lib/cups/*; do
  [ "$(basename "$d")" = backend ] || ln -sfn "$d" "$dir/bin/$(basename "$d")"
done
cat > "$dir/bin/backend/tpvfile" <<'BACKEND'
#!/bin/sh
if [ $# -eq 0 ]; then echo 'direct tpvfile "Unknown" "Archivo de pruebas"'; exit 0; fi
out=${DEVICE_URI#tpvfile:}/job-$1.pdf
if [ -n "$6" ]; then cat "$6" > "$out.tmp"; else cat > "$out.tmp"; fi
mv "$out.tmp" "$out"
BACKEND
# Mode 0700: CUPS runs such a backend as root, so it may write the folder.
chmod 0700 "$dir/bin/backend/tpvfile"
chmod 0755 "$dir/bin" "$dir/bin/backend"
chmod 0777 "$dir/out"
chmod 0755 "$dir" "$dir/etc"
cat > "$dir/etc/cupsd.conf" <<CONF
Listen $dir/cups.sock
Browsing No
BrowseLocalProtocols none
DefaultAuthType None
LogLevel warn
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
cat > "$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
ServerBin $dir/bin
User lp
Group lp
SystemGroup root
CONF
: > "$dir/etc/printers.conf"
cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
echo $! > "$dir/cupsd.pid"
export CUPS_SERVER="$dir/cups.sock"
for _ in $(seq 1 50); do
  lpstat -r 2>/dev/null | grep -q 'is running' && break
  sleep 0.2
done
lpstat -r 2>/dev/null | grep -q 'is running' || { echo "echo 'cupsd no arrancó; vea $dir/log' >&2"; exit 0; }
lpadmin -p TPVPrueba -E -v "tpvfile:$dir/out" -m raw >/dev/null 2>&1
lpadmin -d TPVPrueba >/dev/null 2>&1
echo "export CUPS_SERVER='$dir/cups.sock'"
echo "export TPV_CUPS_TEST_PRINTER=TPVPrueba"
echo "export TPV_CUPS_TEST_OUTPUT='$dir/out'"
