#!/usr/bin/env bash
# Checks shipped programs: only system DLLs in the import list, size within
# budget. Arguments: NAME=PATH=BUDGET_BYTES ...
set -u
allowed='^(KERNEL32|USER32|GDI32|SHELL32|ADVAPI32|COMCTL32|OLE32|msvcrt|COMDLG32|VERSION|SHLWAPI)\.(dll|DLL)$'
# The x86_64 binutils read PE files of both kinds.
objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null || objdump=objdump
status=0
for arg in "$@"; do
  name=${arg%%=*}; rest=${arg#*=}; path=${rest%=*}; budget=${rest##*=}
  if [ ! -f "$path" ]; then echo "FAIL $name: $path missing"; status=1; continue; fi
  size=$(stat -c %s "$path")
  dlls=$("$objdump" -p "$path" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  bad=""
  for d in $dlls; do echo "$d" | grep -Eiq "$allowed" || bad="$bad $d"; done
  if [ -n "$bad" ]; then echo "FAIL $name imports non-system DLLs:$bad"; status=1; fi
  if [ "$size" -gt "$budget" ]; then echo "FAIL $name is $size bytes, budget $budget"; status=1; fi
  echo "$name: $size bytes (budget $budget); imports: $dlls"
done
exit $status
