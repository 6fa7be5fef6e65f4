#!/bin/bash
# Makes the Windows zip of the program folder (cpack -G ZIP, into BUILD-DIR/package/) and
# checks it: the programs, the window's German texts and font, the behaviour templates, the
# folders the system expects and the licence; that the programs need no DLL but Windows'
# own, and that the window is a window program (no console of its own). Then the window is started under Wine
# from the unzipped folder (a folder whose path holds a blank and an umlaut) on a virtual
# display: its main window and its splash come up, and the map icon opens Qt's file dialog
# in German; a picture of the screen is left in BUILD-DIR/package/wine-window.png.
# Usage: package.sh BUILD-DIR OBJDUMP [WINE WINESERVER WINEPREFIX]
set -uo pipefail
build=$1
objdump=$2
wine=${3:-}
wineserver=${4:-}
prefix=${5:-}
cd "$build" || exit 1
cpack -G ZIP >cpack.log 2>&1 || { cat cpack.log; exit 1; }
zip=$(ls package/Tessarine-*-windows-x64.zip)
listing=$(cmake -E tar tf "$zip")
top=$(basename "$zip" .zip)
failed=0
ok() { echo "ok - $1"; }
fail() {
    echo "FAIL - $1"
    failed=1
}

for entry in tessarine.exe tessarine-cli.exe rfaPack.exe rfaunpack.exe LICENSE \
    translations/qtbase_de.qm fonts/LiberationSansNarrow-Regular.ttf \
    fonts/LiberationSansNarrow-Bold.ttf fonts/LICENCE-Liberation.txt \
    "temp/con files/conditions.con" "temp/con files/strategies.con" \
    "temp/con files/prerequisites.con" Network/ bf1942/levels/; do
    if grep -qxF "$top/$entry" <<<"$listing"; then ok "$entry"; else fail "$entry missing in $zip"; fi
done

# Windows' own DLLs: what every Windows 10 has in its system folder.
own='KERNEL32|MSVCRT|USER32|GDI32|SHELL32|ADVAPI32|OLE32|OLEAUT32|COMDLG32|IMM32|WINMM|'
own+='UXTHEME|DWMAPI|VERSION|SHLWAPI|SETUPAPI|WTSAPI32|USERENV|NETAPI32|WS2_32|MPR|DWRITE|'
own+='D3D9|D3D11|DXGI|D3DCOMPILER_47|AUTHZ|CRYPT32|RPCRT4|NTDLL|UIAUTOMATIONCORE|SHCORE|'
own+='API-MS-WIN-CORE-[A-Z0-9-]*' # the API sets of Windows 8 and later
unzipped=$(mktemp -d)
trap 'rm -rf "$unzipped"' EXIT
(cd "$unzipped" && cmake -E tar xf "$build/$zip") || fail "the zip cannot be unpacked"
for program in tessarine.exe tessarine-cli.exe rfaPack.exe rfaunpack.exe; do
    headers=$("$objdump" -p "$unzipped/$top/$program")
    dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sed 's/\.DLL$//' | sort -u)
    foreign=$(grep -vxE "$own" <<<"$dlls")
    if [ -n "$foreign" ]; then
        fail "$program needs $(echo $foreign)"
    else
        ok "$program needs Windows' own DLLs only: $(echo $dlls)"
    fi
    subsystem=$(sed -n 's/^Subsystem\s*[0-9a-f]*\s*//p' <<<"$headers")
    want="(Windows CUI)"
    [ "$program" = tessarine.exe ] && want="(Windows GUI)"
    if [ "$subsystem" = "$want" ]; then ok "$program: $subsystem"; else fail "$program: $subsystem"; fi
done

# The window from the unzipped folder, under Wine on a virtual display.
if [ -z "$wine" ] || ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
    echo "skipped: the window's start under Wine (Wine, xvfb-run or xdotool missing)"
    exit $failed
fi
folder="$unzipped/Meine Programme/Tessarine für BF1942"
mkdir -p "$(dirname "$folder")" && mv "$unzipped/$top" "$folder"
run=$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-run.sh
# A Wine prefix of its own: the wineserver of the tests' prefix may still be running, with a
# desktop that has no display, and a window started there would never reach this one.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -s "$run" "$prefix-display" "$wine" "$wineserver" "$folder" \
    "$build/package" <<'EOF'
run=$1
folder=$5
pictures=$6
failed=0
# The first window named NAME, asked again every half second for up to SECONDS. One search
# walks the window tree while Wine makes and destroys its start-up windows: a window gone
# between listing and asking ends that search with an X error, and the next search goes on.
find_window() { # NAME SECONDS
    local deadline=$((SECONDS + $2)) found
    while [ $SECONDS -lt $deadline ]; do
        found=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
        [ -n "$found" ] && echo "$found" && return 0
        sleep 0.5
    done
    return 1
}
cd "$folder" && bash "$run" "$2" "$3" "$4" tessarine.exe >/dev/null 2>&1 &
window=$(find_window '^Tessarine by ferro_lumen$' 120)
splash=$(find_window '^Welcome$' 20)
if [ -n "$window" ]; then echo "ok - the main window is up"; else echo "FAIL - no main window"; failed=1; fi
if [ -n "$splash" ]; then echo "ok - the splash is up"; else echo "FAIL - no splash"; failed=1; fi
if [ -n "$window" ] && [ -n "$splash" ]; then
    # The splash is clicked away, then the map icon (tab 1, group "Deine Map"; the place is
    # counted from the window's frame, whose caption Wine draws).
    sleep 1
    xdotool mousemove --window "$splash" 100 100 click 1
    sleep 1
    xdotool mousemove --window "$window" 47 124 click 1
    dialog=$(find_window '^Öffnen$' 30)
    if [ -n "$dialog" ]; then
        echo "ok - the map icon opens the file dialog \"Öffnen\""
    else
        echo "FAIL - no German file dialog after a click on the map icon"
        failed=1
    fi
    sleep 1
    import -window root "$pictures/wine-window.png" 2>/dev/null
fi
kill %1 2>/dev/null
wait
exit $failed
EOF
[ $? -eq 0 ] || failed=1
exit $failed
