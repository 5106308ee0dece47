# Sourced by the run and test scripts and by the CTest emulator wrapper: the project's own Wine
# world under the build directory (prefix, Xvfb display, warm wineserver, keep-alive window).
#
#   kesh_wine_env BUILD_DIR   export the variables every Wine call needs
#   kesh_wine_up              start what is missing (idempotent; first call builds the prefix)
#   kesh_wine_down            stop everything kesh_wine_up started

KESH_WINE_SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

kesh_wine_env() {
  local build_dir
  build_dir=$(cd "$1" && pwd)
  export KESH_BUILD_DIR="$build_dir"
  export KESH_WINE_STATE="$build_dir/wine"
  export WINEPREFIX="$KESH_WINE_STATE/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  mkdir -p "$KESH_WINE_STATE"
  # Tests always get a display of their own, so that real input never lands on a user's desktop.
  if [ -z "${KESH_USE_OWN_DISPLAY:-}" ] || [ "$KESH_USE_OWN_DISPLAY" = 1 ]; then
    if [ -f "$KESH_WINE_STATE/display" ]; then export DISPLAY=":$(cat "$KESH_WINE_STATE/display")"; fi
  fi
}

_kesh_pid_alive() { [ -f "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

_kesh_start_xvfb() {
  if _kesh_pid_alive "$KESH_WINE_STATE/xvfb.pid"; then return 0; fi
  local n
  for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
  echo $! >"$KESH_WINE_STATE/xvfb.pid"
  echo "$n" >"$KESH_WINE_STATE/display"
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}

_kesh_windows_path() { printf 'Z:%s' "$1" | sed 's#/#\\\\#g'; }

_kesh_write_prefix_settings() {
  local capture log
  capture=$(_kesh_windows_path "$KESH_BUILD_DIR/bin/UrlCapture.exe")
  log=$(_kesh_windows_path "$KESH_WINE_STATE/url.log")
  cat >"$KESH_WINE_STATE/prefix-settings.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine]
"Version"="win10"

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Verdana"="Liberation Sans"

[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]
@="\\"$capture\\" \\"%1\\""

[HKEY_CLASSES_ROOT\\https\\shell\\open\\command]
@="\\"$capture\\" \\"%1\\""

; A crashing program ends at once instead of waiting on a debugger that never finishes.
[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]
"Debugger"="C:\\\\windows\\\\system32\\\\cmd.exe /c exit"
"Auto"="1"

[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment]
"KESH_URL_LOG"="$log"
REG
}

_kesh_init_prefix() {
  _kesh_write_prefix_settings
  local stamp="$WINEPREFIX/.kesh-settings"
  if [ -f "$stamp" ] && cmp -s "$stamp" "$KESH_WINE_STATE/prefix-settings.reg"; then return 0; fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 9>&-
  fi
  wine reg import "$KESH_WINE_STATE/prefix-settings.reg" </dev/null >/dev/null 2>&1 9>&-
  wineserver -w 9>&-
  cp "$KESH_WINE_STATE/prefix-settings.reg" "$stamp"
}

kesh_wine_up() {
  (
    flock 9
    _kesh_start_xvfb || exit 1
    export DISPLAY=":$(cat "$KESH_WINE_STATE/display")"
    _kesh_init_prefix
    # A warm server for the whole run; its output must not hold anyone's pipe open.
    wineserver -p </dev/null >/dev/null 2>&1 9>&- || true  # already running: fine
    wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
    # Wine ends its desktop process a second after the last window closes; a hidden window of
    # our own keeps it (and its inherited descriptors) stable across test programs.
    # The first programs of a run must not race that desktop's start: wait until the window is up.
    if ! _kesh_pid_alive "$KESH_WINE_STATE/hold.pid"; then
      local ready="$KESH_WINE_STATE/hold.ready"
      rm -f "$ready"
      wine "$KESH_BUILD_DIR/bin/KeshProbe.exe" hold "Z:$ready" </dev/null >/dev/null 2>&1 9>&- &
      echo $! >"$KESH_WINE_STATE/hold.pid"
      local i
      for i in $(seq 1 600); do
        [ -e "$ready" ] && break
        _kesh_pid_alive "$KESH_WINE_STATE/hold.pid" || { echo "the keep-alive window did not start" >&2; exit 1; }
        sleep 0.05
      done
      [ -e "$ready" ] || { echo "the keep-alive window did not come up in 30 s" >&2; exit 1; }
    fi
  ) 9>"$KESH_WINE_STATE/lock"
  export DISPLAY=":$(cat "$KESH_WINE_STATE/display")"
}

kesh_wine_down() {
  [ -n "${KESH_WINE_STATE:-}" ] || return 0
  wineserver -k >/dev/null 2>&1 || true
  local pidfile
  for pidfile in "$KESH_WINE_STATE/hold.pid" "$KESH_WINE_STATE/xvfb.pid"; do
    if _kesh_pid_alive "$pidfile"; then kill "$(cat "$pidfile")" 2>/dev/null || true; fi
    rm -f "$pidfile"
  done
}
