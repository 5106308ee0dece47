#!/bin/bash
# Installs what is missing, builds, and runs every test under Wine (own prefix, own Xvfb display).
#   KESH_BUILD_DIR  build directory (default: build/ in the checkout)
#   extra arguments go to ctest (e.g. -R Handshake)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"

build=${KESH_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

source "$root/tools/wine/wine-env.sh"
kesh_wine_env "$build"
trap kesh_wine_down EXIT
kesh_wine_up
cd "$build"
ctest --output-on-failure "$@"
