#!/bin/sh
# The shipped executable is a PE32 GUI program that imports system DLLs only,
# and nothing that Windows XP lacks.
exe=$1
dump=$(i686-w64-mingw32-objdump -p "$exe") || exit 1
fail() { echo "FAIL: $*"; exit 1; }
echo "$dump" | grep -q 'file format pei-i386' || fail "not PE32"
echo "$dump" | grep -Eq '^Subsystem[[:space:]]+00000002' || fail "not a Windows GUI program"
dlls=$(echo "$dump" | sed -n 's/.*DLL Name: //p' | tr 'a-z' 'A-Z')
echo "imports: $(echo $dlls)"
for dll in $dlls; do
    case $dll in
        KERNEL32.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|SHLWAPI.DLL|PSAPI.DLL|MSVCRT.DLL) ;;
        *) fail "imports $dll" ;;
    esac
done
if echo "$dump" | grep -Eq '[[:space:]](K32[A-Za-z]+|GetTickCount64)$'; then
    fail "imports a function newer than Windows XP"
fi
echo "ok"
