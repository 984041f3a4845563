#!/bin/sh
# Fails when the executable's import table names a library that Windows could take from the program's
# folder: only known DLLs of every supported Windows version may be imported directly. Everything else is
# loaded from the system folder at run time, comctl32 through the manifest's side-by-side binding
# (platform/SystemLibrary.h).
# Usage: chainer_imports.sh OBJDUMP EXECUTABLE
objdump=$1 executable=$2
allowed=" advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll shlwapi.dll user32.dll "
names=$("$objdump" -p "$executable" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
if [ -z "$names" ]; then
    echo "no import table read from $executable" >&2
    exit 1
fi
status=0
for name in $names; do
    case "$allowed" in
    *" $name "*) ;;
    *)
        echo "$executable imports $name directly: load it with LoadSystemLibrary or delay-import it" >&2
        status=1
        ;;
    esac
done
exit $status
