#!/bin/bash
# Makes the Windows zip of the program folder (cpack -G ZIP, into BUILD-DIR/package/) and
# checks it: the three programs, the behaviour templates, the folders the system expects,
# the licence and the note on building the window; and that the programs need no DLL but
# Windows' own.
# Usage: package.sh BUILD-DIR OBJDUMP
set -uo pipefail
build=$1
objdump=$2
cd "$build" || exit 1
cpack -G ZIP >cpack.log 2>&1 || { cat cpack.log; exit 1; }
zip=$(ls package/Tessarine-*-windows-x64.zip)
listing=$(cmake -E tar tf "$zip")
top=$(basename "$zip" .zip)
failed=0
for entry in tessarine-cli.exe rfaPack.exe rfaunpack.exe LICENSE BUILD-WINDOW.txt \
    "temp/con files/conditions.con" "temp/con files/strategies.con" \
    "temp/con files/prerequisites.con" Network/ bf1942/levels/; do
    if grep -qxF "$top/$entry" <<<"$listing"; then
        echo "ok - $entry"
    else
        echo "FAIL - $entry missing in $zip"
        failed=1
    fi
done
for program in Tessarine/tessarine-cli.exe Tessarine/rfaPack.exe Tessarine/rfaunpack.exe; do
    dlls=$("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
    foreign=$(grep -vxE 'KERNEL32.DLL|MSVCRT.DLL|SHELL32.DLL|USER32.DLL|ADVAPI32.DLL' <<<"$dlls")
    if [ -n "$foreign" ]; then
        echo "FAIL - $program needs $(echo $foreign)"
        failed=1
    else
        echo "ok - $program needs Windows' own DLLs only: $(echo $dlls)"
    fi
done
exit $failed
