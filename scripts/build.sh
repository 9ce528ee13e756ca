#!/usr/bin/env bash
# Installs what is missing and builds into ${TPV_BUILD_DIR:-build}; extra
# arguments name the targets (all when none). TPV_CMAKE_ARGS adds options
# (the CI builds with -DTPV_WERROR=ON, and once more with -DTPV_SANITIZE=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${TPV_BUILD_DIR:-build}
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${TPV_CMAKE_ARGS:-} >/dev/null
if [ $# -gt 0 ]; then cmake --build "$build" --target "$@"; else cmake --build "$build"; fi
