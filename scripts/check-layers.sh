#!/usr/bin/env bash
# Checks the layering of the product's sources (src/ and tools/hdbtool), with
# grep over their #include lines; exits non-zero and names every fault.
#
# 1. No file includes a room above its own. The rooms, lowest first:
#      platform  what the programs ask of the system: path rules stepped by
#                character, bounded texts, the Windows family, sleep, handle
#                holders, the file interface with its Win32, POSIX and
#                in-memory files, the locks
#      common    what two programs compile in; packed time
#      database  the engine
#      settings, schedule
#      the programs: scheduler (with scheduler/ui), assistant, uninstall, which
#      include nothing of each other
#    tools/hdbtool uses only platform, common, database, settings and schedule.
# 2. settings, schedule and database never include windows.h; platform, which
#    builds natively too, only in its *_win32.cpp files or behind a test of
#    _WIN32.
# 3. No circle of includes between files: a .cpp (or its *_win32.cpp and
#    *_posix.cpp) and its own .h count as one node, so a circle means two
#    concepts that each need the other.
#
# Usage: scripts/check-layers.sh [source root]   (default: this checkout)
set -u
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root" || exit 2

rank() {
  case "$1" in
    platform) echo 0 ;;
    common) echo 1 ;;
    database) echo 2 ;;
    settings) echo 3 ;;
    schedule) echo 4 ;;
    scheduler | assistant | uninstall | hdbtool) echo 5 ;;
    *) echo -1 ;;
  esac
}

# The room of a file: its folder under src/ (scheduler/ui counts as
# scheduler), or hdbtool.
room_of() {
  case "$1" in
    tools/hdbtool/*) echo hdbtool ;;
    src/*) local rest="${1#src/}"; echo "${rest%%/*}" ;;
    *) echo "" ;;
  esac
}

# A file without its extension and platform suffix: a .cpp (also a
# *_win32.cpp or *_posix.cpp) and its .h are one node.
node_of() {
  local n="${1%.*}"
  n="${n%_win32}"
  echo "${n%_posix}"
}

faults=0
fault() {
  echo "check-layers: $*" >&2
  faults=$((faults + 1))
}

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

files=$(find src tools/hdbtool -type f \( -name '*.h' -o -name '*.cpp' \) | sort)
for file in $files; do
  own=$(room_of "$file")
  own_rank=$(rank "$own")
  dir=$(dirname "$file")
  portable=0
  case "$own" in
    settings | schedule | database) portable=1 ;;
    # platform builds natively too: windows.h only in its Win32 files or
    # behind a test of _WIN32.
    platform) [[ "$file" == *_win32.cpp ]] || grep -q '^#if.*_WIN32' "$file" || portable=1 ;;
  esac
  while IFS= read -r line; do
    number="${line%%:*}"
    text="${line#*:}"
    if [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\<\"]([Ww]indows\.h)[\>\"] ]]; then
      [ "$portable" = 1 ] && fault "$file:$number: a portable file includes windows.h"
      continue
    fi
    [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
    name="${BASH_REMATCH[1]}"
    # Names are given from src/, or from the includer's own folder.
    if [ -f "src/$name" ]; then target="src/$name"
    elif [ -f "$dir/$name" ]; then target="$dir/$name"
    else continue
    fi
    target=$(realpath --relative-to=. "$target")
    theirs=$(room_of "$target")
    if [ "$theirs" != "$own" ]; then
      their_rank=$(rank "$theirs")
      if [ "$own" = hdbtool ] && [ "$their_rank" -ge 5 ]; then
        fault "$file:$number: hdbtool includes $target of $theirs"
      elif [ "$their_rank" -gt "$own_rank" ]; then
        fault "$file:$number: $own includes $target of $theirs, a room above it"
      elif [ "$their_rank" -eq "$own_rank" ]; then
        fault "$file:$number: $own includes $target of the program $theirs"
      fi
    fi
    from=$(node_of "$file")
    to=$(node_of "$target")
    [ "$from" != "$to" ] && echo "$from $to" >> "$edges"
  done < <(grep -n '#[[:space:]]*include' "$file")
done

# tsort names the files of every circle it has to break, one circle after
# each "input contains a loop"; they are printed one circle a line.
loops=$(sort -u "$edges" | tsort 2>&1 >/dev/null |
  awk '/input contains a loop/ { if (c) print c; c = ""; next }
       { sub(/^tsort: /, ""); c = c ? c ", " $0 : $0 }
       END { if (c) print c }')
if [ -n "$loops" ]; then
  fault "circles of includes between files:"
  echo "$loops" | sed 's/^/  /' >&2
fi

if [ "$faults" -gt 0 ]; then
  echo "check-layers: $faults fault(s)" >&2
  exit 1
fi
echo "check-layers: $(echo "$files" | wc -l) files, rooms and includes in order, no circles"
