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

# The Start-menu entry, read back from the package, against the program's own constants: the
# interactive check for every user, carrying the toasts' id and activator (Windows Installer 5.0
# sets them; Wine's link keeps no properties, so only the package can show them).
identity() { sed -n "s/.* $1\\[\\] = L\"\\(.*\\)\";/\\1/p" "$root/product/ProductIdentity.h"; }
app_id=$(identity kAppUserModelId)
activator=$(identity kToastActivatorClsidText)
title=$(identity kWindowTitle)
entry_name=$(identity kStartMenuEntryName)
entry=$(msiinfo export "$msi" Shortcut | tr -d '\r' | awk -F'\t' '$1 == "StartMenuShortcut"')
field() { cut -d"$(printf '\t')" -f"$1" <<<"$entry"; }
check "the package's Start-menu entry: \"$entry_name\" in all users' Programs, opening KeshUI.exe with no arguments in its folder" \
  test "$(field 2)|$(field 3)|$(field 5)|$(field 6)|$(field 12)" = "ProgramMenuFolder|MOBILE~1|$entry_name|[#KeshUI.exe]||INSTALLDIR"
# By {FMTID}, PID (System.AppUserModel.ID and ToastActivatorCLSID): names fail before Windows 10.
properties=$(msiinfo export "$msi" MsiShortcutProperty | tr -d '\r')
for property in "{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3}, 5	$app_id" "{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3}, 26	$activator"; do
  check "the entry carries ${property%%	*} = ${property#*	}" \
    grep -qF "	StartMenuShortcut	$property" <<<"$properties"
done
# The toasts' identity for the machine, from the package: the id's name, picture and activator,
# the activator's server, each key removed whole on uninstall.
id_key="Software\\Classes\\AppUserModelId\\$app_id"
class_key="Software\\Classes\\CLSID\\$activator"
registry=$(msiinfo export "$msi" Registry | tr -d '\r' | cut -f2-)
for row in "2	$id_key	DisplayName	$title" "2	$id_key	IconUri	[#KeshUI.png]" \
           "2	$id_key	CustomActivator	$activator" "2	$class_key\LocalServer32		\"[#ToastHost.exe]\"" \
           "2	$id_key	-	" "2	$class_key	-	"; do
  check "the package's registry row: $(tr '\t' ' ' <<<"$row")" grep -qxF "$row	ToastIdentity" <<<"$registry"
done
reg_value() { wine reg query "HKLM\\$1" ${2:+/v "$2"} ${3:-} 2>/dev/null | tr -d '\r' | awk -F'    ' '/REG_SZ/ {print $NF}'; }
identity_registered() {
  local host_path icon
  host_path="$(reg_value "$class_key\\LocalServer32" "" /ve)"
  icon="$(reg_value "$id_key" IconUri)"
  [ "$(reg_value "$id_key" CustomActivator)" = "$activator" ] &&
    [ "$(reg_value "$id_key" DisplayName)" = "$title" ] &&
    [ "$host_path" = '"C:\Program Files\Brenlo\KESH\ToastHost.exe"' ] &&
    [ "$icon" = 'C:\Program Files\Brenlo\KESH\KeshUI.png' ] && [ -f "$folder/KeshUI.png" ]
}
no_identity() { ! wine reg query "HKLM\\$id_key" >/dev/null 2>&1 && ! wine reg query "HKLM\\$class_key" >/dev/null 2>&1; }
# Windows puts a per-machine package's entry in all users' Programs; Wine 8 in the installing user's.
shortcuts=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$entry_name.lnk"
           "$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$entry_name.lnk")
no_entry() { test ! -e "${shortcuts[0]}" -a ! -e "${shortcuts[1]}"; }
opens_the_installed_program() {
  for link in "${shortcuts[@]}"; do
    [ -f "$link" ] && strings -a "$link" | grep -qiF 'Brenlo\KESH\KeshUI.exe' && return 0
  done
  return 1
}

rm -rf "$folder" "${shortcuts[@]}"
wine msiexec /i "$(winpath "$msi")" /qn </dev/null >/dev/null 2>&1
check "installed into Program Files\\Brenlo\\KESH" test -f "$folder/KeshUI.exe" -a -f "$folder/KeshUIUserState.exe" -a -f "$folder/ToastHost.dll" -a -f "$folder/ToastHost.exe"
extracted=$(mktemp -d)
msiextract -C "$extracted" "$msi" >/dev/null
check "installed files are the package's" bash -c "for f in KeshUI.exe KeshUIUserState.exe ToastHost.dll ToastHost.exe; do cmp -s \"$folder/\$f\" \"\$(find '$extracted' -name \$f)\" || exit 1; done"
rm -rf "$extracted"
first_code=$(product_code "$msi")
check "registered as an installed product" registered "$first_code"
check "the Start-menu entry opens the installed program" opens_the_installed_program
check "the toasts' identity is registered for the machine, naming the installed host and picture" identity_registered

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
cp "$folder/KeshUI.exe" "$folder/KeshUIUserState.exe" "$folder/ToastHost.dll" "$folder/ToastHost.exe" "$folder/KeshUI.png" "$staging/"
newer="$staging/newer.msi"
bash "$root/tools/release/make-msi.sh" "$release/release/KeshUI.wxs" "$staging" "$next" \
  "$(tr a-f A-F </proc/sys/kernel/random/uuid)" "$newer" 2>/dev/null
wine msiexec /i "$(winpath "$newer")" /qn </dev/null >/dev/null 2>&1
second_code=$(product_code "$newer")
check "upgrade: the newer package is installed" registered "$second_code"
check "upgrade: the older one is gone" bash -c "! wine reg query '$uninstall\\$first_code' >/dev/null 2>&1"
check "upgrade: one copy of the files" test "$(find "$WINEPREFIX/drive_c/Program Files" -name KeshUI.exe | wc -l)" = 1
check "upgrade: the Start-menu entry stays" opens_the_installed_program
check "upgrade: the toasts' identity stays registered" identity_registered

wine msiexec /x "$(winpath "$newer")" /qn </dev/null >/dev/null 2>&1
check "uninstall: nothing installed is left" test ! -e "$folder/KeshUI.exe" -a ! -e "$folder/KeshUIUserState.exe" -a ! -e "$folder/ToastHost.dll" -a ! -e "$folder/ToastHost.exe"
check "uninstall: no folder left behind" test ! -e "$folder"
check "uninstall: no Start-menu entry left behind" no_entry
check "uninstall: no toast identity left in HKLM" no_identity
check "uninstall: no longer registered" bash -c "! wine reg query '$uninstall\\$second_code' >/dev/null 2>&1"
rm -rf "$staging"

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
