#!/usr/bin/env bash
# Installs what is needed, checks the format, builds everything and runs every test: the normal
# build, every test but the end-to-end ones again under AddressSanitizer + UndefinedBehaviorSanitizer
# (the socket, window and server/display tests are where nested handlers and socket lifetimes
# meet), and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/check-format.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORUVAN_BENCH=ON -DORUVAN_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORUVAN_SANITIZE=ON -DORUVAN_WERROR=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE e2e

if [ -f tests/fuzz/CMakeLists.txt ]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DORUVAN_TESTS=OFF -DORUVAN_FUZZ=ON -DORUVAN_WERROR=ON
    targets=$(cat build-fuzz/tests/fuzz/fuzz-targets.txt)
    # shellcheck disable=SC2086
    cmake --build build-fuzz -j "$jobs" --target $targets
    for target in $targets; do
        fuzzer="build-fuzz/tests/fuzz/$target"
        echo "fuzzing $(basename "$fuzzer") for 30 s"
        # A target whose parser lies in uninstrumented libraries (Qt's, libjpeg, libpng) starts from
        # seed files (tools/make-fuzz-seeds.py makes the pictures); libFuzzer adds to its corpus
        # folder, so it works on a copy in the build folder.
        corpus="build-fuzz/corpus/$target"
        mkdir -p "$corpus"
        [ -d "tests/fuzz/corpus/$target" ] && cp "tests/fuzz/corpus/$target"/* "$corpus"/
        "$fuzzer" -max_total_time=30 -rss_limit_mb=2048 "-artifact_prefix=build-fuzz/" "$corpus"
    done
fi
