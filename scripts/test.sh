#!/usr/bin/env bash
# Builds both configurations and runs every test: the portable core natively
# under ASan/UBSan (and a short fuzzing run), then the Windows programs and
# their tests under Wine on Xvfb in a throw-away prefix inside build/: the
# shipped i686 build under wine32, or on hosts that cannot execute 32-bit code
# the x86_64 build under wine64 (scripts/wine-way.sh; TW_WINE_WAY=win64 forces it).
# Exits non-zero on any failure. Usage: scripts/test.sh [ctest -R regex]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
filter=("${@:+-R}" "${@}")
[ $# -eq 0 ] && filter=()

start=$(date +%s)
source scripts/wine-way.sh
bash scripts/setup.sh
jobs=$(nproc)

echo "== native build (clang, ASan + UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
echo "== Windows build, shipped (i686 mingw-w64)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
echo "== Windows build, x86_64 (mingw-w64, warnings as errors)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"

# Every skipped test is named with the reason it gave (CTest shows only failures).
skipped() {
  awk '/: Skipped$/ { getline why; reason = why } /^\[  SKIPPED \] [^ ]+ \(/ { print "   skipped: " $4 ": " reason; reason = "" }' \
    "build/$1/Testing/Temporary/LastTest.log" 2>/dev/null || true
}

status=0
echo "== native tests"
ctest --preset native "${filter[@]}" || status=1
skipped native

if [ "$TW_WIN_PRESET" != win32 ]; then
  echo "== shipped i686 programs: imports and size budgets"
  ctest --preset win32 -L shipped "${filter[@]}" || status=1
fi

echo "== Windows tests under Wine (winxp, $TW_WIN_PRESET build)"
# A fresh prefix per run: tests change its registry, drives and folders.
rm -rf build/wineprefix
source scripts/wine-env.sh
trap tw_stop_wine EXIT
ctest --preset "$TW_WIN_PRESET" "${filter[@]}" || status=1
skipped "$TW_WIN_PRESET"
"$WINESERVER" -k >/dev/null 2>&1 || true

# The tests labelled "matrix" exercise what branches on the Windows version;
# they run again under each other emulated version, each in its own prefix.
if [ ${#filter[@]} -eq 0 ]; then
  for version in ${TW_MATRIX:-win98 win2k win10}; do
    echo "== Windows tests under Wine ($version, $TW_WIN_PRESET build)"
    export WINEPREFIX="$root/build/wineprefix-$version" TW_WINVER="$version"
    rm -rf "$WINEPREFIX"
    source scripts/wine-env.sh
    ctest --preset "$TW_WIN_PRESET" -L matrix || status=1
    skipped "$TW_WIN_PRESET"
    "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  done
fi

echo "== total time $(( $(date +%s) - start )) s ($TW_WIN_PRESET build under Wine)"
exit $status
