#!/usr/bin/env bash
# Builds everything and runs every test: the portable logic natively, then the Windows
# build (i686) under Wine on a virtual display in the Japanese locale; the x86_64 build
# must compile cleanly and pass the portable tests under Wine too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
jobs=$(nproc)

bash "$root/scripts/setup-deps.sh"

# CTest keeps each test's output in its log; show GoogleTest's own summary of every entry.
gtest_summary() {
    grep -hE '^([0-9]+/[0-9]+ Test: |\[==========\] .* ran|\[  PASSED  \]|\[  FAILED  \]|\[  SKIPPED \])' \
        "$1/Testing/Temporary/LastTest.log" || true
}

echo "== native =="
cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/native" -j"$jobs"
ctest --test-dir "$build/native" --output-on-failure
gtest_summary "$build/native"

echo "== i686 under Wine =="
cmake -S "$root" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/i686" -j"$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$build/i686" --output-on-failure
gtest_summary "$build/i686"

echo "== x86_64 =="
cmake -S "$root" -B "$build/x86_64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/x86_64" -j"$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$build/x86_64" --output-on-failure -R 'wine_prefix|core_tests'
gtest_summary "$build/x86_64"
