#!/bin/sh
# Other spellings of system folders for the uninstaller's system test, made on
# the host side of the Wine prefix (Wine shows a host directory symlink as a
# reparse point): C:\purgewell-links\winlink -> C:\windows,
# C:\purgewell-links\rootlink -> C:\, and drive Q: standing for C:\.
# Usage: purgewell_links.sh make|remove DEFAULT_PREFIX
prefix="${WINEPREFIX:-$2}"
links="$prefix/drive_c/purgewell-links"
case "$1" in
  make)
    mkdir -p "$links" || exit 1
    ln -sfn ../windows "$links/winlink" && ln -sfn .. "$links/rootlink" &&
      ln -sfn ../drive_c "$prefix/dosdevices/q:" ;;
  remove)
    rm -f "$links/winlink" "$links/rootlink" "$prefix/dosdevices/q:"
    rmdir "$links" 2>/dev/null
    exit 0 ;;
  *) exit 2 ;;
esac
