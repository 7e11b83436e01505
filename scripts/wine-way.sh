# Sourced by setup, test, demo, wine-env and CTest's emulator: decides once per
# run which way the Windows programs are tested, says so and why in the run's
# first lines, and exports the choice and the Wine settings so that every
# script of the run follows them.
#   win32  the shipped i686 build under wine32, in a 32-bit prefix: hosts that
#          execute 32-bit x86 code and can install wine32:i386
#   win64  the same sources built for x86_64 under wine64, in a 64-bit prefix:
#          hosts whose kernel cannot execute 32-bit x86 code at all, and hosts
#          whose package lists cannot give wine32:i386 (i386 lists out of step
#          with their amd64 twins)
# The shipped programs are the i686 build either way: its compiler is needed on
# every host.
#   TW_WINE_WAY=win64 (or win32) set beforehand forces a way.
#   TW_WINE_INSTALL=1 (scripts/setup.sh) installs what is missing, the 32-bit
#     way's Wine first where the host runs 32-bit code, else the 64-bit way's;
#     it fails, naming what was missing, only when neither way can be
#     installed. Without it nothing is installed, and a host that runs 32-bit
#     code but has only wine64 takes the 64-bit way, as its set-up did.
#   TW_HOST_RUNS_32BIT=1 (or 0) stands for the probe: tests of this decision.
_tw_way_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
_tw_have() { [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]; }
_tw_wine_of() { if [ "$1" = win32 ]; then echo wine32:i386; else echo wine64; fi; }
if [ -n "${TW_WINE_WAY:-}" ]; then
  _tw_ways=("$TW_WINE_WAY")
  _tw_why="TW_WINE_WAY=$TW_WINE_WAY set"
else
  _tw_runs32=${TW_HOST_RUNS_32BIT:-}
  if [ -z "$_tw_runs32" ]; then
    # A 96-byte 32-bit x86 ELF program that only exits with 42: the kernel
    # either runs it or refuses it ("Exec format error"), whatever is installed.
    mkdir -p "$_tw_way_root/build"
    _tw_probe="$_tw_way_root/build/.probe32"
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' > "$_tw_probe"
    chmod +x "$_tw_probe"
    _tw_rc=0
    "$_tw_probe" 2>/dev/null || _tw_rc=$?
    rm -f "$_tw_probe"
    _tw_runs32=0
    if [ "$_tw_rc" -eq 42 ]; then _tw_runs32=1; fi
    unset _tw_probe _tw_rc
  fi
  if [ "$_tw_runs32" = 1 ]; then
    _tw_ways=(win32 win64); _tw_why="this host runs 32-bit x86 code"
  else
    _tw_ways=(win64); _tw_why="this host cannot execute 32-bit x86 code"
  fi
  unset _tw_runs32
fi
case "${_tw_ways[0]}" in
  win32 | win64) ;;
  *)
    echo "TW_WINE_WAY must be win32 or win64, not '${_tw_ways[0]}'" >&2
    return 2 2>/dev/null || exit 2 ;;
esac

# What is said after the way's line: the way comes first in every run's output.
_tw_notes=()
if [ "${TW_WINE_INSTALL:-}" = 1 ]; then
  _tw_common=(cmake ninja-build clang g++ googletest libgtest-dev libbenchmark-dev libsqlite3-dev libclang-rt-14-dev
              g++-mingw-w64-i686 g++-mingw-w64-x86-64-win32 mingw-w64-tools wine
              xvfb xauth x11-apps imagemagick python3 zip xdotool gcc-multilib locales)
  _tw_apt_log="$(mktemp)"
  _tw_updated=""
  # Installs the given packages for a way; on failure leaves in _tw_missing the
  # ones apt-get cannot install (each tried alone) and in _tw_apt_said its first error.
  _tw_install() {
    local way=$1 added="" p bad=()
    shift
    export DEBIAN_FRONTEND=noninteractive
    if [ "$way" = win32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386 && added=1
    fi
    if [ -z "$_tw_updated" ]; then
      # A mirror in mid-sync serves a list out of step with its release file for
      # a while: one more try, then the lists at hand decide, not the update.
      _tw_updated=1
      if ! apt-get update -qq >"$_tw_apt_log" 2>&1; then
        sleep 3
        if ! apt-get update -qq >"$_tw_apt_log" 2>&1; then
          _tw_notes+=("setup: apt-get update failed twice; going on with the package lists at hand ($(grep -m1 -E '^(E|W):' "$_tw_apt_log" || true))")
        fi
      fi
    fi
    if apt-get install -y -qq --no-install-recommends "$@" >"$_tw_apt_log" 2>&1; then
      _tw_notes+=("setup: installed $*")
      return 0
    fi
    _tw_apt_said="$(grep -m1 '^E:' "$_tw_apt_log" || true)"
    for p in "$@"; do
      apt-get install -s -qq --no-install-recommends "$p" >/dev/null 2>&1 || bad+=("$p")
    done
    [ ${#bad[@]} -gt 0 ] || bad=("$@")
    _tw_missing="${bad[*]}"
    # A foreign architecture added for nothing would keep failing the host's
    # every update while its lists are broken.
    [ -z "$added" ] || dpkg --remove-architecture i386 >/dev/null 2>&1 || true
    return 1
  }
  _tw_chosen=""
  _tw_failures=()
  for _tw_way in "${_tw_ways[@]}"; do
    _tw_need=()
    for _tw_p in "${_tw_common[@]}" "$(_tw_wine_of "$_tw_way")"; do
      _tw_have "$_tw_p" || _tw_need+=("$_tw_p")
    done
    if [ ${#_tw_need[@]} -eq 0 ] || _tw_install "$_tw_way" "${_tw_need[@]}"; then
      _tw_chosen=$_tw_way
      break
    fi
    _tw_failures+=("the $_tw_way way misses $_tw_missing (${_tw_apt_said:-apt-get refused})")
    if [ "$_tw_way" = win32 ]; then
      _tw_why="$_tw_why, but $_tw_missing cannot be installed: ${_tw_apt_said:-apt-get refused}"
    fi
  done
  rm -f "$_tw_apt_log"
  unset -f _tw_install
  if [ -z "$_tw_chosen" ]; then
    echo "== setup failed: no way to test the Windows programs can be installed" >&2
    printf '   %s\n' "${_tw_failures[@]}" "${_tw_notes[@]}" >&2
    unset _tw_way_root _tw_why _tw_ways _tw_notes _tw_common _tw_apt_log _tw_updated _tw_chosen _tw_failures _tw_way _tw_need _tw_p _tw_note
    unset -f _tw_have _tw_wine_of
    return 1 2>/dev/null || exit 1
  fi
  _tw_ways=("$_tw_chosen")
  unset _tw_common _tw_apt_log _tw_updated _tw_chosen _tw_failures _tw_way _tw_need _tw_p _tw_missing _tw_apt_said
elif [ -z "${TW_WINE_WAY:-}" ] && [ "${_tw_ways[0]}" = win32 ] && ! _tw_have wine32:i386 && _tw_have wine64; then
  _tw_ways=(win64); _tw_why="$_tw_why, but only wine64 is installed"
fi
export TW_WINE_WAY="${_tw_ways[0]}"
case "$TW_WINE_WAY" in
  win32)
    export TW_WIN_PRESET=win32 WINEARCH=win32
    export TW_WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 ;;
  win64)
    export TW_WIN_PRESET=win64 WINEARCH=win64
    export TW_WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
esac
# The loader finds its own parts by its path: call it, never a link to it.
export WINELOADER="$TW_WINE"
# The throw-away prefix inside the build tree (never ~/.wine), quiet, without
# the .NET and HTML engines or menu entries on the host.
export WINEPREFIX="${WINEPREFIX:-$_tw_way_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
if [ -z "${TW_WINE_SAID:-}" ]; then
  if [ "$TW_WINE_WAY" = win32 ]; then
    echo "== Windows programs: i686 build under wine32 ($_tw_why)"
  else
    echo "== Windows programs: x86_64 build under wine64 in a 64-bit prefix ($_tw_why)"
  fi
  export TW_WINE_SAID=1
fi
for _tw_note in "${_tw_notes[@]}"; do echo "$_tw_note"; done
unset _tw_way_root _tw_why _tw_ways _tw_notes _tw_note
unset -f _tw_have _tw_wine_of
