#!/bin/bash
# Makes a release of the checked-out commit: the zip (CPack) and the Windows Installer package
# (wixl), from binaries built in their own folder; signs and verifies them when a certificate is
# given.
#
#   bash tools/release.sh [--sign CERT KEY] [--timestamp URL] [--build-dir DIR] [--out DIR]
#
#   --sign CERT KEY   Authenticode (SHA-256) with osslsigncode: the binaries, then the MSI; each
#                     signature is verified. CERT: PEM certificate (chain), KEY: PEM private key
#                     (its password, if any, in KESH_SIGN_PASSWORD). Without it: unsigned.
#   --timestamp URL   an RFC 3161 time-stamp server for the signatures (needs the network)
#   --build-dir DIR   where to build (default build-release/ in the checkout)
#   --out DIR         where the packages go (default dist/ in the checkout)
#
# The same commit gives the same bytes (unsigned) in any folder at any time: no link time stamp,
# no build paths, the commit's time (SOURCE_DATE_EPOCH) for every date inside the packages, and
# product and package codes derived from the version and the binaries.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

cert="" key="" timestamp="" build="$root/build-release" out="$root/dist"
while [ $# -gt 0 ]; do
  case "$1" in
    --sign) cert=$(realpath "$2"); key=$(realpath "$3"); shift 3 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    --build-dir) build=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

bash "$root/tools/install-deps.sh"

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
frozen=$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')
export TZ=UTC

cmake -S "$root" -B "$build" -DBUILD_TESTING=OFF >/dev/null
# Linked anew every time: a signed copy from an earlier run must not slip into an unsigned one.
rm -f "$build/bin/KeshUI.exe" "$build/bin/KeshUIUserState.exe" "$build/bin/ToastHost.dll" "$build/bin/ToastHost.exe"
cmake --build "$build" -j"$(nproc)" --target KeshUI KeshUIUserState ToastHostDll ToastHostExe
version=$(sed -n 's/^#define KESH_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/ProductVersion.h")
company=$(sed -n 's/^#define KESH_COMPANY_NAME "\(.*\)"$/\1/p' "$build/generated/ProductVersion.h")
bin="$build/bin"
title=$(sed -n 's/.* kWindowTitle\[\] = L"\(.*\)";/\1/p' "$root/product/ProductIdentity.h")
mkdir -p "$out"

sign() {  # FILE
  local signed="$1.signed"
  local options=(-certs "$cert" -key "$key" -h sha256 -n "$title")
  [ -n "${KESH_SIGN_PASSWORD:-}" ] && options+=(-pass "$KESH_SIGN_PASSWORD")
  [ -n "$timestamp" ] && options+=(-ts "$timestamp")
  rm -f "$signed"
  osslsigncode sign "${options[@]}" -in "$1" -out "$signed" >/dev/null
  mv "$signed" "$1"
  # A certificate of one's own is its own root: verify against it.
  osslsigncode verify -CAfile "$cert" -in "$1" >/dev/null
  echo "signed and verified: $(basename "$1")"
}

if [ -n "$cert" ]; then
  sign "$bin/KeshUI.exe"
  sign "$bin/KeshUIUserState.exe"
  sign "$bin/ToastHost.dll"
  sign "$bin/ToastHost.exe"
else
  echo "no certificate given (--sign CERT KEY): the release is unsigned"
fi

# The zip.
cmake --build "$build" --target package >/dev/null
cp "$build/packages/KeshUI-$version-win64.zip" "$out/"

# The installer. Codes as GUIDs made from hashes: the product code of a version is always the
# same, the package code changes whenever the package's contents do.
guid_of() { sha256sum | cut -c1-32 | sed -E 's/^(.{8})(.{4}).(.{3}).(.{3})(.{12})$/\1-\2-5\3-8\4-\5/' | tr a-f A-F; }
product_code=$(printf 'KeshUI product %s' "$version" | guid_of)
package_code=$( (printf 'KeshUI package %s ' "$version"; cat "$bin/KeshUI.exe" "$bin/KeshUIUserState.exe" "$bin/ToastHost.dll" "$bin/ToastHost.exe") | guid_of)
out=$(realpath "$out")
msi="$out/KeshUI-$version-win64.msi"
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cp "$bin/KeshUI.exe" "$bin/KeshUIUserState.exe" "$bin/ToastHost.dll" "$bin/ToastHost.exe" "$staging/"
python3 "$root/tools/release/icon-png.py" "$root/ui/res/KeshUI.ico" "$staging/KeshUI.png"
touch -d "@$SOURCE_DATE_EPOCH" "$staging"/*
faketime -f "$frozen" bash "$root/tools/release/make-msi.sh" "$build/release/KeshUI.wxs" "$staging" "$version" \
  "$product_code" "$msi"
faketime -f "$frozen" msibuild "$msi" -s "$title $version" "$company" "x64;1033" "{$package_code}"
[ -n "$cert" ] && sign "$msi"

echo
echo "release $version (commit time $frozen UTC) in $out:"
(cd "$out" && for f in "KeshUI-$version-win64.zip" "KeshUI-$version-win64.msi"; do
  printf '  %-32s %8d bytes  sha256 %s\n' "$f" "$(stat -c %s "$f")" "$(sha256sum "$f" | cut -d' ' -f1)"
done)
