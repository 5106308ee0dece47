#!/bin/bash
# Static analysis of the product's own code: clang-tidy (checks in .clang-tidy) and cppcheck.
# Any finding fails.   usage: tools/analyse.sh BUILD_DIR   (a build configured with
# -DCMAKE_EXPORT_COMPILE_COMMANDS=ON, so that clang-tidy sees the real flags)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: tools/analyse.sh BUILD_DIR}
cd "$root"
product_dirs=(app service ui session framework toasthost win32)
existing=()
for dir in "${product_dirs[@]}"; do [ -d "$dir" ] && existing+=("$dir"); done
mapfile -t sources < <(git ls-files -- "${existing[@]}" | grep -E '\.cpp$')

echo "clang-tidy: ${#sources[@]} files"
status=0
for source in "${sources[@]}"; do
  clang-tidy -p "$build" --quiet "$source" 2>/dev/null || status=1
done

echo "cppcheck"
# The system headers are not given to cppcheck (it would read mingw's), so it is told the
# platform and the Windows API library instead.
cppcheck --enable=warning,style,performance,portability --inline-suppr --error-exitcode=1 \
  --std=c++17 --platform=win64 --library=windows --quiet \
  -DUNICODE -D_UNICODE -D_WIN32 -D_WIN64 -I. "${existing[@]}" || status=1

[ "$status" -eq 0 ] && echo "static analysis: no findings"
exit "$status"
