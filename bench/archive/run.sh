#!/usr/bin/env bash
# Speed and memory of the archive tools beside tar, on a generated level folder of about
# 256 MiB (2,000 files from 1 KiB to 4 MiB: script text, height maps, random textures).
# Goals: store-mode pack and unpack at least 0.8 of tar's speed; compressed pack on two
# cores at least 1.8 times as fast as on one, with the same bytes; decompression at least
# 300 MB/s of output on one core; peak memory of pack and unpack under 64 MiB.
# Also: unpacking over an existing tree (both orders beside tar), and 80,000 small files in
# one folder.
# Usage: bench/archive/run.sh [WORK_FOLDER]   (default: a new folder under /tmp)
#
# Nothing is deleted between the measurements: on ext4, creating files soon after many
# were deleted costs several times as much (the inode allocator avoids recently freed
# inodes), which would punish whichever tool runs after a deletion. Each round writes to
# fresh names instead, the tools take turns going first, and the best round counts.
set -euo pipefail
# With --results before the work folder, the figures follow at the end as lines
# "RESULT name value unit" for bench/run. TESS_ARCHIVE_BENCH names an archive_bench that is
# already built (bench/run passes the release build's); otherwise it is built here.
results=no
if [ "${1:-}" = --results ]; then
    results=yes
    shift
fi

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${TESS_BENCH_BUILD:-$repo/build/bench-archive}
work=${1:-$(mktemp -d /tmp/tess-bench-archive.XXXXXX)}

if [ -n "${TESS_ARCHIVE_BENCH:-}" ]; then
    bench=$TESS_ARCHIVE_BENCH
else
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESS_TESTS=OFF \
        -DTESS_GUI=OFF -DTESS_BENCH=ON >/dev/null
    ninja -C "$build" -j2 archive_bench >/dev/null
    bench=$(find "$build" -name archive_bench -type f -perm -u+x | head -n 1)
fi

mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
"$bench" generate "$work/level"

# measure LABEL COMMAND...: runs the command under /usr/bin/time -v; sets SECONDS_TAKEN and
# PEAK_MIB and prints them, and sets CPU_PERCENT (the processor time over the wall time).
measure() {
    local label=$1
    shift
    /usr/bin/time -v "$@" >"$work/out.txt" 2>"$work/time.txt" || { cat "$work/out.txt" "$work/time.txt"; exit 1; }
    SECONDS_TAKEN=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")
    PEAK_MIB=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time.txt")
    CPU_PERCENT=$(awk -F': ' '/Percent of CPU/ { print $2 + 0 }' "$work/time.txt")
    printf '%-34s %8.2f s  %7s MiB peak\n' "$label" "$SECONDS_TAKEN" "$PEAK_MIB"
}
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

mib=$(du -sm --apparent-size "$work/level" | cut -f1)
echo "level folder: $mib MiB, $(find "$work/level" -type f | wc -l) files"

ours_pack() { measure "pack store (round $round)" "$bench" pack "$work/level" bf1942/levels/Bench "$work/store$round.rfa"; pack[$round]=$SECONDS_TAKEN; pack_peak=$PEAK_MIB; }
tar_pack() { measure "tar -cf (round $round)" tar -cf "$work/level$round.tar" -C "$work" level; tar_pack[$round]=$SECONDS_TAKEN; }
ours_unpack() { mkdir -p "$work/x-rfa$round"; measure "unpack store (round $round)" "$bench" unpack "$work/store$round.rfa" "$work/x-rfa$round"; unpack[$round]=$SECONDS_TAKEN; unpack_peak=$PEAK_MIB; }
tar_unpack() { mkdir -p "$work/x-tar$round"; measure "tar -xf (round $round)" tar -xf "$work/level$round.tar" -C "$work/x-tar$round"; tar_unpack[$round]=$SECONDS_TAKEN; }
for round in 1 2 3; do
    if [ $((round % 2)) = 1 ]; then
        tar_pack; ours_pack; tar_unpack; ours_unpack
    else
        ours_pack; tar_pack; ours_unpack; tar_unpack
    fi
done
diff -r "$work/x-tar1/level" "$work/x-rfa1/bf1942/levels/Bench" >/dev/null && echo "unpacked trees identical"

# Unpacking over an existing tree (every file already there, from round 1): we write each
# file to a temporary file beside it and rename it into place, tar unlinks the old file and
# writes it anew. Replacing files costs more while the page cache is still writing back what
# the step before wrote, so both orders are measured: ours first, then tar first.
ours_over() { measure "unpack store over existing ($1)" "$bench" unpack "$work/store1.rfa" "$work/x-rfa1"; over[$1]=$SECONDS_TAKEN; }
tar_over() { measure "tar -xf over existing ($1)" tar -xf "$work/level1.tar" -C "$work/x-tar1"; tar_over[$1]=$SECONDS_TAKEN; }
ours_over 1; tar_over 1
tar_over 2; ours_over 2
diff -r "$work/x-tar1/level" "$work/x-rfa1/bf1942/levels/Bench" >/dev/null && echo "replaced trees identical"

measure "pack compressed, 1 thread" "$bench" pack "$work/level" bf1942/levels/Bench "$work/c1.rfa" compress 1
one=$SECONDS_TAKEN
measure "pack compressed, 2 threads" "$bench" pack "$work/level" bf1942/levels/Bench "$work/c2.rfa" compress 2
two=$SECONDS_TAKEN
compress_peak=$PEAK_MIB
two_cpu=$CPU_PERCENT
cmp -s "$work/c1.rfa" "$work/c2.rfa" && same=yes || same=NO
# A second round in the other order, two threads first, so that neither setting always meets
# the busier machine; the better round of each counts.
measure "pack compressed, 2 threads (round 2)" "$bench" pack "$work/level" bf1942/levels/Bench "$work/c2-2.rfa" compress 2
if [ "$(best "$two" "$SECONDS_TAKEN")" = "$SECONDS_TAKEN" ]; then
    two=$SECONDS_TAKEN
    two_cpu=$CPU_PERCENT
fi
measure "pack compressed, 1 thread (round 2)" "$bench" pack "$work/level" bf1942/levels/Bench "$work/c1-2.rfa" compress 1
one=$(best "$one" "$SECONDS_TAKEN")
measure "decompress (1 core)" "$bench" decompress "$work/c2.rfa"
grep decompress "$work/out.txt"
decompress_mbps=$(awk '/^decompress:/ { for (i = 2; i <= NF; i++) if ($i == "MB/s") print $(i - 1) }' "$work/out.txt")
mkdir -p "$work/x-compressed"
measure "unpack compressed" "$bench" unpack "$work/c2.rfa" "$work/x-compressed"

# 80,000 small files in one folder: unpacked fresh and again over themselves (names are matched
# through a map keyed by the case-folded name, so each entry costs the same however many share
# its folder), beside tar on the same tree, fresh and over its own.
measure "unpack 80,000 small files, one folder" "$bench" one-folder "$work/one" 80000
grep -E "^(unpack|the same)" "$work/out.txt"
tar -cf "$work/one.tar" -C "$work/one/dest" bf1942
mkdir -p "$work/one-tar"
measure "tar -xf 80,000 small files" tar -xf "$work/one.tar" -C "$work/one-tar"
measure "tar -xf 80,000 over existing" tar -xf "$work/one.tar" -C "$work/one-tar"

echo
echo "store pack:   $(ratio "$(best "${tar_pack[@]}")" "$(best "${pack[@]}")") x tar's speed (goal >= 0.8), peak $pack_peak MiB"
echo "store unpack: $(ratio "$(best "${tar_unpack[@]}")" "$(best "${unpack[@]}")") x tar's speed (goal >= 0.8), peak $unpack_peak MiB"
echo "unpack over an existing tree: $(ratio "${tar_over[1]}" "${over[1]}") x tar's speed when ours goes first, $(ratio "${tar_over[2]}" "${over[2]}") x when tar goes first (goal >= 0.8)"
echo "compressed pack on 2 threads: $(ratio "$one" "$two") x one thread (goal >= 1.8), same bytes: $same, peak $compress_peak MiB"
echo "archives: store $(du -m --apparent-size "$work/store1.rfa" | cut -f1) MiB, compressed $(du -m --apparent-size "$work/c2.rfa" | cut -f1) MiB"

if [ "$results" = yes ]; then
    result() { printf 'RESULT archive.%s %s %s\n' "$1" "$2" "$3"; }
    result tar_pack "$(best "${tar_pack[@]}")" s
    result store_pack "$(best "${pack[@]}")" s
    result tar_unpack "$(best "${tar_unpack[@]}")" s
    result store_unpack "$(best "${unpack[@]}")" s
    result store_pack_peak "$pack_peak" MiB
    result store_unpack_peak "$unpack_peak" MiB
    # The rounds over an existing tree, where this script has them: ours first, then tar first.
    if [ -n "${over[1]:-}" ] && [ -n "${tar_over[2]:-}" ]; then
        result over_ours_first "${over[1]}" s
        result tar_over_ours_first "${tar_over[1]}" s
        result over_tar_first "${over[2]}" s
        result tar_over_tar_first "${tar_over[2]}" s
    fi
    result compress_1_thread "$one" s
    result compress_2_threads "$two" s
    # How much of two cores the machine gave the two threads: other work leaves less.
    result compress_2_threads_cpu "$two_cpu" %
    result compress_same_bytes "$([ "$same" = yes ] && echo 1 || echo 0)" bool
    result compress_peak "$compress_peak" MiB
    result decompress "$decompress_mbps" MB/s
fi
