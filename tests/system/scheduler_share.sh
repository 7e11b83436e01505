#!/bin/sh
# The share \\nas\backup of the scheduler's share test: the prefix's
# dosdevices/unc/nas/backup link to a host folder (Wine's way to a UNC path).
# Usage: scheduler_share.sh make|remove HOST_FOLDER DEFAULT_PREFIX
prefix="${WINEPREFIX:-$3}"
case "$1" in
  make)
    mkdir -p "$2" "$prefix/dosdevices/unc/nas" || exit 1
    ln -sfn "$2" "$prefix/dosdevices/unc/nas/backup" ;;
  remove)
    rm -f "$prefix/dosdevices/unc/nas/backup"
    rmdir "$prefix/dosdevices/unc/nas" "$prefix/dosdevices/unc" 2>/dev/null
    rm -rf "$2"
    exit 0 ;;
  *) exit 2 ;;
esac
