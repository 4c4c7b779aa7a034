#!/bin/sh
# Checks that the DLL is named 7-ZIP32.DLL and exports exactly the entry points
# of the archiver interface, by their plain names (no _name@16 decoration).
set -eu
objdump=$1 dll=$2
[ "$(basename "$dll")" = 7-ZIP32.DLL ] || { echo "file name is $(basename "$dll")"; exit 1; }
dump=$("$objdump" -p "$dll")
name=$(printf '%s\n' "$dump" | sed -n 's/^Name[[:space:]]*[0-9a-fA-F]* \(.*\)$/\1/p' | head -1)
[ "$name" = 7-ZIP32.DLL ] || { echo "export directory names '$name'"; exit 1; }
got=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
want=$(printf '%s\n' SevenZip SevenZipGetSubVersion SevenZipGetVersion SevenZipSetUnicodeMode)
if [ "$got" != "$want" ]; then
  echo "exports differ:"; echo "--- got"; echo "$got"; echo "--- want"; echo "$want"; exit 1
fi
echo "exports ok: $(echo $got)"
