# Sourced by the scripts and the shell-driven system tests: the pieces each
# of them needs once, written once.
#   tw_poll SECONDS CMD...      runs CMD every half second until it succeeds;
#                               false when SECONDS pass first
#   tw_start_xvfb STATE_FILE GEOMETRY
#                               starts an Xvfb on a free display (it reports the
#                               number itself once it accepts connections, so
#                               that starts side by side cannot race), exports
#                               DISPLAY, writes the display to STATE_FILE and
#                               the pid to STATE_FILE.pid; says so and fails
#                               when no display comes up
#   tw_prepare_prefix [wait]    makes $WINEPREFIX once (wineboot) with user
#                               folders of its own; the server is started first
#                               and kept (wineserver -p). With wait, a new
#                               prefix is made only once its first processes
#                               have gone (wineserver -w; on a display where
#                               they stay, as at 8 bits, that never returns)

tw_poll() {
  local seconds=$1 end
  shift
  end=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge "$end" ] && return 1
    sleep 0.5
  done
}

tw_start_xvfb() {
  local state=$1 geometry=$2
  rm -f "$state.n"
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp 3>"$state.n" >/dev/null 2>&1 &
  echo $! > "$state.pid"
  if ! tw_poll 15 test -s "$state.n"; then
    echo "Xvfb did not start a display (geometry $geometry)" >&2
    kill "$(cat "$state.pid")" 2>/dev/null
    rm -f "$state.n" "$state.pid"
    return 1
  fi
  export DISPLAY=":$(tr -d '\n' < "$state.n")"
  echo "$DISPLAY" > "$state"
  rm -f "$state.n"
}

tw_prepare_prefix() {
  "$WINESERVER" -p >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$TW_WINE" wineboot -i >/dev/null 2>&1 || true
    if [ "${1:-}" = wait ]; then "$WINESERVER" -w; fi
  fi
  # Wine links the user's Desktop, Documents and the like to the host's home
  # folder, which every prefix (and the host) would then share: give the
  # prefix folders of its own, so that tests side by side never see each
  # other's files.
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
}
