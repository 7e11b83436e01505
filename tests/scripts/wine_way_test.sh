#!/usr/bin/env bash
# The set-up's choice of way, as the README's two commands (scripts/test.sh and
# scripts/demo.sh) make it, on hosts whose package tools are stand-ins on PATH:
# healthy, with broken i386 lists, with nothing to install either way. A
# stand-in cmake ends each command where the build would begin (exit 3).
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
bin="$(mktemp -d)"
export S="$bin/state"
trap 'rm -rf "$bin"' EXIT
cat > "$bin/apt-get" <<'TOOL'
#!/bin/sh
echo "apt-get $*" >> "$S/calls"
[ "$1" = update ] && { [ -e "$S/update-fails" ] || exit 0
  echo "E: Failed to fetch security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2; exit 100; }
sim=0
for p in "$@"; do case $p in
  -s) sim=1 ;;
  install | -*) ;;
  *:i386) grep -qx i386 "$S/arch" || { echo "E: Unable to locate package $p" >&2; exit 100; } ;;
esac; done
for p in "$@"; do grep -qx -- "$p" "$S/refuse" && { echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100; }; done
[ $sim = 1 ] || for p in "$@"; do case $p in install | -*) ;; *) echo "$p" >> "$S/installed" ;; esac; done
TOOL
cat > "$bin/dpkg-query" <<'TOOL'
#!/bin/sh
for p; do :; done
grep -qx -- "$p" "$S/installed" && printf 'install ok installed'
[ -e "$S/everything" ] && ! grep -qx -- "$p" "$S/absent" && printf 'install ok installed'
exit 0
TOOL
cat > "$bin/dpkg" <<'TOOL'
#!/bin/sh
case $1 in
  --print-foreign-architectures) cat "$S/arch" ;;
  --add-architecture) echo "$2" >> "$S/arch" ;;
  --remove-architecture) grep -vx "$2" "$S/arch" > "$S/arch.new"; mv "$S/arch.new" "$S/arch" ;;
esac
TOOL
printf '#!/bin/sh\nexit 3\n' > "$bin/cmake"
chmod +x "$bin"/*

failures=0
check() { # what, condition...
  local what=$1; shift
  if ! "$@"; then echo "FAILED: $case_name: $what"; echo "$out" | sed 's/^/    | /'; failures=$((failures + 1)); fi
}
# run CASE SCRIPT [VAR=value...]: the command on a fresh host state, with the
# refused packages and update failure of the case; sets out and rc.
run() {
  local script=$1; shift
  rm -rf "$S"; mkdir -p "$S"; : > "$S/installed"; : > "$S/arch"; : > "$S/calls"
  printf '%s\n' $refuse > "$S/refuse"
  [ "$update_fails" = yes ] && : > "$S/update-fails"
  local absent="${installed#all}"
  [ -z "$installed" ] || { : > "$S/everything"; printf '%s\n' ${absent# except} > "$S/absent"; }
  out="$(cd "$root" && env -u TW_WINE_WAY -u TW_WINE_SAID -u WINEPREFIX PATH="$bin:$PATH" \
         TW_HOST_RUNS_32BIT=1 "$@" bash "$script" 2>&1)"
  rc=$?
}
line1() { [[ "$(echo "$out" | head -1)" == *"$1"* ]]; }
has() { [[ "$out" == *"$1"* ]]; }
installed() { grep -qx -- "$1" "$S/installed"; }
called() { grep -q -- "$1" "$S/calls"; }
not() { ! "$@"; }
updates() { [ "$(grep -c 'apt-get update' "$S/calls")" = "$1" ]; }

# name | refused packages | update fails | installed ("all [except ...]") | forced way | exit | first line says
cases=(
  "healthy||no|||3|i686 build under wine32 (this host runs 32-bit x86 code)"
  "broken i386 lists|wine32:i386|yes|||3|x86_64 build under wine64 in a 64-bit prefix (this host runs 32-bit x86 code, but wine32:i386 cannot be installed: E: Unable to correct problems"
  "wine64 forced||no||win64|3|x86_64 build under wine64 in a 64-bit prefix (TW_WINE_WAY=win64 set)"
  "neither Wine|wine32:i386 wine64|yes|||1|== setup failed: no way to test the Windows programs can be installed"
  "no i686 compiler|g++-mingw-w64-i686|no|||1|== setup failed: no way to test the Windows programs can be installed"
)
for c in "${cases[@]}"; do
  IFS='|' read -r case_name refuse update_fails installed forced want_rc want_line <<< "$c"
  for script in scripts/test.sh scripts/demo.sh; do
    case_name="${c%%|*} ($script)"
    run "$script" ${forced:+TW_WINE_WAY=$forced}
    check "exit $rc, not $want_rc" [ "$rc" = "$want_rc" ]
    check "first line" line1 "$want_line"
    if [ "$want_rc" = 3 ]; then
      check "the i686 compiler is installed" installed g++-mingw-w64-i686
      check "the way's Wine is installed" installed "$([ -n "$forced" ] || [ -n "$refuse" ] && echo wine64 || echo wine32:i386)"
    else
      for p in $refuse; do check "names $p" has "$p"; done
    fi
    [ "$update_fails" = yes ] && check "update tried twice, then went on" updates 2 && check "says the update failed" has "apt-get update failed twice"
    [ -n "$forced" ] && check "the forced way never tries wine32" not called wine32
    [ "$refuse" = wine32:i386 ] && check "the i386 architecture it added is gone" not grep -qx i386 "$S/arch"
  done
done

# Decided once per run: setup.sh again, wine-env.sh and CTest's emulator
# (which source wine-way.sh) follow the way and ask nothing of apt-get.
case_name="once per run"; refuse="wine32:i386"; update_fails=yes; installed=""
run /dev/stdin <<< 'source scripts/setup.sh; : > "$S/calls"; source scripts/setup.sh; source scripts/wine-way.sh; echo "way $TW_WINE_WAY"'
check "one way line" [ "$(echo "$out" | grep -c '^== Windows programs')" = 1 ]
check "the way stays" has "way win64"
check "no apt-get after the decision" [ ! -s "$S/calls" ]
# Set up already: nothing is asked of apt-get. Where only wine64 is, the
# scripts that install nothing (wine-env.sh) take the 64-bit way.
case_name="set up already"; refuse=""; update_fails=no; installed="all"
run scripts/setup.sh
check "no apt-get" [ ! -s "$S/calls" ]
check "the 32-bit way" line1 "i686 build under wine32 (this host runs 32-bit x86 code)"
installed="all except wine32:i386"
run /dev/stdin <<< 'source scripts/wine-way.sh'
check "without installing, the 64-bit way" line1 "x86_64 build under wine64 in a 64-bit prefix (this host runs 32-bit x86 code, but only wine64 is installed)"
check "no apt-get" [ ! -s "$S/calls" ]
[ "$failures" = 0 ] && echo "all cases passed"
exit $((failures > 0))
