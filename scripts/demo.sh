#!/usr/bin/env bash
# The print server on the embedded demo: a demo data folder, folder printers
# for Barra and Postres, a virtual kitchen thermal printer for Cocina
# (tpv-impresora-termica on 127.0.0.1, declared in impresoras.ini) and an
# order terminal that sends orders while the server runs. With a display the window opens; without one the
# server runs headless and says where the tickets are.
#   scripts/demo.sh [number of orders]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/build.sh lector-tpv tpv-demo tpv-terminal tpv-impresora-termica
build=${TPV_BUILD_DIR:-build}

orders=${1:-6}
data="$here/demo-data/datos"
printers="$here/demo-data/impresoras"
thermal="$here/demo-data/termica"
thermal_log="$here/demo-data/termica.log"
"$build/tools/tpv-demo" --data-dir "$data" --printers "$printers"

# The kitchen's virtual thermal printer, on a port the system chooses; it is
# stopped, by its own process id, whatever way the script ends.
rm -rf "$thermal"
mkdir -p "$thermal"
"$build/tools/tpv-impresora-termica" --puerto 0 --carpeta "$thermal" 2>"$thermal_log" &
thermal_pid=$!
trap 'kill "$thermal_pid" 2>/dev/null || true; wait "$thermal_pid" 2>/dev/null || true' EXIT
port=
for _ in $(seq 1 100); do
  port=$(sed -n 's/.*escuchando en 127\.0\.0\.1:\([0-9][0-9]*\).*/\1/p' "$thermal_log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "La impresora térmica virtual no se ha puesto en marcha:" >&2
  cat "$thermal_log" >&2
  exit 1
fi
printf '[Cocina]\nconexion=tcp://127.0.0.1:%s\n' "$port" > "$data/impresoras.ini"
echo "Impresora térmica virtual Cocina en 127.0.0.1:$port (tickets en $thermal)"

# The terminal starts sending two seconds after the server.
( sleep 2; "$build/tools/tpv-terminal" --db "$data/pedidos.db" --orders "$orders" --interval 2000 ) &
terminal=$!

# The status page, metrics and health, as the packaged service serves them
# (TPV_DEMO_HTTP= turns them off; a port in use is said and printing goes on).
http=${TPV_DEMO_HTTP-127.0.0.1:9580}
args=(--data-dir "$data" --printers "$printers")
if [ -n "$http" ]; then
  args+=(--http "$http")
  echo "Página de estado: http://$http/ (métricas en /metrics, salud en /salud)"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # Headless: poll long enough for every order, then stop by the ordinary shutdown.
  args+=(--headless --ticks $(( orders * 2 + 6 )))
fi
status=0
"$build/lector-tpv" "${args[@]}" || status=$?
wait "$terminal" || true
echo
echo "Tickets impresos (carpetas de $printers):"
for p in "$printers"/*/; do
  [ "$(basename "$p")" = Cocina ] && continue   # Cocina is the thermal printer
  printf '  %-8s %s tickets\n' "$(basename "$p")" "$(find "$p" -name '??????.txt' | wc -l)"
done
echo "Tickets de la impresora térmica Cocina ($thermal):"
for t in $(find "$thermal" -name '??????.txt' | sort); do
  printf '  %s (%s líneas)\n' "$(basename "$t")" "$(wc -l < "$t")"
done
last=$(find "$printers" "$thermal" -name '??????.txt' -printf '%T@ %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
if [ -n "$last" ]; then
  echo; echo "Último ticket ($last):"; tr -d '\r' < "$last"
fi
exit "$status"
