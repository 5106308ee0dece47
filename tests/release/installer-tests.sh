#!/bin/bash
# The Windows Installer package under Wine: installs per machine, the installed program works
# in both modes against the service simulator, a newer package replaces it, and an uninstall
# leaves nothing behind.
#   bash tests/release/installer-tests.sh MSI TEST_BUILD_DIR RELEASE_BUILD_DIR
# TEST_BUILD_DIR holds the simulator and the probe; RELEASE_BUILD_DIR the installer's source.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
msi=$(realpath "$1"); build=$(realpath "$2"); release=$(realpath "$3")

source "$root/tools/wine/wine-env.sh"
kesh_wine_env "$build"
trap kesh_wine_down EXIT
kesh_wine_up

passed=0 failed=0
check() {  # DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
winpath() { printf 'Z:%s' "$1" | sed 's#/#\\#g'; }
probe() { wine "$build/bin/KeshProbe.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
folder="$WINEPREFIX/drive_c/Program Files/Brenlo/KESH"
key='HKLM\Software\Brenlo Inc\KESH'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk '$1 == "ProductCode" {print $2}'; }
registered() { wine reg query "$uninstall\\$1" >/dev/null 2>&1; }
newer_text="A newer version of drivers and firmware package is available for your device. Click here to proceed."

# Vista and Server 2008 come with Windows Installer 4.0, which refuses a package that asks for
# more; a 64-bit package needs at least 2.0. (Wine installs whatever is asked.)
installer_version=$(msiinfo suminfo "$msi" | awk '$1 == "Version:" {print $2}')
check "the package asks for Windows Installer 2.0 to 4.0 (it asks for $installer_version)" \
  test "${installer_version:-0}" -ge 200 -a "${installer_version:-0}" -le 400

rm -rf "$folder"
wine msiexec /i "$(winpath "$msi")" /qn </dev/null >/dev/null 2>&1
check "installed into Program Files\\Brenlo\\KESH" test -f "$folder/KeshUI.exe" -a -f "$folder/ToastHost.dll" -a -f "$folder/ToastHost.exe"
extracted=$(mktemp -d)
msiextract -C "$extracted" "$msi" >/dev/null
check "installed files are the package's" bash -c "for f in KeshUI.exe ToastHost.dll ToastHost.exe; do cmp -s \"$folder/\$f\" \"\$(find '$extracted' -name \$f)\" || exit 1; done"
rm -rf "$extracted"
first_code=$(product_code "$msi")
check "registered as an installed product" registered "$first_code"

# Interactive: the installed program asks the simulator and shows the newer package.
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine "$build/bin/KeshServiceSim.exe" --answer "https://updates.example.com/kesh" --delay 300 </dev/null >/dev/null 2>&1 &
sim=$!
probe gone 100 >/dev/null || true
wine "$folder/KeshUI.exe" </dev/null >/dev/null 2>&1 &
ui=$!
probe wait 20000 >/dev/null
status=$(probe status-settled 20000 | tr '\n' ' ' | sed 's/ *$//')
check "interactive: the installed program shows the newer package" test "$status" = "$newer_text"
probe key esc >/dev/null
wait "$ui" || true
kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true

# Notification mode: shown for a new answer, recorded when closed.
wine reg add "$key" /v LastSrvrRespWL /t REG_SZ /d "http://example.com/installed" /f >/dev/null
wine "$folder/KeshUI.exe" /NotifMode </dev/null >/dev/null 2>&1 &
ui=$!
check "notification mode: the window appears" probe wait 20000
check "notification mode: the toast library's host announces it (balloon)" probe balloon 10000
probe key esc >/dev/null
wait "$ui" || true
shown=$(wine reg query "$key" /v Last_KESHUI_WL 2>/dev/null | tr -d '\r' | awk '/Last_KESHUI_WL/ {print $3}')
check "notification mode: the answer is recorded as shown" test "$shown" = "http://example.com/installed"

# A newer package (the same files, the next version) replaces the first. Windows Installer
# compares only the first three fields of a version: the next one raises the third.
version=$(msiinfo export "$msi" Property | tr -d '\r' | awk '$1 == "ProductVersion" {print $2}')
IFS=. read -r major minor build _ <<<"$version"
next="$major.$minor.$((build + 1)).0"
staging=$(mktemp -d)
cp "$folder/KeshUI.exe" "$folder/ToastHost.dll" "$folder/ToastHost.exe" "$staging/"
newer="$staging/newer.msi"
(cd "$staging" && wixl -a x64 -D Version="$next" -D ProductCode="$(cat /proc/sys/kernel/random/uuid | tr a-f A-F)" \
   -D BinDir=. -o "$newer" "$release/release/KeshUI.wxs" 2>/dev/null)
wine msiexec /i "$(winpath "$newer")" /qn </dev/null >/dev/null 2>&1
second_code=$(product_code "$newer")
check "upgrade: the newer package is installed" registered "$second_code"
check "upgrade: the older one is gone" bash -c "! wine reg query '$uninstall\\$first_code' >/dev/null 2>&1"
check "upgrade: one copy of the files" test "$(find "$WINEPREFIX/drive_c/Program Files" -name KeshUI.exe | wc -l)" = 1

wine msiexec /x "$(winpath "$newer")" /qn </dev/null >/dev/null 2>&1
check "uninstall: nothing installed is left" test ! -e "$folder/KeshUI.exe" -a ! -e "$folder/ToastHost.dll" -a ! -e "$folder/ToastHost.exe"
check "uninstall: no folder left behind" test ! -e "$folder"
check "uninstall: no longer registered" bash -c "! wine reg query '$uninstall\\$second_code' >/dev/null 2>&1"
rm -rf "$staging"

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
