#!/usr/bin/env bash
# Builds the pathmap reader's fuzzer in the fuzz build folder and runs it for SECONDS
# (default 30). The corpus is seeded with the made-up files of corpus/ (the first byte of each
# picks the file name: 0 a tiled map, 1 an 8-bit map, 2 a region map, 3 a class file). Exits
# non-zero when the fuzzer finds a fault; the input that caused it is kept under
# build/fuzz/pathmap-findings/.
set -euo pipefail

seconds=${1:-30}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
build=${TESS_FUZZ_BUILD:-$repo/build/fuzz}
. "$repo/tests/fuzz_build.sh"
fuzzer=$(fuzz_build pathmap_reader_fuzzer)

corpus=$build/pathmap-corpus
findings=$build/pathmap-findings
mkdir -p "$corpus" "$findings"
cp -f "$here"/corpus/* "$corpus"/

exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=70000 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus"
