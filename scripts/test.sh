#!/usr/bin/env bash
# Installs what is missing, builds Tandrel with its tests and runs them all.
#   scripts/test.sh             the whole project, widget tests on the offscreen platform, and
#                               the Debian package's file list
#   scripts/test.sh --sanitize  the non-window code under AddressSanitizer and UBSan
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

if [ "${1:-}" = "--sanitize" ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTANDREL_GUI=OFF \
        -DTANDREL_SANITIZE=ON -DTANDREL_BENCH=OFF
    cmake --build build-asan -j "$jobs"
    # The library reader's fuzz target, built with clang, for half a minute from fresh seeds.
    CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANDREL_GUI=OFF \
        -DTANDREL_FUZZ=ON -DTANDREL_BENCH=OFF
    cmake --build build-fuzz -j "$jobs" --target fuzz_reader fuzz_reader_seeds
    rm -rf build-fuzz/run && build-fuzz/fuzz/fuzz_reader_seeds build-fuzz/run/seeds
    mkdir -p build-fuzz/run/corpus
    build-fuzz/fuzz/fuzz_reader -max_total_time=30 -max_len=24000 -timeout=10 -dict=fuzz/reader.dict \
        build-fuzz/run/corpus build-fuzz/run/seeds
    # Last, so that the test summary closes the output.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure -j "$jobs"
else
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j "$jobs"
    scripts/check-deb.sh build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"
fi
