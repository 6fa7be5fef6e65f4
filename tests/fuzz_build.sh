# Sourced by the fuzz scripts: `fuzz_build TARGET` builds the libFuzzer target TARGET with
# clang and the sanitizers in the one fuzz build folder that all fuzzers share
# (TESS_FUZZ_BUILD, default build/fuzz), and prints the fuzzer's path. Expects `repo`.
fuzz_build() {
    local target=$1
    local build=${TESS_FUZZ_BUILD:-$repo/build/fuzz}
    local sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    mkdir -p "$build"
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitizers" \
        -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" \
        -DTESS_FUZZ=ON -DTESS_TESTS=ON -DTESS_BENCH=OFF -DTESS_GUI=OFF >"$build/configure.log" 2>&1 ||
        { cat "$build/configure.log" >&2; return 1; }
    ninja -C "$build" -j2 "$target" >&2
    find "$build" -name "$target" -type f -perm -u+x | head -n 1
}
