#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (as root).
# Safe to run again: it installs only what is missing. Both cross compilers
# always (the shipped programs are i686; the x86_64 build keeps the code 64-bit
# clean); Wine for the way this run tests (scripts/wine-way.sh).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-way.sh"
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
pkgs=(cmake ninja-build clang g++ googletest libgtest-dev libbenchmark-dev libsqlite3-dev libclang-rt-14-dev
      g++-mingw-w64-i686 g++-mingw-w64-x86-64-win32 mingw-w64-tools wine
      xvfb xauth x11-apps imagemagick python3 zip xdotool locales)
if [ "$TW_WINE_WAY" = win32 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  pkgs+=(wine32:i386)
else
  pkgs+=(wine64)
fi
for p in "${pkgs[@]}"; do
  have "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
# Wine takes the ANSI code page from the Unix locale, and names files with it
# only when the locale exists: the code-page lane of scripts/test.sh runs
# under ja_JP.UTF-8 (code page 932).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
