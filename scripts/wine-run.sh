#!/usr/bin/env bash
# CTest's emulator for the Windows builds: runs one program under Wine in the
# prefix prepared by wine-env.sh. The first argument says which build it is:
# 32 (i686, the wine32 loader) or 64 (x86_64, the wine64 loader).
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bits=$1; shift
if [ "$bits" = 64 ]; then export TW_WINE_WAY=win64; else export TW_WINE_WAY=win32; fi
export TW_WINE_SAID=1
source "$root/scripts/wine-way.sh"
exec "$TW_WINE" "$@"
