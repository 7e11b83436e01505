#!/usr/bin/env bash
# Runs one case of the uninstaller's system test with its standard error in a
# file of its own: Wine writes there the relay trace of the programs the case
# starts with WINEDEBUG=+relay, and the case reads it (TW_RELAY_LOG, as a
# Windows path).
# Usage: purgewell_media.sh TEST_EXE LOG GTEST_FILTER
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export TW_WINE_SAID=1
source "$root/scripts/wine-way.sh" || exit 2
exe=$1 log=$2 filter=$3
mkdir -p "$(dirname "$log")" && : >"$log" || exit 2
log=$(cd "$(dirname "$log")" && pwd -P)/$(basename "$log")
out=$(TW_RELAY_LOG="Z:${log//\//\\}" "$TW_WINE" "$exe" --gtest_color=no --gtest_filter="$filter" 2>"$log")
status=$?
printf '%s\n' "$out"
# A case that did not run (a filter that matches nothing, a skip) proves nothing.
case "$out" in
  *"[  PASSED  ] 1 test."* | *"[  FAILED  ]"*) ;;
  *) echo "FAIL: $filter did not run"; status=1 ;;
esac
grep -c ':Call ' "$log" | sed 's/^/relay calls traced: /'
exit $status
