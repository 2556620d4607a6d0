#!/bin/sh
# The Windows plug-in links as a drafting host's plug-in does: drwlink2.dll
# exports acrxEntryPoint, acrxGetApiVersion and _SetacrxPtp and nothing else,
# and imports the host functions from drafthost.exe, everything else from
# system DLLs only.
#   dll_links.sh OBJDUMP DLL
objdump=$1 dll=$2
dump=$("$objdump" -p "$dll") || { echo "dll_links.sh: cannot read $dll"; exit 1; }
exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed 1d |
  sed -n 's/^.*\] //p' | sort | tr '\n' ' ')
imports=$(printf '%s\n' "$dump" | sed -n 's/^.*DLL Name: //p' | sort | tr '\n' ' ')
echo "exports: $exports"
echo "imports: $imports"
[ "$exports" = "_SetacrxPtp acrxEntryPoint acrxGetApiVersion " ] || { echo "unexpected exports"; exit 1; }
case " $imports " in *" drafthost.exe "*) ;; *) echo "no imports from drafthost.exe"; exit 1 ;; esac
for name in $imports; do
  case "$name" in
    drafthost.exe | ADVAPI32.dll | KERNEL32.dll | MPR.dll | msvcrt.dll) ;;
    *) echo "unexpected import from $name"; exit 1 ;;
  esac
done
echo "dll_links.sh: as a host's plug-in"
