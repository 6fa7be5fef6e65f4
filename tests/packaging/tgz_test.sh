#!/bin/bash
# Checks the tar.gz of the program folder: it holds the program folder and nothing else (the
# four programs, the licence, the behaviour templates as in the sources, the empty folders
# Network/ and bf1942/levels/), under one top folder; and unpacked into a folder with a blank
# in its path it works as it is: its programs find their libraries, and tessarine-cli
# generate writes the addon into that folder.
# Usage: tgz_test.sh PACKAGE-DIR TESTDATA-DIR SOURCE-DIR
set -euo pipefail
package_dir=$1
testdata=$2
source=$3
failed=0
ok() { echo "ok - $*"; }
fail() {
    echo "FAIL - $*"
    failed=1
}

if [ ! -d "$package_dir" ]; then
    echo "SKIP: $package_dir is missing: packages_build made no packages"
    exit 77
fi
tgzs=("$package_dir"/Tessarine-*-linux-*.tar.gz)
if [ ${#tgzs[@]} -ne 1 ] || [ ! -f "${tgzs[0]}" ]; then
    echo "FAIL - not exactly one tar.gz in $package_dir: ${tgzs[*]}"
    exit 1
fi
tgz=${tgzs[0]}
top=$(basename "$tgz" .tar.gz)

templates=()
for template in "$source/src/resources/con files/"*.con; do
    templates+=("temp/con files/$(basename "$template")")
done
expected=$(printf '%s\n' tessarine tessarine-cli rfaPack rfaunpack LICENSE temp/ "temp/con files/" \
    "${templates[@]}" Network/ bf1942/ bf1942/levels/ | LC_ALL=C sort)
listing=$(tar -tzf "$tgz")
outside=$(grep -v "^$top/" <<<"$listing" || true)
inside=$(sed -n "s|^$top/||p" <<<"$listing" | grep -v '^$' | LC_ALL=C sort)
if [ -z "$outside" ]; then ok "everything lies under $top/"; else fail "outside $top/: $outside"; fi
if [ "$inside" = "$expected" ]; then
    ok "the program folder, complete and nothing else"
else
    fail "the program folder differs:"$'\n'"$(diff <(echo "$expected") <(echo "$inside") || true)"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unpacked="$work/Mein Ordner"
mkdir "$unpacked"
tar -xzf "$tgz" -C "$unpacked"
folder="$unpacked/$top"
for program in tessarine tessarine-cli rfaPack rfaunpack; do
    if [ ! -x "$folder/$program" ]; then
        fail "$program is not executable"
    elif ldd "$folder/$program" | grep -q 'not found'; then
        fail "$program misses libraries: $(ldd "$folder/$program" | grep 'not found' | tr -s ' \t' ' ')"
    else
        ok "$program runs here"
    fi
done
for template in "${templates[@]}"; do
    if cmp -s "$folder/$template" "$source/src/resources/con files/${template##*/}"; then
        ok "$template as in the sources"
    else
        fail "$template differs from the sources"
    fi
done

if out=$(cd "$work" && TESS_NO_TERMINAL=1 "$folder/tessarine-cli" generate "$testdata/levels/Bastogne" 2>&1) &&
    grep -qxF "addon: $folder/bf1942\\levels\\Bastogne_001\\" <<<"$out" &&
    [ -s "$folder/bf1942/levels/Bastogne_001/AIPathFinding.con" ]; then
    ok "tessarine-cli generate writes the addon into the unpacked folder"
else
    fail "tessarine-cli generate in the unpacked folder: $out"
fi
exit $failed
