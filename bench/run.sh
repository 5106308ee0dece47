#!/bin/bash
# Measures KeshUI.exe beside a bare dialog program under the project's Wine, and prints the table
# (also written to build/bench/results.md).
#
#   bash bench/run.sh [--runs N] [--response-runs M] [--idle-seconds S]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
build=${KESH_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target KeshUI KeshUIWithUserAway ToastHostDll ToastHostExe BareDialog BareDialogCommonControls KeshBench KeshProbe >/dev/null

source "$root/tools/wine/wine-env.sh"
kesh_wine_env "$build"
trap kesh_wine_down EXIT
kesh_wine_up
mkdir -p "$build/bench"
wine reg delete 'HKLM\Software\Brenlo Inc\KESH' /f >/dev/null 2>&1 || true
wine "$build/bin/KeshBench.exe" --out "$(printf 'Z:%s' "$build/bench/results.md" | sed 's#/#\\#g')" "$@" </dev/null
echo
echo "written to $build/bench/results.md"
