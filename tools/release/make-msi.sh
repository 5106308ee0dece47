#!/bin/bash
# Makes the Windows Installer package from the three binaries in BIN_DIR: wixl builds it from the
# configured KeshUI.wxs, then the Start-menu entry gets the toasts' id and activator as its
# properties (the MsiShortcutProperty table, which wixl has no element for).
#   bash tools/release/make-msi.sh WXS BIN_DIR VERSION PRODUCT_CODE OUT_MSI
set -euo pipefail
wxs=$(realpath "$1"); version=$3; product_code=$4; out=$(realpath -m "$5")
# wixl finds the files relative to where it runs.
(cd "$2" && wixl -a x64 -D Version="$version" -D ProductCode="$product_code" -D BinDir=. -o "$out" "$wxs")
msibuild "$out" -i "$(dirname "$wxs")/MsiShortcutProperty.idt"
# The uninstall removes the toasts' identity's keys whole, not only the values the package wrote
# (wixl has no element for such rows): "-" in the Registry table's Name column.
registry=$(mktemp -d)/Registry.idt
msiinfo export "$out" Registry > "$registry"
awk -F'\t' -v OFS='\t' '$6 == "ToastIdentity\r" && ($4 == "DisplayName" || $3 ~ /\\LocalServer32$/) {
  key = $3; sub(/\\LocalServer32$/, "", key)
  printf "Remove%s\t2\t%s\t-\t\tToastIdentity\r\n", ($4 == "DisplayName" ? "AppIdKey" : "ActivatorKey"), key
}' "$registry" >> "$registry.rows"
cat "$registry.rows" >> "$registry"
msibuild "$out" -i "$registry"
rm -rf "$(dirname "$registry")"
