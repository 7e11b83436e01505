#!/usr/bin/env bash
# Two users logged on at once, one of them uninstalling. Under Wine each
# prefix has a wineserver and so an object namespace of its own, as each
# session has on Windows: windows and mutexes do not reach across, files do.
# The installation lies in one host folder that both prefixes see as
# T:\Vornacle\Cobaltine. The second prefix runs it: Tickwardenaide (which
# starts Tickwarden) and a program of the installation that looks for no end
# request (the stand-in main program as Aidwell.exe). The first prefix's
# wineserver has running_file_preload.so, which makes deleting a program
# file another process holds fail, as Windows refuses to delete a running
# program's file (the second prefix's server and programs hold theirs). The
# uninstall itself runs in the first prefix under the system test's driver
# (PurgewellSystem.AnotherSessionsProgramsEndOrGoAtTheNextRestart), which
# checks what went and what goes at the next restart; this script checks
# that the second prefix's scheduler and assistant ended.
# Usage: purgewell_sessions.sh BIN_DIR WORK_DIR PRELOAD
#   BIN_DIR   the built programs, winpoke.exe and purgewell_system.exe
#   WORK_DIR  the prefixes (made once, kept for later runs) and the shared
#             folder (made anew)
# TW_WINVER picks the first prefix's Windows version (winxp unless set).
set -u
bin=$(cd "$1" && pwd) work=$2 preload=$3
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export TW_WINE_SAID=1
source "$root/scripts/wine-way.sh" || exit 2
source "$root/scripts/tw-lib.sh"
mkdir -p "$work" && work=$(cd "$work" && pwd -P)
shared="$work/shared" p1="$work/prefix1" p2="$work/prefix2"
install='T:\Vornacle\Cobaltine'
status=0
fail() { echo "FAIL: $*"; status=1; }

# Whether a process of prefix $1 has $2 in its command line.
running_in() {
  local p
  for p in /proc/[0-9]*; do
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$1" || continue
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -qF -- "$2" && return 0
  done
  return 1
}
ended_in() { ! running_in "$@"; }

stop_all() {
  WINEPREFIX="$p1" "$WINESERVER" -k >/dev/null 2>&1
  WINEPREFIX="$p2" "$WINESERVER" -k >/dev/null 2>&1
  [ -f "$work/display.pid" ] && kill "$(cat "$work/display.pid")" 2>/dev/null
}
trap stop_all EXIT
trap "exit 1" INT TERM

tw_start_xvfb "$work/display" 1024x768x24 || exit 2

rm -rf "$shared"
mkdir -p "$shared/Vornacle/Cobaltine"
cp "$bin/Tickwarden.exe" "$bin/Tickwardenaide.exe" "$shared/Vornacle/Cobaltine/" &&
  cp "$bin/Cobaltine.exe" "$shared/Vornacle/Cobaltine/Aidwell.exe" || exit 2
for p in "$p1" "$p2"; do
  export WINEPREFIX="$p"
  # A prefix made for the other way (32- or 64-bit) cannot serve this one.
  if [ -f "$p/system.reg" ] && ! grep -qx "#arch=$WINEARCH" "$p/system.reg"; then
    "$WINESERVER" -k >/dev/null 2>&1
    rm -rf "$p"
  fi
  tw_prepare_prefix
  ln -sfn "$shared" "$p/dosdevices/t:"
done
# The first prefix's server again, with the library, which only its server
# may have (there the deletions are done); started before any program of
# the prefix, so that none starts one of its own.
export WINEPREFIX="$p1"
"$WINESERVER" -k >/dev/null 2>&1
"$WINESERVER" -w
unset WINEPREFIX
LD_PRELOAD="$preload" TW_HELD_MATCH="$shared/" WINEPREFIX="$p1" "$WINESERVER" -p >/dev/null 2>&1
WINEPREFIX="$p1" "$TW_WINE" reg add 'HKCU\Software\Wine' /v Version /d "${TW_WINVER:-winxp}" /f >/dev/null 2>&1

# The other user's session.
WINEPREFIX="$p2" "$TW_WINE" "$install\\Tickwardenaide.exe" >"$work/aide.out" 2>&1 &
WINEPREFIX="$p2" COBALTINE_LOG='T:\aidwell.log' "$TW_WINE" "$install\\Aidwell.exe" >"$work/aidwell.out" 2>&1 &
for cls in CobaltineSchedulerClass CobaltineSchedulerAssistantClass Cobaltine; do
  WINEPREFIX="$p2" "$TW_WINE" "$bin/winpoke.exe" wait "$cls" 120 >/dev/null 2>&1 ||
    { echo "FAIL: no window of class $cls in the other session"; exit 1; }
done
echo "other session: Tickwarden, Tickwardenaide and Aidwell.exe run from $install"

# The uninstall in this session.
WINEPREFIX="$p1" TW_OTHER_SESSION_INSTALL="$install" "$TW_WINE" "$bin/purgewell_system.exe" --gtest_color=no \
  --gtest_filter=PurgewellSystem.AnotherSessionsProgramsEndOrGoAtTheNextRestart 2>"$work/driver.err" ||
  fail "the uninstall in the first session"

# The other session's scheduler and assistant ended on the request; the
# program that looks for none runs on (its file goes at the next restart).
for program in Tickwarden.exe Tickwardenaide.exe; do
  tw_poll 30 ended_in "$p2" "Cobaltine\\$program" || fail "$program still runs in the other session"
done
running_in "$p2" 'Cobaltine\Aidwell.exe' || fail "Aidwell.exe of the other session ended, though nothing asked it"
echo "other session afterwards: $(ended_in "$p2" 'Cobaltine\Tickwarden.exe' && echo "Tickwarden ended")," \
  "$(ended_in "$p2" 'Cobaltine\Tickwardenaide.exe' && echo "Tickwardenaide ended")," \
  "$(running_in "$p2" 'Cobaltine\Aidwell.exe' && echo "Aidwell.exe runs on")"
exit $status
