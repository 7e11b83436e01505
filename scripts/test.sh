#!/usr/bin/env bash
# Builds both configurations and runs every test: the portable core natively
# under ASan/UBSan (and a short fuzzing run), then the Windows programs and
# their tests under Wine on Xvfb in a throw-away prefix inside build/: the
# shipped i686 build under wine32, or on hosts that cannot execute 32-bit code
# or cannot install wine32:i386 the x86_64 build under wine64 (scripts/wine-way.sh;
# TW_WINE_WAY=win64 forces it).
# Exits non-zero on any failure. Usage: scripts/test.sh [ctest -R regex]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
filter=("${@:+-R}" "${@}")
[ $# -eq 0 ] && filter=()

start=$(date +%s)
# First: the way this run takes and why, and the packages it needs.
source scripts/setup.sh
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

# Every skipped test is named with the reason it gave (CTest shows only
# failures), from the log of the test directory the run used.
skipped() {
  awk '/: Skipped$/ { getline why; reason = why } /^\[  SKIPPED \] [^ ]+ \(/ { print "   skipped: " $4 ": " reason; reason = "" }' \
    "$1/Testing/Temporary/LastTest.log" 2>/dev/null || true
}

# What the tests that branch on the Windows version observed (README,
# "Windows versions"): the "[tray]" and "[branches]" lines of the run.
figures() {
  grep -h -e '^\[tray\] ' -e '^\[branches\] ' "$1/Testing/Temporary/LastTest.log" 2>/dev/null | sed 's/^/   /' || true
}

# The tests labelled "matrix" exercise what branches on the Windows version;
# they run again under every other emulated version. The versions are dealt
# to lanes that run side by side (the tests mostly wait), each lane with a
# prefix, wineserver and X display of its own and a test directory of its own
# over the same build (so that CTest's logs do not mix); a lane takes its
# versions in turn in its one prefix, switching Wine's Version value.
# A lane runs the tests of one label (matrix, or codepage below).
matrix_lane() {
  local lane=$1 label=$2 dir="$root/build/matrix/lane$1" rc=0 began lane_began
  shift 2
  lane_began=$(date +%s)
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "subdirs(\"$root/build/$TW_WIN_PRESET\")" > "$dir/CTestTestfile.cmake"
  export WINEPREFIX="$dir/wineprefix"
  unset DISPLAY
  for version in "$@"; do
    began=$(date +%s)
    echo "== Windows tests under Wine ($version, $TW_WIN_PRESET build)"
    export TW_WINVER="$version"
    source scripts/wine-env.sh
    ctest --test-dir "$dir" -L "$label" --output-on-failure || rc=1
    skipped "$dir"
    figures "$dir"
    # Every process of the next version starts afresh.
    "$WINESERVER" -k >/dev/null 2>&1 || true
    echo "== $version: $(( $(date +%s) - began )) s"
  done
  tw_stop_wine
  rm -rf "$WINEPREFIX"
  echo "== lane $lane ($*): $(( $(date +%s) - lane_began )) s"
  return $rc
}

# Started once the builds are done, beside the native tests and the main run
# under Windows XP; their output follows when all have ended.
lane_pids=()
matrix_began=$(date +%s)
read -r -a versions <<< "${TW_MATRIX:-win95 win98 winme nt40 win2k win2003 win10}"
if [ ${#filter[@]} -eq 0 ]; then
  lanes=${TW_MATRIX_LANES:-4}
  mkdir -p build/matrix
  for (( lane = 0; lane < lanes && lane < ${#versions[@]}; lane++ )); do
    mine=()
    for (( i = lane; i < ${#versions[@]}; i += lanes )); do mine+=("${versions[i]}"); done
    matrix_lane "$lane" matrix "${mine[@]}" > "build/matrix/lane$lane.log" 2>&1 &
    lane_pids+=($!)
  done
  # The system tests labelled "codepage" once more, with names of the user's
  # code page in every folder and set: 932 (each test's LC_ALL=ja_JP.UTF-8;
  # 表 ソ 能 end in '\'), and one case in 1252 with accented names.
  lane=${#lane_pids[@]}
  matrix_lane "$lane" codepage winxp > "build/matrix/lane$lane.log" 2>&1 &
  lane_pids+=($!)
fi
stop_lanes() {
  for pid in "${lane_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}

status=0
echo "== native tests"
ctest --preset native "${filter[@]}" || status=1
skipped build/native

if [ "$TW_WIN_PRESET" != win32 ]; then
  echo "== shipped i686 programs: imports and size budgets"
  ctest --preset win32 -L shipped "${filter[@]}" || status=1
fi

echo "== Windows tests under Wine (winxp, $TW_WIN_PRESET build)"
# A fresh prefix per run: tests change its registry, drives and folders.
rm -rf build/wineprefix
source scripts/wine-env.sh
trap 'tw_stop_wine; stop_lanes' EXIT
# The code-page tests run in their lane; asked for by name, here.
main_only=("-LE" "codepage")
[ ${#filter[@]} -gt 0 ] && main_only=()
ctest --preset "$TW_WIN_PRESET" "${main_only[@]}" "${filter[@]}" || status=1
skipped "build/$TW_WIN_PRESET"
figures "build/$TW_WIN_PRESET"
"$WINESERVER" -k >/dev/null 2>&1 || true

main_done=$(date +%s)
for (( lane = 0; lane < ${#lane_pids[@]}; lane++ )); do
  wait "${lane_pids[lane]}" || status=1
  cat "build/matrix/lane$lane.log"
done
if [ ${#lane_pids[@]} -gt 0 ]; then
  echo "== version matrix and code-page lane: ${#versions[@]} versions and the code pages in ${#lane_pids[@]} lanes" \
    "beside the rest, which took" \
    "$(( main_done - matrix_began )) s; waited $(( $(date +%s) - main_done )) s for the lanes after it"
fi

echo "== total time $(( $(date +%s) - start )) s ($TW_WIN_PRESET build under Wine)"
exit $status
