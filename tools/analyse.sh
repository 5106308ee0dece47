#!/bin/bash
# Static analysis of the product's own code: clang-tidy (checks in .clang-tidy) and cppcheck.
# Any finding fails.   usage: tools/analyse.sh BUILD_DIR   (a build configured with
# -DCMAKE_EXPORT_COMPILE_COMMANDS=ON, so that clang-tidy sees the real flags)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: tools/analyse.sh BUILD_DIR}
cd "$root"
product_dirs=(app service ui session framework toasthost win32 product)
existing=()
for dir in "${product_dirs[@]}"; do [ -d "$dir" ] && existing+=("$dir"); done
mapfile -t sources < <(git ls-files -- "${existing[@]}" | grep -E '\.cpp$')

echo "clang-tidy: ${#sources[@]} files"
status=0
# One file a process, as many at once as there are cores; any finding fails the whole.
printf '%s\0' "${sources[@]}" |
  xargs -0 -n 1 -P "$(nproc)" sh -c 'clang-tidy -p "$0" --quiet "$1" 2>/dev/null' "$build" || status=1

echo "cppcheck"
# The system headers are not given to cppcheck (it would read mingw's), so it is told the
# platform and the Windows API library instead.
cppcheck --enable=warning,style,performance,portability --inline-suppr --error-exitcode=1 \
  --std=c++17 --platform=win64 --library=windows --quiet \
  -DUNICODE -D_UNICODE -D_WIN32 -D_WIN64 -I. "${existing[@]}" || status=1

[ "$status" -eq 0 ] && echo "static analysis: no findings"
exit "$status"
