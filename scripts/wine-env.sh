# Sourced: prepares a throw-away Wine prefix inside the build tree, an X display
# on Xvfb and one persistent wineserver, so that every Windows test of the run
# shares them. Never touches ~/.wine.
#   WINEPREFIX   defaults to <repo>/build/wineprefix
#   TW_WINVER    the emulated Windows version (winxp unless set): win95, win98, winme,
#                nt40, win2k, winxp, win2003, win10; set again on every source, so
#                one prefix can serve several versions in turn
#   DISPLAY      a live X display is used as it is; unset it for an Xvfb of the
#                prefix's own (as the test run's version lanes do)
#   TW_WINE_WAY  win32 or win64 (scripts/wine-way.sh decides when unset)
# After it: $TW_WINE is the Wine loader, $WINESERVER the server, $TW_WIN_PRESET the
# build, and tw_stop_wine ends the server and the Xvfb this file started for
# the prefix.
_tw_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$_tw_root/scripts/wine-way.sh"
source "$_tw_root/scripts/tw-lib.sh"
export TW_WINVER="${TW_WINVER:-winxp}"
mkdir -p "$(dirname "$WINEPREFIX")"

# One X display per prefix for the whole run, so that prefixes tested side by
# side do not share a screen and its focus; reuse a live one from an earlier
# source. Xvfb picks a free display number itself (-displayfd) and reports it
# once it accepts connections, so that starts side by side cannot race.
export TW_XVFB_DISPLAY="$WINEPREFIX.xvfb-display"
export TW_XVFB_PID="$TW_XVFB_DISPLAY.pid"
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  if [ -s "$TW_XVFB_DISPLAY" ] && xdpyinfo -display "$(cat "$TW_XVFB_DISPLAY")" >/dev/null 2>&1; then
    export DISPLAY="$(cat "$TW_XVFB_DISPLAY")"
  else
    tw_start_xvfb "$TW_XVFB_DISPLAY" "${TW_XVFB_SCREEN:-1024x768x24}" || return 1
  fi
fi

# A prefix made for the other way cannot serve this one: make it anew.
if [ -f "$WINEPREFIX/system.reg" ] && ! grep -qx "#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then
  "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
fi
# A persistent server first, so that parallel first starts do not race.
tw_prepare_prefix wait
"$TW_WINE" reg add 'HKCU\Software\Wine' /v Version /d "$TW_WINVER" /f >/dev/null 2>&1 || true
tw_stop_wine() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -f "$TW_XVFB_PID" ]; then kill "$(cat "$TW_XVFB_PID")" 2>/dev/null || true; rm -f "$TW_XVFB_PID" "$TW_XVFB_DISPLAY"; fi
}
unset _tw_root
