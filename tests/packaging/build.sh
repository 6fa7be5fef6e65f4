#!/bin/bash
# Builds the Linux packages for the package tests: the preset "package" (release, the programs
# alone) in build/package/, then cpack into build/package/package/ (the tar.gz and the .deb).
# Skipped (77) where the .deb cannot be made: cpack needs dpkg-shlibdeps and file for its
# dependencies (bash tools/install-deps installs both).
# Usage: build.sh SOURCE-DIR
set -euo pipefail
cd "$1"
# The tests after this one take a missing package folder for a skipped build.
rm -rf build/package/package
for tool in dpkg-shlibdeps file; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (bash tools/install-deps installs it)"
        exit 77
    fi
done
start=$SECONDS
cmake --preset package
cmake --build --preset package -j "$(nproc)"
cpack --preset package
echo "packages built in $((SECONDS - start)) s"
