#!/bin/bash
# Builds the release of the checked-out commit twice, from two clones in different folders at
# different times, and compares the binaries and both packages byte for byte. Where they
# differ, it shows the first differing bytes of each file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
commit=$(git -C "$root" rev-parse HEAD)

for side in a b-in-another-folder; do
  git clone -q "$root" "$work/$side/src"
  git -C "$work/$side/src" checkout -q "$commit"
  bash "$work/$side/src/tools/release.sh" --build-dir "$work/$side/build" --out "$work/$side/dist" >"$work/$side.log" 2>&1 ||
    { cat "$work/$side.log"; exit 1; }
  sleep 2  # a different time, too
done

status=0
for file in build/bin/KeshUI.exe build/bin/KeshUIUserState.exe build/bin/ToastHost.dll build/bin/ToastHost.exe $(cd "$work/a" && ls dist/*); do
  a="$work/a/$file" b="$work/b-in-another-folder/$file"
  if cmp -s "$a" "$b"; then
    echo "identical: $(basename "$file") ($(stat -c %s "$a") bytes, sha256 $(sha256sum "$a" | cut -c1-16)...)"
  else
    echo "DIFFERENT: $(basename "$file"): $(cmp -l "$a" "$b" | wc -l) bytes differ; the first:"
    cmp -l "$a" "$b" | head -5
    status=1
  fi
done
exit "$status"
