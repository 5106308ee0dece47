#!/bin/bash
# Installs what is missing, builds, and runs every test under Wine (own prefix, own Xvfb display).
#   --compiler gcc|clang   which cross-compiler builds everything (default gcc; clang uses
#                          cmake/clang-mingw-w64-x86_64.cmake and builds into build-clang/)
#   --repeat N             run the whole suite N times, each in a new Wine prefix; stops at the
#                          first failing round
#   KESH_BUILD_DIR         build directory (default: build/ or build-clang/ in the checkout)
#   other arguments go to ctest (e.g. -R Handshake, -E RacingStarts)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

compiler=gcc
repeat=1
ctest_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --compiler) compiler=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    *) ctest_args+=("$1"); shift ;;
  esac
done
case "$compiler" in
  gcc) toolchain=$root/cmake/mingw-w64-x86_64.cmake; default_build=$root/build ;;
  clang) toolchain=$root/cmake/clang-mingw-w64-x86_64.cmake; default_build=$root/build-clang ;;
  *) echo "unknown compiler: $compiler (gcc or clang)" >&2; exit 2 ;;
esac

bash "$root/tools/install-deps.sh"

build=${KESH_BUILD_DIR:-$default_build}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DBUILD_TESTING=ON \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

source "$root/tools/wine/wine-env.sh"
kesh_wine_env "$build"
trap kesh_wine_down EXIT
cd "$build"
for round in $(seq 1 "$repeat"); do
  if [ "$repeat" -gt 1 ]; then
    echo "== round $round of $repeat (new Wine prefix) =="
    kesh_wine_down
    rm -rf "$KESH_WINE_STATE"
    kesh_wine_env "$build"
  fi
  kesh_wine_up
  ctest --output-on-failure "${ctest_args[@]}"
done
