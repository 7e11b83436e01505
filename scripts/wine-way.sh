# Sourced by setup, test, demo, wine-env and CTest's emulator: decides once per
# run which way the Windows programs are tested, says so in one line, and
# exports the choice and the Wine settings so that every script of the run
# follows them.
#   win32  the shipped i686 build under wine32, in a 32-bit prefix: hosts that
#          execute 32-bit x86 code
#   win64  the same sources built for x86_64 under wine64, in a 64-bit prefix:
#          hosts whose kernel cannot execute 32-bit x86 code at all
# TW_WINE_WAY=win64 (or win32) set beforehand forces a way.
_tw_way_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
_tw_why="TW_WINE_WAY=${TW_WINE_WAY:-} set"
if [ -z "${TW_WINE_WAY:-}" ]; then
  # A 96-byte 32-bit x86 ELF program that only exits with 42: the kernel
  # either runs it or refuses it ("Exec format error"), whatever is installed.
  mkdir -p "$_tw_way_root/build"
  _tw_probe="$_tw_way_root/build/.probe32"
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' > "$_tw_probe"
  chmod +x "$_tw_probe"
  _tw_rc=0
  "$_tw_probe" 2>/dev/null || _tw_rc=$?
  rm -f "$_tw_probe"
  if [ "$_tw_rc" -eq 42 ]; then
    export TW_WINE_WAY=win32; _tw_why="this host runs 32-bit x86 code"
  else
    export TW_WINE_WAY=win64; _tw_why="this host cannot execute 32-bit x86 code"
  fi
  unset _tw_probe _tw_rc
fi
case "$TW_WINE_WAY" in
  win32)
    export TW_WIN_PRESET=win32 WINEARCH=win32
    export TW_WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 ;;
  win64)
    export TW_WIN_PRESET=win64 WINEARCH=win64
    export TW_WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
  *)
    echo "TW_WINE_WAY must be win32 or win64, not '$TW_WINE_WAY'" >&2
    return 2 2>/dev/null || exit 2 ;;
esac
# The loader finds its own parts by its path: call it, never a link to it.
export WINELOADER="$TW_WINE"
# The throw-away prefix inside the build tree (never ~/.wine), quiet, without
# the .NET and HTML engines or menu entries on the host.
export WINEPREFIX="${WINEPREFIX:-$_tw_way_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
if [ -z "${TW_WINE_SAID:-}" ]; then
  if [ "$TW_WINE_WAY" = win32 ]; then
    echo "== Windows programs: i686 build under wine32 ($_tw_why)"
  else
    echo "== Windows programs: x86_64 build under wine64 in a 64-bit prefix ($_tw_why)"
  fi
  export TW_WINE_SAID=1
fi
unset _tw_way_root _tw_why
