#!/bin/sh
# Checks that each executable imports only DLLs every Windows has, i.e. that the C++ runtime, libgcc and
# winpthread are linked in statically.   check-imports.sh OBJDUMP EXE...
set -u
objdump=$1
shift
allowed='^(KERNEL32|USER32|GDI32|SHELL32|COMCTL32|OLE32|MSVCRT|ADVAPI32|API-MS-WIN-CRT-[A-Z0-9-]+)\.DLL$'
status=0
for exe in "$@"; do
  dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:lower:]' '[:upper:]' | sort -u)
  if [ -z "$dlls" ]; then
    echo "$exe: no import table found" >&2
    status=1
    continue
  fi
  echo "$exe imports:" $dlls
  for dll in $dlls; do
    if ! echo "$dll" | grep -Eq "$allowed"; then
      echo "$exe: imports $dll, which is not a system DLL" >&2
      status=1
    fi
  done
done
exit $status
