#!/bin/bash
# The Linux build and the Windows build (run by Wine) side by side on Bastogne, from the
# addon to its archive, in program folders whose paths hold blanks and umlauts:
#   - `generate` writes the same addon files on both, byte for byte;
#   - `first-pack` writes pack.bat, which the system runs (Windows: tessarine-cli.exe hands it
#     to Wine's cmd.exe, which calls our rfaPack.exe beside it; Linux: our interpreter); its
#     output is kept in pack.log on both, and the archive appears in the program folder and at
#     its target, replacing an earlier addon archive there; both builds' archives are the same
#     bytes, and rfa-list shows the addon's files under bf1942/levels/Bastogne/;
#   - rfaPack.exe packs the same bytes as the Linux rfa-pack, stored and compressed;
#   - rfaunpack.exe unpacks the addon's archive to the addon's files, and on every archive
#     of tests/archive/fixtures it does what the Linux rfaunpack does: the same files, or
#     the same refusal and nothing written.
# Usage: end_to_end.sh LINUX-BUILD-DIR WINDOWS-BUILD-DIR (ctest of the windows preset runs
# it with build/asan). Exits 77 (skipped) when either build or Wine is missing.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
linux_build=$(cd "${1:?Linux build folder}" 2>/dev/null && pwd) || linux_build=""
windows_build=$(cd "${2:?Windows build folder}" 2>/dev/null && pwd) || windows_build=""
testdata="$source_dir/../shared/testdata"
map="$testdata/levels/Bastogne"

wine=${TESS_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}
wineserver=${TESS_WINESERVER:-$(dirname "$wine")/wineserver}
export WINEPREFIX=${WINEPREFIX:-$windows_build/wine-prefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TESS_NO_TERMINAL=1
for needed in "$linux_build/Tessarine/tessarine-cli" "$windows_build/Tessarine/tessarine-cli.exe" \
    "$wine" "$wineserver" "$map/Init.con"; do
    if [ ! -e "$needed" ]; then
        echo "skipped: $needed is missing"
        exit 77
    fi
done

# One wineserver for all the Windows programs below (see cmake/wine-run.sh).
mkdir -p "$WINEPREFIX"
"$wineserver" -p60 2>/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
ok() {
    echo "ok - $1"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL - $1"
    failed=$((failed + 1))
}
check() { # description, command...
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}
# A path of this machine as Windows programs under Wine see it.
winpath() {
    local p=${1//\//\\}
    printf 'Z:%s' "$p"
}
# Every file under a folder with a checksum of its bytes (empty folders do not count: an
# archive holds files only).
files_of() {
    (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum)
}
same_files() {
    diff <(files_of "$1") <(files_of "$2")
}
# Standard output of a Windows program, its CR LF line ends made LF.
win() {
    "$wine" "$@" | sed 's/\r$//'
    return "${PIPESTATUS[0]}"
}

lin_program="$work/Linux Prögramm"
win_program="$work/Windows Prögramm"
cp -r "$linux_build/Tessarine" "$lin_program"
cp -r "$windows_build/Tessarine" "$win_program"
addon=bf1942/levels/Bastogne_001

# --- The addon -----------------------------------------------------------------------------
"$lin_program/tessarine-cli" generate "$map" --program-folder "$lin_program" \
    >"$work/lin-generate.txt" 2>&1
check "generate on Linux" test $? -eq 0
win "$win_program/tessarine-cli.exe" generate "$(winpath "$map")" \
    --program-folder "$(winpath "$win_program")" >"$work/win-generate.txt" 2>&1
check "generate on Windows" test $? -eq 0
check "the same addon files and folders on both, byte for byte" \
    diff -r "$lin_program/$addon" "$win_program/$addon"
check "the same spawn-point counts on both" \
    diff <(grep -v '^addon:' "$work/lin-generate.txt") <(grep -v '^addon:' "$work/win-generate.txt")
check "the addon holds its path-finding script" test -s "$win_program/$addon/AIPathFinding.con"

# --- The first pack --------------------------------------------------------------------------
target="$work/Ziel Ördner"
mkdir -p "$target"
# An earlier addon archive of the map at the target, which the pack replaces.
mkdir -p "$work/alt"
printf 'rem alt\r\n' >"$work/alt/ai.con"
"$lin_program/tessarine-cli" rfa-pack "$work/alt" bf1942/levels/Bastogne \
    "$target/Bastogne_lin.rfa" >/dev/null
cp "$target/Bastogne_lin.rfa" "$target/Bastogne_win.rfa"
"$lin_program/tessarine-cli" first-pack "$map" "$target/Bastogne_lin" \
    --program-folder "$lin_program" --timeout 120 >"$work/lin-pack.txt" 2>&1
check "first-pack on Linux" test $? -eq 0
win "$win_program/tessarine-cli.exe" first-pack "$(winpath "$map")" \
    "$(winpath "$target/Bastogne_win")" --program-folder "$(winpath "$win_program")" \
    --timeout 120 >"$work/win-pack.txt" 2>&1
check "first-pack on Windows (tessarine-cli.exe runs pack.bat in Wine's cmd)" test $? -eq 0
cat "$work/win-pack.txt"
check "pack.bat written in the program folder" test -s "$win_program/pack.bat"
# pack.log keeps what pack.bat printed in its console window, in UTF-8: cmd.exe's echo of each
# command in its folder, and rfaPack.exe's lines, the same as in the Linux log.
sed 's/\r$//' "$win_program/pack.log" >"$work/win-pack-log.txt"
check "pack.log holds cmd.exe's echo of the pack line" grep -qF \
    'Windows Prögramm>rfaPack.exe bf1942\levels\Bastogne_001  bf1942/levels/Bastogne "Bastogne_win.rfa"' \
    "$work/win-pack-log.txt"
check "pack.log holds cmd.exe's echo of the copy line" grep -qF \
    "Windows Prögramm>copy \"$(winpath "$win_program")\\Bastogne_win.rfa\"" "$work/win-pack-log.txt"
check "pack.log holds rfaPack.exe's lines as the Linux pack.log does" \
    diff <(grep -E '^(-- RFA|  bf1942/)' "$lin_program/pack.log") \
    <(grep -E '^(-- RFA|  bf1942/)' "$work/win-pack-log.txt")
check "temp\\pathf.bf written" test -s "$win_program/temp/pathf.bf"
check "the archive in the program folder" test -s "$win_program/Bastogne_win.rfa"
check "the archive at its target, replacing the earlier one" \
    cmp -s "$win_program/Bastogne_win.rfa" "$target/Bastogne_win.rfa"
check "Linux and Windows archives are the same bytes" \
    cmp "$lin_program/Bastogne_lin.rfa" "$win_program/Bastogne_win.rfa"
(cd "$win_program/$addon" && find . -type f | sed 's|^\./|bf1942/levels/Bastogne/|' | sort) \
    >"$work/addon-files.txt"
"$lin_program/tessarine-cli" rfa-list "$target/Bastogne_win.rfa" | awk '{print $3}' | sort \
    >"$work/listed.txt"
check "rfa-list shows the addon's files under bf1942/levels/Bastogne/" \
    diff "$work/addon-files.txt" "$work/listed.txt"
win "$win_program/tessarine-cli.exe" rfa-list "$(winpath "$target/Bastogne_win.rfa")" \
    >"$work/win-listed.txt"
check "rfa-list prints the same on both" \
    diff <("$lin_program/tessarine-cli" rfa-list "$target/Bastogne_win.rfa") "$work/win-listed.txt"

# --- rfaPack.exe against the Linux rfa-pack --------------------------------------------------
for mode in store compress; do
    lin_flag=()
    win_flag=()
    if [ $mode = compress ]; then
        lin_flag=(--compress)
        win_flag=(-Compress)
    fi
    (cd "$lin_program" && ./tessarine-cli rfa-pack "$addon" bf1942/levels/Bastogne \
        "direkt $mode.rfa" "${lin_flag[@]}" >/dev/null)
    (cd "$win_program" && win ./rfaPack.exe 'bf1942\levels\Bastogne_001' bf1942/levels/Bastogne \
        "direkt $mode.rfa" "${win_flag[@]}" >"$work/rfapack-$mode.txt")
    check "rfaPack.exe ($mode) exits 0" test $? -eq 0
    check "rfaPack.exe ($mode) packs the same bytes as rfa-pack on Linux" \
        cmp "$lin_program/direkt $mode.rfa" "$win_program/direkt $mode.rfa"
done
check "rfaPack.exe prints the tool's banner and a line per file" \
    test "$(head -n 1 "$work/rfapack-store.txt")" = "-- RFA Pack 1.7 --" -a \
    "$(grep -c '^  bf1942/levels/Bastogne/' "$work/rfapack-store.txt")" -eq "$(wc -l <"$work/addon-files.txt")"

# --- rfaunpack.exe ---------------------------------------------------------------------------
mkdir -p "$work/unpacked"
cp "$target/Bastogne_win.rfa" "$work/unpacked/"
(cd "$work/unpacked" && win "$win_program/rfaunpack.exe" Bastogne_win.rfa >/dev/null)
check "rfaunpack.exe gives back the addon's files" \
    same_files "$win_program/$addon" "$work/unpacked/bf1942/levels/Bastogne"

fixtures=0
fixtures_failed=$failed
for fixture in "$source_dir"/tests/archive/fixtures/*.rfa; do
    name=$(basename "$fixture")
    fixtures=$((fixtures + 1))
    for side in lin win; do
        mkdir -p "$work/fixtures/$side/$name"
        cp "$fixture" "$work/fixtures/$side/$name/$name"
    done
    (cd "$work/fixtures/lin/$name" && "$lin_program/rfaunpack" "$name" \
        >/dev/null 2>"$work/fixtures/lin-$name.err")
    lin_status=$?
    (cd "$work/fixtures/win/$name" && "$wine" "$win_program/rfaunpack.exe" "$name" \
        >/dev/null 2>"$work/fixtures/win-$name.raw")
    win_status=$?
    sed 's/\r$//' "$work/fixtures/win-$name.raw" >"$work/fixtures/win-$name.err"
    if [ $lin_status -ne $win_status ] ||
        ! diff -q "$work/fixtures/lin-$name.err" "$work/fixtures/win-$name.err" >/dev/null ||
        ! diff -r "$work/fixtures/lin/$name" "$work/fixtures/win/$name" >/dev/null; then
        fail "rfaunpack.exe on $name as on Linux (exit $win_status, Linux $lin_status)"
        diff "$work/fixtures/lin-$name.err" "$work/fixtures/win-$name.err"
    elif [[ $name == hostile_* || $name == escape_* ]] && { [ $win_status -eq 0 ] ||
        [ "$(find "$work/fixtures/win/$name" -mindepth 1 | wc -l)" -ne 1 ]; }; then
        fail "rfaunpack.exe refuses the hostile $name without writing anything"
    else
        passed=$((passed + 1))
    fi
done
[ $failed -eq $fixtures_failed ] &&
    echo "ok - rfaunpack.exe on all $fixtures fixture archives as on Linux (each counted)"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
