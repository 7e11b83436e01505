#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (as root) and
# decides the way this run tests the Windows programs (scripts/wine-way.sh):
# test.sh and demo.sh source it first, so that their first lines say which way
# and why. Safe to run again: it installs only what is missing. Both cross
# compilers always (the shipped programs are i686; the x86_64 build keeps the
# code 64-bit clean); Wine for the way; non-zero only when neither way's
# packages can be installed.
set -euo pipefail
TW_WINE_INSTALL=1 source "$(dirname "${BASH_SOURCE[0]}")/wine-way.sh"
# Wine takes the ANSI code page from the Unix locale, and names files with it
# only when the locale exists: the code-page lane of scripts/test.sh runs
# under ja_JP.UTF-8 (code page 932).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
