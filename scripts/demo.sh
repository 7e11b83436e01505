#!/usr/bin/env bash
# The demo: builds Tickwarden and runs it under Wine on Xvfb against an
# embedded sample installation (the stand-in main program, RepositoryConfig.txt
# and a ClientConfig.hdb built from demo/sample-config.txt, whose first set is
# due at once). It shows a scheduled backup end to end: the pre-backup prompt
# slides in, counts down, the stand-in main program is started with
# -BackupSet=1, and its log is printed. Screenshots land in build/demo/.
# The shipped i686 build runs under wine32; on hosts that cannot execute 32-bit
# code or cannot install wine32:i386, the x86_64 build under wine64
# (scripts/wine-way.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# First: the way this run takes and why, and the packages it needs.
source scripts/setup.sh
cmake --preset "$TW_WIN_PRESET" >/dev/null
cmake --build --preset "$TW_WIN_PRESET" -j "$(nproc)" --target Tickwarden Tickwardenaide Cobaltine winpoke hdbtool
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target hdbtool

demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo/install/data" "$demo/shots"
bin="$root/build/$TW_WIN_PRESET/bin"
cp "$bin/Tickwarden.exe" "$bin/Cobaltine.exe" "$demo/install/"
# The weeknight set last ran eight days ago at its 22:30, as if the computer had
# been off since: the scheduler tells of the runs it missed (balloon, support log).
# It wakes the computer for its next night too (a "wake" line; Wine takes the
# timer and says it cannot resume by it).
eight=$(date -d '8 days ago' '+%Y %m %d')
read -r y m d <<<"$eight"
last=$(( (((((10#$y - 1980) * 12 + 10#$m - 1) * 31 + 10#$d - 1) * 24 + 22) * 60 + 30) * 60 ))
awk -v last="$last" '/^  "2"$/ { inset = 1 } /^  "3"$/ { inset = 0 }
  inset && /"LastRunDateTime"/ { sub(/= "0"/, "= \"" last "\"") } { print }' demo/sample-config.txt > "$demo/config.txt"
build/native/bin/hdbtool build "$demo/config.txt" "$demo/install/data/ClientConfig.hdb"
printf '[Repository]\r\nPath=C:\\CobaltineDemo\\install\\data\r\n' > "$demo/install/RepositoryConfig.txt"

export WINEPREFIX="$root/build/demo-prefix"
source scripts/wine-env.sh
trap tw_stop_wine EXIT
# The sample installation appears as C:\CobaltineDemo inside the prefix.
ln -sfn "$demo" "$WINEPREFIX/drive_c/CobaltineDemo"
# Every program of the session on one virtual desktop with a taskbar, so that
# the tray icon shows and winpoke sees the same windows.
"$TW_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$TW_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
# The desktop is made when the session's first window is: start the session anew.
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINESERVER" -p
poke() { "$TW_WINE" "$bin/winpoke.exe" "$@"; }
# winpoke says 1 when a wait runs out; the demo goes on and shows what it has.
shot() { import -window root -display "$DISPLAY" "$demo/shots/$1.png"; echo "screenshot: build/demo/shots/$1.png"; }

echo "== starting Tickwarden on a Wine desktop with a taskbar"
export COBALTINE_LOG='C:\CobaltineDemo\Cobaltine.log'
"$TW_WINE" 'C:\CobaltineDemo\install\Tickwarden.exe' >/dev/null 2>&1 &
poke wait CobaltineSchedulerClass 60
echo "scheduler window is up; the first tick comes within 10 s"
# Rest the pointer on the icon so that its tooltip shows.
xdotool mousemove 1010 755 >/dev/null 2>&1; sleep 0.2; xdotool mousemove 1012 757 >/dev/null 2>&1
sleep 2
shot tray
if poke wait '#32770' 40; then
  echo "the pre-backup prompt slides in and counts down twenty seconds"
  sleep 0.1
  shot prompt-sliding
  sleep 6
  shot prompt-countdown
  poke gone '#32770' 40 || true
fi
for _ in $(seq 1 150); do [ -s "$demo/Cobaltine.log" ] && break; sleep 0.2; done
poke wait Cobaltine 20 || true
shot launched
echo "== stand-in main program log"
cat "$demo/Cobaltine.log" 2>/dev/null || echo "(no log: the stand-in was not started)"
echo "== stopping"
poke post CobaltineSchedulerClass SchedulerExit || true
poke gone CobaltineSchedulerClass 20 && echo "Tickwarden exited"
poke post Cobaltine WM_CLOSE || true
echo "== Tickwarden's support log (data\\Logs\\Tickwarden.log)"
cat "$demo/install/data/Logs/Tickwarden.log" 2>/dev/null || echo "(no support log)"
