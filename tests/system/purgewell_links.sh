#!/bin/sh
# Links and a drive letter for the uninstaller's system test, made on the host
# side of the Wine prefix (Wine shows a host directory symlink as a reparse
# point, and a dosdevices link as a drive):
#   C:\purgewell-links\winlink  -> C:\windows
#   C:\purgewell-links\rootlink -> C:\
#   Q:                          -> C:\
#   C:\purgewell-links\datalink -> <prefix>/purgewell-volume, a folder beside
#                                  drive C: that stands for a mounted volume
# Usage: purgewell_links.sh make|remove DEFAULT_PREFIX
prefix="${WINEPREFIX:-$2}"
links="$prefix/drive_c/purgewell-links"
case "$1" in
  make)
    mkdir -p "$links" "$prefix/purgewell-volume" || exit 1
    ln -sfn ../windows "$links/winlink" && ln -sfn .. "$links/rootlink" &&
      ln -sfn ../drive_c "$prefix/dosdevices/q:" && ln -sfn ../../purgewell-volume "$links/datalink" ;;
  remove)
    rm -f "$links/winlink" "$links/rootlink" "$links/datalink" "$prefix/dosdevices/q:"
    rm -rf "$prefix/purgewell-volume" "$prefix/drive_c/purgewell-aliased"
    rmdir "$links" 2>/dev/null
    exit 0 ;;
  *) exit 2 ;;
esac
