#!/bin/bash
# A shipped executable of one build is of that build's format (x86: PE32
# i386; x64: PE32+ x86-64), a Windows GUI program (the console lister: a
# console program), and imports exactly the functions listed in
# imports-<arch>.txt (imports-orrimel-<arch>.txt), each from a system DLL, all
# present on the build's oldest Windows (x86: XP SP3; x64: Vista x64). A new
# import fails here until it is checked against that Windows and listed.
#   check-imports.sh x86|x64 program.exe
arch=$1
exe=$2
list=$(dirname "$0")/imports-$arch.txt
subsystem=2 kind="Windows GUI"
if [ "$(basename "$exe")" = orrimel.exe ]; then
    list=$(dirname "$0")/imports-orrimel-$arch.txt
    subsystem=3 kind=console
fi
fail() { echo "FAIL: $*"; exit 1; }
case $arch in
x86) format=pei-i386 objdump=i686-w64-mingw32-objdump ;;
x64) format=pei-x86-64 objdump=x86_64-w64-mingw32-objdump ;;
*) fail "no build '$arch'" ;;
esac
dump=$($objdump -p "$exe" 2>&1) || fail "not readable as $format: $dump"
echo "$dump" | grep -q "file format $format\$" || fail "not $format"
echo "$dump" | grep -Eq "^Subsystem[[:space:]]+0000000$subsystem" || fail "not a $kind program"
# One "DLL!Function" a line, the DLL's name in capitals.
imports=$(echo "$dump" | awk '
    /^\tDLL Name: / { dll = toupper($3); next }
    /^\tvma:/ { next }
    /^\t[0-9a-f]+\t/ && dll != "" { print dll "!" $NF; next }
    /^$/ { dll = "" }' | sort -u)
[ -n "$imports" ] || fail "no imports read"
echo "imports: $(echo "$imports" | cut -d! -f1 | sort -u | tr '\n' ' ')"
# Only DLLs that Windows always takes from the system folder; any other is
# loaded by its full path there at run time, as a copy planted beside the
# program would otherwise be found first.
planted=$(echo "$imports" | cut -d! -f1 | sort -u | sed 's/\.DLL$//' |
    grep -v -x -E 'KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|SHLWAPI|MSVCRT')
[ -z "$planted" ] || fail "imports DLLs searched for beside the program first: $(echo $planted)"
unlisted=$(echo "$imports" | grep -v -x -F -f "$list")
[ -z "$unlisted" ] || fail "imports not in $(basename "$list"): $(echo $unlisted)"
stale=$(grep -v -x -F -f <(echo "$imports") "$list")
[ -z "$stale" ] || fail "listed in $(basename "$list") but not imported: $(echo $stale)"
echo "ok: $(echo "$imports" | wc -l) functions, exactly those listed"
