#!/bin/bash
# The .deb on this machine, as a map maker meets it. Checks the package file (files owned by
# root, the program folder under /opt/tessarine the same as the tar.gz's, the launchers,
# desktop entry and icon, the Depends), installs it with dpkg -i, and runs its launchers as a
# throwaway user without root: the first start without HOME, tessarine-cli generate on
# Bastogne into the user's data folder, four first starts at once into a data folder with a
# blank in its path, a symlink to the launcher, --program-folder, the window. Then an update
# (a second version made from this one: a changed template, one file more) and a downgrade
# back, each refreshing the package's files in the user's folder and leaving the user's own
# files alone; then dpkg -r and --purge, also after root wrote into /opt/tessarine.
# Needs root and dpkg, else skipped (77). One run at a time on a machine (a lock); skipped
# when a tessarine package is installed already.
# Usage: deb_test.sh PACKAGE-DIR TESTDATA-DIR
set -euo pipefail
package_dir=$1
testdata=$2
opt=/opt/tessarine

skip() {
    echo "SKIP: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "installing a .deb needs root"
for tool in dpkg dpkg-deb useradd userdel runuser setpriv flock; do
    command -v "$tool" >/dev/null || skip "$tool is missing"
done

failed=0
ok() { echo "ok - $*"; }
fail() {
    echo "FAIL - $*"
    failed=1
}
# check DESCRIPTION COMMAND...: ok when the command succeeds.
check() {
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

if [ ! -d "$package_dir" ]; then
    echo "SKIP: $package_dir is missing: packages_build made no packages"
    exit 77
fi
debs=("$package_dir"/tessarine_*.deb)
tgzs=("$package_dir"/Tessarine-*-linux-*.tar.gz)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ] || [ ! -f "${tgzs[0]}" ]; then
    echo "FAIL - not exactly one .deb and a tar.gz in $package_dir"
    exit 1
fi
deb=${debs[0]}
tgz=${tgzs[0]}

# The package and /opt/tessarine belong to the machine: one package test at a time.
lock_dir=/run/lock
[ -d "$lock_dir" ] || lock_dir=/tmp
exec 9>"$lock_dir/tessarine-deb-test.lock"
flock -w 1800 9 || {
    echo "FAIL - another package test held $lock_dir/tessarine-deb-test.lock for 30 minutes"
    exit 1
}
status=$(dpkg-query -W -f='${db:Status-Status}' tessarine 2>/dev/null || true)
case "$status" in
"" | not-installed | config-files) ;;
*) skip "a tessarine package is installed on this machine ($status); the test would replace it" ;;
esac

user=tessdeb$$
work=$(mktemp -d)
touched_package=0
# shellcheck disable=SC2317 # called by the EXIT trap
cleanup() {
    if [ "$touched_package" -eq 1 ]; then dpkg --purge tessarine >/dev/null 2>&1 || true; fi
    if id "$user" >/dev/null 2>&1; then userdel -r "$user" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# dpkg ARGUMENTS...: waits while another dpkg or apt holds dpkg's lock.
dpkg_run() {
    local out
    for _ in $(seq 120); do
        if out=$(dpkg "$@" 2>&1); then
            printf '%s\n' "$out"
            return 0
        fi
        grep -Eq 'locked by another process|unable to (lock|acquire)' <<<"$out" || break
        sleep 5
    done
    printf '%s\n' "$out"
    return 1
}

listing_of() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort); }
# shellcheck disable=SC2317 # called through check
empty_folder() { [ -d "$1" ] && [ -z "$(ls -A "$1")" ]; }

# --- The package file -------------------------------------------------------------------
contents=$(dpkg-deb --fsys-tarfile "$deb" | tar --numeric-owner -tvf -)
foreign=$(awk '$2 != "0/0"' <<<"$contents")
if [ -z "$foreign" ]; then ok "every file of the .deb is owned by root"; else fail "not owned by root: $foreign"; fi
names=$(dpkg-deb --fsys-tarfile "$deb" | tar -tf - | sed 's|^\./||; s|/$||' | grep -v '^$' | LC_ALL=C sort)
top=$(basename "$tgz" .tar.gz)
program_folder=$(tar -tzf "$tgz" | sed -n "s|^$top/||p" | sed 's|/$||' | grep -v '^$' | LC_ALL=C sort)
in_opt=$(sed -n 's|^opt/tessarine/||p' <<<"$names")
if [ "$in_opt" = "$program_folder" ]; then
    ok "$opt holds the program folder of the tar.gz"
else
    fail "$opt and the tar.gz differ:"$'\n'"$(diff <(echo "$program_folder") <(echo "$in_opt") || true)"
fi
system_files=$(dpkg-deb --fsys-tarfile "$deb" | tar -tf - | grep -v '/$' | sed 's|^\./||' |
    grep -v '^opt/tessarine/' | LC_ALL=C sort)
expected_system_files=$(printf '%s\n' usr/bin/tessarine usr/bin/tessarine-cli \
    usr/share/applications/tessarine.desktop usr/share/icons/hicolor/32x32/apps/tessarine.png \
    usr/share/doc/tessarine/copyright | LC_ALL=C sort)
if [ "$system_files" = "$expected_system_files" ]; then
    ok "outside $opt: the launchers, the desktop entry, the icon, the licence"
else
    fail "outside $opt:"$'\n'"$(diff <(echo "$expected_system_files") <(echo "$system_files") || true)"
fi
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{print $1}')
for needed in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins liblzo2-2 libsquish0 \
    libpng16-16 libstdc++6 libc6; do
    check "Depends names $needed" grep -qxF "$needed" <<<"$depends"
done
if command -v desktop-file-validate >/dev/null; then
    dpkg-deb -x "$deb" "$work/contents"
    check "the desktop entry is valid" desktop-file-validate \
        "$work/contents/usr/share/applications/tessarine.desktop"
fi

# --- Installing -------------------------------------------------------------------------
touched_package=1
if ! dpkg_run -i "$deb"; then
    echo "# dpkg -i left dependencies open: apt-get install -f"
    DEBIAN_FRONTEND=noninteractive apt-get install -f -y -o DPkg::Lock::Timeout=600
fi
check "dpkg -i installs the package" \
    test "$(dpkg-query -W -f='${db:Status-Status}' tessarine)" = installed
check "tessarine and tessarine-cli are on the PATH" \
    test "$(command -v tessarine) $(command -v tessarine-cli)" = "/usr/bin/tessarine /usr/bin/tessarine-cli"
for program in tessarine tessarine-cli rfaPack rfaunpack; do
    check "$opt/$program finds its libraries" bash -c "! ldd '$opt/$program' | grep -q 'not found'"
done
opt_before=$(find "$opt" -printf '%P %s %T@\n' | LC_ALL=C sort)

# --- A user without root ----------------------------------------------------------------
useradd -m -s /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
data=$home/.local/share/tessarine
# as_user COMMAND...: runs the command as the user, in the home folder, with a plain environment.
as_user() {
    runuser -u "$user" -- env -i -C "$home" HOME="$home" USER="$user" LANG=C.UTF-8 \
        PATH=/usr/local/bin:/usr/bin:/bin TESS_NO_TERMINAL=1 "$@"
}
bastogne=$testdata/levels/Bastogne

# The user's copy: every folder and file of the installed program folder, the files with the
# same bytes, and everything owned by the user. Prints what is wrong.
copy_faults() {
    local folder=$1 name
    while IFS= read -r name; do
        if [ -d "$opt/$name" ]; then
            [ -d "$folder/$name" ] || echo "$name/ missing"
        else
            cmp -s "$opt/$name" "$folder/$name" || echo "$name differs"
        fi
    done < <(listing_of "$opt")
    find "$folder" ! -user "$user" -printf '%P not owned by the user\n'
}
check_copy() {
    local what=$1 folder=$2 faults
    faults=$(copy_faults "$folder")
    if [ -z "$faults" ]; then ok "$what"; else fail "$what: $faults"; fi
}
# The user's files in the data folder (all but those of the package installed last and the
# launcher's stamp) and their checksums.
installed_names=$(listing_of "$opt")
user_files() {
    (cd "$data" && find . -type f ! -name .tessarine-package -printf '%P\n' | LC_ALL=C sort |
        { grep -vxFf <(echo "$installed_names") || true; } | tr '\n' '\0' | xargs -0 -r md5sum)
}

# The first start without HOME: the home folder comes from the user database.
out=$(runuser -u "$user" -- env -i -C "$home" PATH=/usr/bin:/bin TESS_NO_TERMINAL=1 \
    tessarine-cli inspect "$bastogne" 2>&1) || fail "tessarine-cli inspect without HOME: $out"
check "without HOME the first start copies the program folder to ~/.local/share/tessarine" \
    test -f "$data/tessarine-cli"
check_copy "the copy is complete and the user's" "$data"
# A user unknown to the user database, without HOME: no data folder, a clear message.
stranger=54321
while getent passwd "$stranger" >/dev/null; do stranger=$((stranger + 1)); done
out=$(setpriv --reuid="$stranger" --regid="$stranger" --clear-groups env -i -C / PATH=/usr/bin:/bin \
    tessarine-cli inspect "$bastogne" 2>&1) && fail "a start without any data folder ran"
check "without HOME and XDG_DATA_HOME of an unknown user the launcher says why it stops" \
    grep -q "Kein Datenordner" <<<"$out"

out=$(as_user tessarine-cli generate "$bastogne" 2>&1) || fail "tessarine-cli generate: $out"
check "tessarine-cli generate writes the addon into the user's data folder" \
    grep -qxF "addon: $data/bf1942\\levels\\Bastogne_001\\" <<<"$out"
check "the addon's path-finding script is there" \
    test -s "$data/bf1942/levels/Bastogne_001/AIPathFinding.con"

# Four first starts at once, into a data folder with a blank in its path: each runs, and one
# complete folder results, with no copy left over beside it or inside it.
spaced="$home/Meine Daten"
pids=()
for i in 1 2 3 4; do
    as_user env XDG_DATA_HOME="$spaced" tessarine-cli inspect "$bastogne" >"$work/start$i" 2>&1 &
    pids+=($!)
done
all_ran=1
for pid in "${pids[@]}"; do wait "$pid" || all_ran=0; done
check "four first starts at once all run" test $all_ran -eq 1
check "they leave one folder and nothing beside it" \
    test "$(ls -A "$spaced")" = tessarine
check "and that folder is exactly the program folder" \
    test "$(listing_of "$spaced/tessarine")" = "$(printf '%s\n' "$(listing_of "$opt")" .tessarine-package | LC_ALL=C sort)"
check_copy "with the installed files" "$spaced/tessarine"

as_user mkdir "$home/bin"
as_user ln -s /usr/bin/tessarine-cli "$home/bin/bots"
out=$(as_user "$home/bin/bots" inspect "$bastogne" 2>&1) || true
check "a symlink to the launcher runs tessarine-cli" grep -qx "mapName: Bastogne" <<<"$out"

own="$home/Eigener Ordner"
as_user cp -R "$opt" "$own"
out=$(as_user env XDG_DATA_HOME="$home/leer" tessarine-cli generate "$bastogne" \
    --program-folder "$own" 2>&1) || fail "tessarine-cli generate --program-folder: $out"
check "--program-folder still decides where the addon goes" \
    test -s "$own/bf1942/levels/Bastogne_001/AIPathFinding.con"
check "and nothing goes into the data folder then" empty_folder "$home/leer/tessarine/bf1942/levels"

rc=0
as_user env QT_QPA_PLATFORM=offscreen timeout 5 tessarine >"$work/window" 2>&1 || rc=$?
if [ $rc -eq 124 ]; then ok "the window starts and runs"; else fail "the window ended with $rc: $(cat "$work/window")"; fi
check "nothing was written into $opt" \
    test "$(find "$opt" -printf '%P %s %T@\n' | LC_ALL=C sort)" = "$opt_before"

# The user's own files beside the addon: the game folder, the packing state, saved areas,
# the network folder, a batch and its log.
# shellcheck disable=SC2016 # expanded by the user's shell
as_user bash -c 'cd "$1" && mkdir -p temp/areas Network/bf1942/levels/Bastogne &&
    printf "C:\\\\Spiele\\\\Battlefield 1942\\r\\n" >memory.bf &&
    printf "Bastogne\\r\\n" >temp/pathf.bf && printf "{}\n" >temp/areas/Bastogne.json &&
    printf "rem\\r\\n" >Network/bf1942/levels/Bastogne/init.con &&
    printf "rem\\r\\n" >pack.bat && printf "gepackt\\n" >pack.log' _ "$data"
sums_before=$(user_files)

# --- An update: a second version, made from this one -----------------------------------
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -R "$deb" "$work/update"
sed -i "s/^Version: .*/Version: $version+update/" "$work/update/DEBIAN/control"
printf 'rem changed by the update\n' >>"$work/update$opt/temp/con files/conditions.con"
printf 'new in the update\n' >"$work/update$opt/UPDATE.txt"
(cd "$work/update" && find opt usr -type f -exec md5sum {} + >DEBIAN/md5sums)
dpkg-deb --root-owner-group -b "$work/update" "$work/tessarine-update.deb" >/dev/null
dpkg_run -i "$work/tessarine-update.deb" >/dev/null || fail "dpkg -i of the update"
check "the update is installed" test "$(dpkg-query -W -f='${Version}' tessarine)" = "$version+update"
installed_names=$(listing_of "$opt")

as_user tessarine-cli inspect "$bastogne" >/dev/null
check_copy "after the update the next start refreshes the package's files" "$data"
check "the user's files stay as they were" test "$(user_files)" = "$sums_before"
out=$(as_user tessarine-cli generate "$bastogne" 2>&1) || fail "generate after the update: $out"
sums_before=$(user_files)

# Back to the first version: the file it does not bring goes, the template is its own again.
dpkg_run -i "$deb" >/dev/null || fail "dpkg -i of the first version again"
installed_names=$(listing_of "$opt")
as_user tessarine-cli inspect "$bastogne" >/dev/null
check_copy "after going back the package's files are those of the first version" "$data"
check "a file the installed version does not bring is gone" test ! -e "$data/UPDATE.txt"
check "the user's files stay as they were" test "$(user_files)" = "$sums_before"

# --- Removing ---------------------------------------------------------------------------
dpkg_run -r tessarine >/dev/null || fail "dpkg -r"
check "dpkg -r removes $opt" test ! -e "$opt"
for file in /usr/bin/tessarine /usr/bin/tessarine-cli /usr/share/applications/tessarine.desktop \
    /usr/share/icons/hicolor/32x32/apps/tessarine.png; do
    check "dpkg -r removes $file" test ! -e "$file"
done
check "the user's data folder stays" test "$(user_files)" = "$sums_before"
dpkg_run --purge tessarine >/dev/null || fail "dpkg --purge"
check "dpkg --purge leaves no trace in dpkg's database" \
    test "$(dpkg-query -W -f='${db:Status-Status}' tessarine 2>/dev/null || echo not-installed)" = not-installed

# Root starting the installed program directly writes into /opt/tessarine: dpkg -r keeps
# those files, --purge removes them.
dpkg_run -i "$deb" >/dev/null || fail "dpkg -i once more"
(cd "$work" && TESS_NO_TERMINAL=1 "$opt/tessarine-cli" generate "$bastogne" >/dev/null)
dpkg_run -r tessarine >/dev/null || fail "dpkg -r with files written into $opt"
check "dpkg -r keeps what root wrote into $opt" test -d "$opt/bf1942/levels/Bastogne_001"
dpkg_run --purge tessarine >/dev/null || fail "dpkg --purge with files written into $opt"
check "dpkg --purge removes $opt" test ! -e "$opt"
touched_package=0

exit $failed
