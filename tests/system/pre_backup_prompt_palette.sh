#!/usr/bin/env bash
# The pre-backup prompt on a 256-colour display, as 95 and NT 4.0 often ran:
# an X display of its own at 8 bits per pixel (a palette display; the other
# lanes run at 24) and a prefix of its own, in which the prompt's tests run and
# the prompt is photographed (BMP files, for a look).
# Usage: pre_backup_prompt_palette.sh BIN_DIR WORK_DIR
#   BIN_DIR   system_prompt.exe and PromptScreenshots.exe
#   WORK_DIR  the prefix (made once, kept for later runs) and shots/
# Exits with the tests' status. Waits are bounded polls.
set -u
bin=$(cd "$1" && pwd) work=$2
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export TW_WINE_SAID=1
source "$root/scripts/wine-way.sh" || exit 2
mkdir -p "$work" && work=$(cd "$work" && pwd)
export WINEPREFIX="$work/prefix"

source "$root/scripts/tw-lib.sh"
stop_all() {
  "$WINESERVER" -k >/dev/null 2>&1
  [ -f "$work/display.pid" ] && kill "$(cat "$work/display.pid")" 2>/dev/null
}
trap stop_all EXIT
trap "exit 1" INT TERM
tw_start_xvfb "$work/display" 1024x768x8 || exit 2

# A prefix made for the other way cannot serve this one.
if [ -f "$WINEPREFIX/system.reg" ] && ! grep -qx "#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then rm -rf "$WINEPREFIX"; fi
mkdir -p "$WINEPREFIX"
tw_prepare_prefix
# 95 and NT 4.0, which ran at 256 colours, draw their controls without visual
# styles. Wine's built-in theme paints the progress bar from alpha bitmaps,
# which a palette display shows black: the lane draws as those systems do.
"$TW_WINE" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /t REG_SZ /d 0 /f \
  >/dev/null 2>&1

# Output goes to files, not through a pipe: Wine's background processes
# started by the first program of a run inherit its output and, at 8 bits per
# pixel, stay, so a reader of a pipe would wait for them without end.
"$TW_WINE" "$bin/system_prompt.exe" --gtest_color=no >"$work/system_prompt.log" 2>&1
status=$?
grep -v '^fixme:' "$work/system_prompt.log"

mkdir -p "$work/shots"
(cd "$work/shots" && "$TW_WINE" "$bin/PromptScreenshots.exe" "$("$TW_WINE" winepath -w "$work/shots" 2>/dev/null)" \
  >"$work/screenshots.log" 2>&1)
grep -v '^fixme:' "$work/screenshots.log"
echo "the prompt at 8 bits per pixel: $work/shots/prompt-*.bmp"
exit "$status"
