#!/usr/bin/env bash
# Builds both configurations and runs every test: the portable core natively
# under ASan/UBSan (and a short fuzzing run), then the Windows programs and
# their tests under Wine on Xvfb in a throw-away prefix inside build/.
# Exits non-zero on any failure. Usage: scripts/test.sh [ctest -R regex]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
filter=("${@:+-R}" "${@}")
[ $# -eq 0 ] && filter=()

start=$(date +%s)
bash scripts/setup.sh
jobs=$(nproc)

echo "== native build (clang, ASan + UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
echo "== Windows build (i686 mingw-w64)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -f build/.xvfb-pid ]; then kill "$(cat build/.xvfb-pid)" 2>/dev/null || true; rm -f build/.xvfb-pid build/.xvfb-display; fi
}
trap cleanup EXIT

status=0
echo "== native tests"
ctest --preset native "${filter[@]}" || status=1

echo "== Windows tests under Wine (winxp)"
# A fresh prefix per run: tests change its registry, drives and folders.
rm -rf build/wineprefix
source scripts/wine-env.sh
ctest --preset win32 "${filter[@]}" || status=1
wineserver -k >/dev/null 2>&1 || true

# The tests labelled "matrix" exercise what branches on the Windows version;
# they run again under each other emulated version, each in its own prefix.
if [ ${#filter[@]} -eq 0 ]; then
  for version in ${TW_MATRIX:-win98 win2k win10}; do
    echo "== Windows tests under Wine ($version)"
    export WINEPREFIX="$root/build/wineprefix-$version" TW_WINVER="$version"
    rm -rf "$WINEPREFIX"
    source scripts/wine-env.sh
    ctest --preset win32 -L matrix || status=1
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  done
fi

echo "== total time $(( $(date +%s) - start )) s"
exit $status
