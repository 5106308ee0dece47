#!/bin/bash
# Runs KeshUI.exe against the update-service simulator.
#
#   bash tools/run.sh [--notif] [--answer ADDRESS] [--delay MS] [--no-service] [--headless]
#
# Interactive mode (default): the simulator answers the check after --delay ms (default 1500)
# with ADDRESS (default https://updates.example.com/kesh; "" means nothing newer).
# --notif: notification mode, as the service starts it after storing ADDRESS.
# With a display ($DISPLAY) the window opens there and the script waits until you close it.
# Without one (or with --headless) it runs under its own Xvfb, waits for the outcome, saves a
# screenshot to build/screenshots/ and closes the window with Escape.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

mode=interactive answer="https://updates.example.com/kesh" delay=1500 service=1 headless=0
while [ $# -gt 0 ]; do
  case "$1" in
    --notif) mode=notif ;;
    --answer) answer=$2; shift ;;
    --delay) delay=$2; shift ;;
    --no-service) service=0 ;;
    --headless) headless=1 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
  shift
done
[ -n "${DISPLAY:-}" ] || headless=1

bash "$root/tools/install-deps.sh"
build=${KESH_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target KeshUI ToastHostDll ToastHostExe KeshServiceSim KeshProbe UrlCapture >/dev/null

source "$root/tools/wine/wine-env.sh"
if [ "$headless" = 0 ]; then export KESH_USE_OWN_DISPLAY=0; user_display=$DISPLAY; fi
kesh_wine_env "$build"
if [ "$headless" = 0 ]; then
  # Show the window on the user's display; the prefix is still the build's own.
  kesh_wine_down; rm -f "$KESH_WINE_STATE/display"
  export DISPLAY=$user_display
fi
trap kesh_wine_down EXIT
if [ "$headless" = 1 ]; then kesh_wine_up; else
  (flock 9; _kesh_init_prefix; wineserver -p </dev/null >/dev/null 2>&1 9>&- || true) 9>"$KESH_WINE_STATE/lock"
fi

probe() { wine "$build/bin/KeshProbe.exe" "$@"; }
# The build's prefix sends web addresses to the capture handler, not to a browser.
rm -f "$KESH_WINE_STATE/url.log"
key='HKLM\Software\Brenlo Inc\KESH'
wine reg delete "$key" /f >/dev/null 2>&1 || true

sim_pid=""
if [ "$mode" = notif ]; then
  wine reg add "$key" /v LastSrvrRespWL /t REG_SZ /d "$answer" /f >/dev/null
elif [ "$service" = 1 ]; then
  wine "$build/bin/KeshServiceSim.exe" --answer "$answer" --delay "$delay" </dev/null >/dev/null 2>&1 &
  sim_pid=$!
  sleep 1
fi

args=""; [ "$mode" = notif ] && args="/NotifMode"
wine "$build/bin/KeshUI.exe" $args </dev/null >/dev/null 2>&1 &
ui_pid=$!

if ! rect=$(probe wait 20000); then echo "the window did not appear" >&2; exit 1; fi
echo "window at (left top right bottom): $rect"
status=$(probe status-settled 70000 | tr -d '\r' | tr '\n' ' ')
echo "status: $status"

if [ "$headless" = 1 ]; then
  mkdir -p "$build/screenshots"
  shot="$build/screenshots/keshui-$mode.png"
  read -r left top right bottom <<<"$rect"
  margin=24
  # Notification mode also announces through ToastHost.dll, here by its ToastHost.exe: under
  # Wine, a balloon of Wine's own notification area. The picture takes in both.
  if [ "$mode" = notif ]; then
    if balloon=$(probe balloon 10000 | tr -d '\r'); then
      read -r bl bt br bb btext <<<"$balloon"
      echo "balloon: $btext"
      left=$((bl < left ? bl : left)); top=$((bt < top ? bt : top))
      right=$((br > right ? br : right)); bottom=$((bb > bottom ? bb : bottom))
    else
      echo "no balloon appeared"
    fi
  fi
  import -display "$DISPLAY" -window root -crop "$((right - left + 2 * margin))x$((bottom - top + 2 * margin))+$((left - margin))+$((top - margin))" +repage "$shot"
  echo "screenshot: $shot"
  probe key esc >/dev/null
else
  echo "close the window (close mark, Escape, or the link) to finish"
fi
wait "$ui_pid" || true
[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
shown=$( (wine reg query "$key" /v Last_KESHUI_WL 2>/dev/null || true) | tr -d '\r' | awk '/Last_KESHUI_WL/ {print $3}')
echo "Last_KESHUI_WL: ${shown:-(not written)}"
if [ -s "$KESH_WINE_STATE/url.log" ]; then
  iconv -f UTF-16LE -t UTF-8 "$KESH_WINE_STATE/url.log" | tr -d '\r' | cut -f1 | sed 's/^/opened: /'
fi
