#!/bin/sh
# Checks that each executable is a Windows program of the expected type (pei-i386 for i686, pei-x86-64 for
# x86_64) and imports only DLLs every Windows has, i.e. that the C++ runtime, libgcc and winpthread are
# linked in statically.   check-imports.sh OBJDUMP FORMAT EXE...
set -u
objdump=$1
format=$2
shift 2
allowed='^(KERNEL32|USER32|GDI32|SHELL32|COMCTL32|OLE32|MSVCRT|ADVAPI32|API-MS-WIN-CRT-[A-Z0-9-]+)\.DLL$'
status=0
for exe in "$@"; do
  got=$("$objdump" -f "$exe" | sed -n 's/.*file format //p')
  if [ "$got" != "$format" ]; then
    echo "$exe: file format '$got', expected '$format'" >&2
    status=1
    continue
  fi
  dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:lower:]' '[:upper:]' | sort -u)
  if [ -z "$dlls" ]; then
    echo "$exe: no import table found" >&2
    status=1
    continue
  fi
  echo "$exe ($format) imports:" $dlls
  for dll in $dlls; do
    if ! echo "$dll" | grep -Eq "$allowed"; then
      echo "$exe: imports $dll, which is not a system DLL" >&2
      status=1
    fi
  done
done
exit $status
