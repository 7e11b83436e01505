#!/usr/bin/env bash
# Several users logged on at once. Under Wine each prefix has a wineserver and
# so an object namespace of its own, as each session has on Windows: SESSIONS
# prefixes run the one installed Tickwarden.exe (one program folder and one
# repository, drive T: in every prefix) with a set due every minute, and the
# shared support log must show every evaluated minute launched once in all
# (the other sessions log it as taken), each launch reaching one main
# program, and only whole lines.
# Usage: scheduler_sessions.sh BIN_DIR WORK_DIR SESSIONS MINUTES
#   BIN_DIR   Tickwarden.exe, Cobaltine.exe (the stand-in) and hdbtool.exe
#   WORK_DIR  the prefixes (made once, kept for later runs) and the shared
#             folder (made anew)
# Prints the launches of each minute and a sample of the log; exits 0 when
# every check holds. Waits are bounded polls; an X display of its own.
set -u
bin=$(cd "$1" && pwd) work=$2 sessions=$3 minutes=$4
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export TW_WINE_SAID=1
source "$root/scripts/wine-way.sh" || exit 2
mkdir -p "$work" && work=$(cd "$work" && pwd)
shared="$work/shared" log="$work/shared/Cobaltine/data/Logs/Tickwarden.log"
status=0
fail() { echo "FAIL: $*"; status=1; }

# Waits until the command succeeds or `seconds` pass; true when it succeeded.
poll() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.5
  done
}

source "$root/tests/system/own_display.sh"
own_display_pid=""
stop_all() {
  for i in $(seq 1 "$sessions"); do WINEPREFIX="$work/prefix$i" "$WINESERVER" -k >/dev/null 2>&1; done
  [ -n "$own_display_pid" ] && kill "$own_display_pid" 2>/dev/null
}
trap stop_all EXIT
trap "exit 1" INT TERM
own_display 800x600x24 "$work" || exit 2

rm -rf "$shared"
mkdir -p "$shared/Cobaltine/data"
cp "$bin/Tickwarden.exe" "$bin/Cobaltine.exe" "$shared/Cobaltine/" || exit 2
for i in $(seq 1 "$sessions"); do
  p="$work/prefix$i"
  export WINEPREFIX="$p"
  "$WINESERVER" -p >/dev/null 2>&1
  if [ ! -f "$p/.tw-ready" ]; then
    "$TW_WINE" wineboot -i >/dev/null 2>&1
    # The user's folders of their own, not links to the host's home.
    for l in "$p"/drive_c/users/*/*; do [ -L "$l" ] && rm -f "$l" && mkdir -p "$l"; done
    touch "$p/.tw-ready"
  fi
  ln -sfn "$shared" "$p/dosdevices/t:"
done

export WINEPREFIX="$work/prefix1"
printf '%s\n' '"SchedulerPreferences"' '  "SettleTime" = "0"' '  "PromptBeforeStarting" = "0"' \
  '"Backup Set List"' '  "1"' '    "Name" = "Every minute"' '    "ScheduleAutomatic" = "1"' \
  '    "SchedulePerScheduleFlag" = "1"' '    "ScheduleScheduledType" = "1"' '    "ScheduleFrequency" = "1"' \
  '    "ScheduleAllDayFlag" = "1"' '    "ScheduleDaysFlags" = "127"' > "$shared/config.txt"
"$TW_WINE" "$bin/hdbtool.exe" build 'T:\config.txt' 'T:\Cobaltine\data\ClientConfig.hdb' >/dev/null 2>&1 ||
  { echo "hdbtool could not build the settings"; exit 2; }

for i in $(seq 1 "$sessions"); do
  WINEPREFIX="$work/prefix$i" COBALTINE_LOG="T:\\standin-$i.log" "$TW_WINE" 'T:\Cobaltine\Tickwarden.exe' \
    >"$work/session$i.out" 2>&1 &
done

# Lines of the support log matching a pattern (0 while there is no log).
count() {
  local n
  n=$(grep -c -- "$1" "$log" 2>/dev/null)
  echo "${n:-0}"
}
at_least() { test "$(count "$1")" -ge "$2"; }
# Every session is up once each has found the repository (its first tick).
if ! poll 180 at_least ' online ' "$sessions"; then
  echo "FAIL: only $(count ' online ') of $sessions sessions came up"
  tail -n 5 "$work"/session*.out
  exit 1
fi
minute_of() { date -d "$1" +%s; }
last_online=$(grep ' online ' "$log" | tail -n 1 | cut -c1-16)
first=$(( $(minute_of "$last_online") + 60 ))
last=$(( first + (minutes - 1) * 60 ))
stamp() { date -d "@$1" '+%Y-%m-%d %H:%M'; }
# The last minute is done when every session has launched it or left it.
decided() { test $(( $(count "^$(stamp "$last"):.. launch ") + $(count "^$(stamp "$last"):.. taken ") )) -ge "$sessions"; }
poll $(( last + 120 - $(date +%s) )) decided || fail "not every session decided $(stamp "$last")"

echo "minute            launches  taken (sessions: $sessions)"
total=0
for ((m = first; m <= last; m += 60)); do
  launches=$(count "^$(stamp $m):.. launch ") taken=$(count "^$(stamp $m):.. taken ")
  echo "$(stamp $m)  $launches         $taken"
  total=$((total + launches))
  [ "$launches" -eq 1 ] || fail "$(stamp $m) launched $launches times"
  [ "$taken" -eq $((sessions - 1)) ] || fail "$(stamp $m): $taken sessions left the run, not $((sessions - 1))"
done
echo "launches per minute: $(awk "BEGIN { printf \"%.2f\", $total / $minutes }")"

# Every launch reached one main program: started with the set, or handed to it.
for i in $(seq 1 "$sessions"); do
  WINEPREFIX="$work/prefix$i" "$TW_WINE" taskkill /im Tickwarden.exe >/dev/null 2>&1
done
poll 60 at_least ' stop' "$sessions" || fail "only $(count ' stop') of $sessions sessions stopped"
reached=$(cat "$shared"/standin-*.log 2>/dev/null | grep -c -e '-BackupSet=1' -e '^msg 33568 1 1' || true)
[ "$reached" -eq "$(count ' launch ')" ] || fail "$(count ' launch ') launches, $reached reached a main program"
broken=$(grep -c -v -E $'^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [a-z-]+( [^\r]*)?\r$' "$log" || true)
[ "$broken" -eq 0 ] || fail "$broken lines of the log are not whole"
[ "$(tail -c 2 "$log" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the log does not end with a whole line"
[ "$(count ' start .* for user ')" -eq "$sessions" ] || fail "not every start line names its user and session"
echo "support log ($(wc -l < "$log") lines), start, stop and the last evaluated minute:"
grep -E " (start|stop)|^$(stamp "$last")" "$log" | tr -d '\r'
if [ $status -ne 0 ]; then
  echo "claims:"
  for c in "$shared"/Cobaltine/data/Logs/Claims/*; do [ -f "$c" ] && echo "$(basename "$c"): $(tr -d '\r\n' < "$c")"; done
fi
exit $status
