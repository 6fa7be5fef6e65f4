#!/usr/bin/env bash
# Builds the archive reader's fuzzer in its own build folder and runs it for SECONDS
# (default 30). The corpus is seeded with the genuine archives (from TESS_TESTDATA, never
# committed) and the broken fixtures. Exits non-zero when the fuzzer finds a fault; the
# input that caused it is kept under build/fuzz/archive-findings/.
set -euo pipefail

seconds=${1:-30}
repo=$(cd "$(dirname "$0")/../../.." && pwd)
build=${TESS_FUZZ_BUILD:-$repo/build/fuzz}
testdata=${TESS_TESTDATA:-$repo/../shared/testdata}
. "$repo/tests/fuzz_build.sh"
fuzzer=$(fuzz_build archive_reader_fuzzer)

corpus=$build/archive-corpus
findings=$build/archive-findings
mkdir -p "$corpus" "$findings"
if [ -d "$testdata/archives" ]; then
    cp -f "$testdata"/archives/*.rfa "$corpus"/
else
    echo "warning: no genuine archives under $testdata/archives; seeding with fixtures only" >&2
fi
cp -f "$repo"/tests/archive/fixtures/*.rfa "$corpus"/ 2>/dev/null || true

exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=200000 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus"
