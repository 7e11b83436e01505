# Sourced: prepares a throw-away Wine prefix inside the build tree, an X display
# on Xvfb and one persistent wineserver, so that every Windows test of the run
# shares them. Never touches ~/.wine.
#   WINEPREFIX   defaults to <repo>/build/wineprefix
#   TW_WINVER    the emulated Windows version (winxp unless set: win98, win2k, win10 ...)
#   TW_WINE_WAY  win32 or win64 (scripts/wine-way.sh decides when unset)
# After it: $TW_WINE is the Wine loader, $WINESERVER the server, $TW_WIN_PRESET the
# build, and tw_stop_wine ends the server and the Xvfb this file started.
_tw_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$_tw_root/scripts/wine-way.sh"
export TW_WINVER="${TW_WINVER:-winxp}"
mkdir -p "$(dirname "$WINEPREFIX")"

# One X display for the whole run; reuse a live one from an earlier source.
export TW_XVFB_PID="$_tw_root/build/.xvfb-pid" TW_XVFB_DISPLAY="$_tw_root/build/.xvfb-display"
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  if [ -f "$TW_XVFB_DISPLAY" ] && xdpyinfo -display "$(cat "$TW_XVFB_DISPLAY")" >/dev/null 2>&1; then
    export DISPLAY="$(cat "$TW_XVFB_DISPLAY")"
  else
    for n in $(seq 91 140); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      echo $! > "$TW_XVFB_PID"
      for _ in $(seq 1 100); do xdpyinfo -display ":$n" >/dev/null 2>&1 && break; sleep 0.1; done
      export DISPLAY=":$n"
      echo ":$n" > "$TW_XVFB_DISPLAY"
      break
    done
  fi
fi

# A prefix made for the other way cannot serve this one: make it anew.
if [ -f "$WINEPREFIX/system.reg" ] && ! grep -qx "#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then
  "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
fi
# A persistent server first, so that parallel first starts do not race.
"$WINESERVER" -p >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$TW_WINE" wineboot -i >/dev/null 2>&1 || true
  "$WINESERVER" -w
fi
"$TW_WINE" reg add 'HKCU\Software\Wine' /v Version /d "$TW_WINVER" /f >/dev/null 2>&1 || true
tw_stop_wine() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -f "$TW_XVFB_PID" ]; then kill "$(cat "$TW_XVFB_PID")" 2>/dev/null || true; rm -f "$TW_XVFB_PID" "$TW_XVFB_DISPLAY"; fi
}
unset _tw_root
