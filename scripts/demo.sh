#!/usr/bin/env bash
# The print server on the embedded demo: a demo data folder, three folder
# printers (Cocina, Barra, Postres) and an order terminal that sends orders
# while the server runs. With a display the window opens; without one the
# server runs headless and says where the tickets are.
#   scripts/demo.sh [number of orders]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/build.sh lector-tpv tpv-demo tpv-terminal
build=${TPV_BUILD_DIR:-build}

orders=${1:-6}
data="$here/demo-data/datos"
printers="$here/demo-data/impresoras"
"$build/tools/tpv-demo" --data-dir "$data" --printers "$printers"

# The terminal starts sending two seconds after the server.
( sleep 2; "$build/tools/tpv-terminal" --db "$data/pedidos.db" --orders "$orders" --interval 2000 ) &
terminal=$!

args=(--data-dir "$data" --printers "$printers")
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
  printf '  %-8s %s tickets\n' "$(basename "$p")" "$(find "$p" -name '??????.txt' | wc -l)"
done
last=$(find "$printers" -name '??????.txt' -printf '%T@ %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
if [ -n "$last" ]; then
  echo; echo "Último ticket ($last):"; tr -d '\r' < "$last"
fi
exit "$status"
