#!/usr/bin/env bash
# Builds everything and runs every test: under the C and a Spanish locale,
# against a private CUPS scheduler, and the window tests under Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/setup.sh pruebas
bash scripts/build.sh
build=${TPV_BUILD_DIR:-build}

cupsdir=$(mktemp -d /tmp/tpv-cups.XXXXXX)
chmod 0755 "$cupsdir"
# Stops the scheduler, waits until it has written its last file, and removes
# its folder.
cleanup() {
  local pid
  pid=$(cat "$cupsdir/cupsd.pid" 2>/dev/null || true)
  bash scripts/cups-test-env.sh stop "$cupsdir"
  if [ -n "$pid" ]; then
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$cupsdir"
}
trap cleanup EXIT
eval "$(bash scripts/cups-test-env.sh start "$cupsdir")"

# ctest under a virtual X server, so the window tests see a real display.
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$build" --output-on-failure -j2 --timeout 300 --no-tests=error
