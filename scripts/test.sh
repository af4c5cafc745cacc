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

# stage NAME [toolchain] [ctest arguments...]: configure, build, test and summarise one tree.
stage() {
    local name=$1 toolchain=${2:-}
    shift 2 || shift $#
    local dir=$build/$name
    echo "== $name =="
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake"} >/dev/null
    cmake --build "$dir" -j"$jobs"
    if [ -n "$toolchain" ]; then
        # Windows builds run under Wine on a virtual display.
        xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$dir" --output-on-failure "$@"
    else
        ctest --test-dir "$dir" --output-on-failure "$@"
    fi
    gtest_summary "$dir"
}

stage native
stage i686 mingw-i686
# The 64-bit build must compile cleanly; its portable tests run too.
stage x86_64 mingw-x86_64 -R 'wine_prefix|core_tests'
