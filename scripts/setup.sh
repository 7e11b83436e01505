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
