#!/usr/bin/env bash
# Installs what is missing and builds into ${TPV_BUILD_DIR:-build}; extra
# arguments name the targets (all when none).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${TPV_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ $# -gt 0 ]; then cmake --build "$build" --target "$@"; else cmake --build "$build"; fi
