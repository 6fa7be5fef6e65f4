#!/usr/bin/env bash
# Speed and memory of the archive tools beside tar, on a generated level folder of about
# 256 MiB (2,000 files from 1 KiB to 4 MiB: script text, height maps, random textures).
# Goals: store-mode pack and unpack at least 0.8 of tar's speed; compressed pack on two
# cores at least 1.8 times as fast as on one, with the same bytes; decompression at least
# 300 MB/s of output on one core; peak memory of pack and unpack under 64 MiB.
# Usage: bench/archive/run.sh [WORK_FOLDER]   (default /tmp/tess-bench-archive)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${TESS_BENCH_BUILD:-$repo/build/bench-archive}
work=${1:-/tmp/tess-bench-archive}

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESS_TESTS=OFF \
    -DTESS_GUI=OFF -DTESS_BENCH=ON >/dev/null
ninja -C "$build" -j2 archive_bench >/dev/null
bench=$(find "$build" -name archive_bench -type f -perm -u+x | head -n 1)

rm -rf "$work"
mkdir -p "$work"
"$bench" generate "$work/level"

# measure LABEL COMMAND...: runs the command under /usr/bin/time -v; sets SECONDS_TAKEN and
# PEAK_MIB and prints them.
measure() {
    local label=$1
    shift
    /usr/bin/time -v "$@" >"$work/out.txt" 2>"$work/time.txt" || { cat "$work/out.txt" "$work/time.txt"; exit 1; }
    SECONDS_TAKEN=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")
    PEAK_MIB=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time.txt")
    printf '%-34s %8.2f s  %7s MiB peak\n' "$label" "$SECONDS_TAKEN" "$PEAK_MIB"
}
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

mib=$(du -sm --apparent-size "$work/level" | cut -f1)
echo "level folder: $mib MiB, $(find "$work/level" -type f | wc -l) files"

for round in 1 2; do
    rm -f "$work/level.tar" "$work/store.rfa"
    measure "tar -cf (round $round)" tar -cf "$work/level.tar" -C "$work" level
    tar_pack[$round]=$SECONDS_TAKEN
    measure "pack store (round $round)" "$bench" pack "$work/level" bf1942/levels/Bench "$work/store.rfa"
    pack[$round]=$SECONDS_TAKEN
    pack_peak=$PEAK_MIB
    rm -rf "$work/x-tar" "$work/x-rfa"
    mkdir -p "$work/x-tar" "$work/x-rfa"
    measure "tar -xf (round $round)" tar -xf "$work/level.tar" -C "$work/x-tar"
    tar_unpack[$round]=$SECONDS_TAKEN
    measure "unpack store (round $round)" "$bench" unpack "$work/store.rfa" "$work/x-rfa"
    unpack[$round]=$SECONDS_TAKEN
    unpack_peak=$PEAK_MIB
done
diff -r "$work/x-tar/level" "$work/x-rfa/bf1942/levels/Bench" >/dev/null && echo "unpacked trees identical"

measure "pack compressed, 1 thread" "$bench" pack "$work/level" bf1942/levels/Bench "$work/c1.rfa" compress 1
one=$SECONDS_TAKEN
measure "pack compressed, 2 threads" "$bench" pack "$work/level" bf1942/levels/Bench "$work/c2.rfa" compress 2
two=$SECONDS_TAKEN
compress_peak=$PEAK_MIB
cmp -s "$work/c1.rfa" "$work/c2.rfa" && same=yes || same=NO
measure "decompress (1 core)" "$bench" decompress "$work/c2.rfa"
grep decompress "$work/out.txt"
rm -rf "$work/x-rfa" && mkdir -p "$work/x-rfa"
measure "unpack compressed" "$bench" unpack "$work/c2.rfa" "$work/x-rfa"

echo
echo "store pack:   $(ratio "$(best "${tar_pack[1]}" "${tar_pack[2]}")" "$(best "${pack[1]}" "${pack[2]}")") x tar's speed (goal >= 0.8), peak $pack_peak MiB"
echo "store unpack: $(ratio "$(best "${tar_unpack[1]}" "${tar_unpack[2]}")" "$(best "${unpack[1]}" "${unpack[2]}")") x tar's speed (goal >= 0.8), peak $unpack_peak MiB"
echo "compressed pack on 2 threads: $(ratio "$one" "$two") x one thread (goal >= 1.8), same bytes: $same, peak $compress_peak MiB"
echo "archives: store $(du -m --apparent-size "$work/store.rfa" | cut -f1) MiB, compressed $(du -m --apparent-size "$work/c2.rfa" | cut -f1) MiB"
rm -rf "$work"
