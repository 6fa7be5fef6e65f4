#!/bin/bash
# Unpacks Debian's source package PACKAGE (with Debian's patches applied) into DEST, using
# the package lists of the configured Debian sources (tools/install-deps --windows enables
# their deb-src entries). A mirror that lacks the newest version's files gets asked for the
# older versions it lists, newest first. Nothing is fetched from anywhere else.
set -euo pipefail
package=$1
dest=$2
work="$dest.download"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

versions=$(apt-cache showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -V -r -u)
if [ -z "$versions" ]; then
    echo "No source package $package in the package lists: run 'bash tools/install-deps --windows'." >&2
    exit 1
fi
for version in $versions; do
    if apt-get source -q "$package=$version" >log 2>&1; then
        tree=$(find . -mindepth 1 -maxdepth 1 -type d | head -n 1)
        rm -rf "$dest"
        mv "$tree" "$dest"
        cd ..
        rm -rf "$work"
        echo "$package $version"
        exit 0
    fi
    rm -rf ./*/
done
cat log >&2
echo "apt-get source $package failed for every version listed." >&2
exit 1
