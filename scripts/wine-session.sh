# Sourced by the Windows test scripts: one Xvfb and one persistent wineserver
# for the whole run, both ended when the script exits.
#
#   wine_session_start FOLDER FRESH
#
# Expects WINEPREFIX set; FOLDER holds the display file; FRESH=1 makes the
# prefix anew. Sets DISPLAY.

wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
wine_xvfb=""

wine_session_end() {
  "$wineserver" -k > /dev/null 2>&1 || true
  if [ -n "$wine_xvfb" ]; then
    kill "$wine_xvfb" 2> /dev/null || true
    wait "$wine_xvfb" 2> /dev/null || true
  fi
}

wine_session_start() {
  local folder=$1 fresh=$2
  trap wine_session_end EXIT
  mkdir -p "$folder"
  local display_file=$folder/xvfb-display
  rm -f "$display_file"
  Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset > "$display_file" 2> /dev/null &
  wine_xvfb=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$wine_xvfb" 2> /dev/null || break
    sleep 0.1
  done
  [ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -1 "$display_file")"
  [ "$fresh" -eq 1 ] && rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # A wineserver left by an earlier run would keep that run's display. The new
  # one starts with its streams closed: a wineserver or a Wine service that
  # inherited ctest's pipes would keep ctest waiting for ever.
  "$wineserver" -k > /dev/null 2>&1 || true
  "$wineserver" -w > /dev/null 2>&1 || true
  "$wineserver" -p < /dev/null > /dev/null 2>&1
  if [ ! -f "$WINEPREFIX/skerrow-ready" ]; then
    # Without a window manager Wine frames its windows itself, and hiding a window costs no 2 s wait.
    "$wine64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f < /dev/null > /dev/null 2>&1
    touch "$WINEPREFIX/skerrow-ready"
  fi
  "$wine64" cmd /c exit < /dev/null > /dev/null 2>&1
}
