#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (as root).
# Safe to run again: it installs only what is missing.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=0
fi
for p in cmake ninja-build clang g++ googletest libgtest-dev libbenchmark-dev libsqlite3-dev libclang-rt-14-dev \
         g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 xvfb xauth x11-apps imagemagick \
         python3 zip xdotool; do
  have "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
