#!/usr/bin/env bash
# Builds everything and runs every test: the portable logic natively, then the Windows builds
# under Wine on a virtual display in the Japanese locale. The 64-bit build (x86_64) runs every
# test on every machine; the 32-bit build (i686) is always built whole, and its tests run
# where this machine runs 32-bit programs (scripts/wine.sh says how that is found out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
jobs=$(nproc)

bash "$root/scripts/setup-deps.sh"
bash "$root/scripts/check-deps.sh"
# shellcheck source=wine.sh
source "$root/scripts/wine.sh"
zr_wine32_check
echo "== $(zr_wine32_line) =="

# CTest keeps each test's output in its log; show GoogleTest's own summary of every entry.
gtest_summary() {
    grep -hE '^([0-9]+/[0-9]+ Test: |\[==========\] .* ran|\[  PASSED  \]|\[  FAILED  \]|\[  SKIPPED \])' \
        "$1/Testing/Temporary/LastTest.log" || true
}

# stage NAME [toolchain] [ctest arguments...]: configure, build, test and summarise one tree;
# $targets, when set, names what to build instead of everything.
stage() {
    local name=$1 toolchain=${2:-}
    shift 2 || shift $#
    local dir=$build/$name
    echo "== $name =="
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake"} >/dev/null
    # shellcheck disable=SC2086
    cmake --build "$dir" -j"$jobs" ${targets:+--target $targets}
    if [ -n "$toolchain" ]; then
        # Windows builds run under Wine on a virtual display.
        xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$dir" --output-on-failure "$@"
    else
        ctest --test-dir "$dir" --output-on-failure "$@"
    fi
    gtest_summary "$dir"
}

stage native
stage x86_64 mingw-x86_64
if [ "$ZR_WINE32" = yes ]; then
    stage i686 mingw-i686
else
    # Compiled whole (program, tests, benchmarks), none of it run.
    echo "== i686 (built, not run) =="
    cmake -S "$root" -B "$build/i686" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$build/i686" -j"$jobs"
fi

# check_package NAME SUFFIX [start]: the tree's package holds exactly the program, the README
# and the usage text; with `start`, the program in it, unpacked into a fresh folder, shows
# its main window under Wine and ends cleanly when closed.
check_package() {
    local dir=$build/$1 part tmp listing
    echo "== package $1 =="
    cmake --build "$dir" -j"$jobs" --target package
    # The version as the About box writes it: 1, 0, 0 reads "1.00".
    local version=
    for part in MAJOR MINOR REVISION; do
        version+=$(sed -n "s/^#define ZORORUV_VERSION_$part \([0-9]*\)$/\1/p" \
            "$root/src/resources/version.h")
        if [ "$part" = MAJOR ]; then version+=.; fi
    done
    local zip=$dir/Zororuv-$version-$2.zip
    # unzip names the files in the locale's encoding.
    listing=$(LC_ALL=C.UTF-8 unzip -Z1 "$zip" | LC_ALL=C sort)
    if [ "$listing" != "$(printf '%s\n' README.md zororuv.exe 使い方.txt | LC_ALL=C sort)" ]; then
        echo "FAILED: $zip holds:"; echo "$listing"; return 1
    fi
    tmp=$(mktemp -d)
    LC_ALL=C.UTF-8 unzip -q "$zip" -d "$tmp"
    if [ "$(head -c3 "$tmp/使い方.txt" | od -An -tx1 | tr -d ' ')" != efbbbf ] ||
        grep -q -v $'\r$' "$tmp/使い方.txt"; then
        echo "FAILED: 使い方.txt is not UTF-8 with a BOM and CRLF line ends"
        rm -rf "$tmp"; return 1
    fi
    if [ "${3:-}" != start ]; then
        rm -rf "$tmp"
        echo "$zip: $(echo $listing); not started here"
        return 0
    fi
    # The main window is an X window named after the program inside Wine's desktop window;
    # closing it the way the close box does must end the program with 0, and the prefix's
    # wine server must go, which ends every process it served. The closing is sent by the
    # prefix's own taskkill, of the program's architecture.
    bash "$root/scripts/make-wineprefix.sh" "$dir/wineprefix" "$1" >/dev/null
    local ok=0
    (
        zr_wine_env "$1" "$dir/wineprefix"
        cd "$tmp"
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
            timeout 30 "$ZR_WINE" zororuv.exe & pid=$!
            shown=
            for _ in $(seq 40); do
                sleep 0.25
                id=$(xwininfo -root -tree |
                    awk "/\"Zororuv\": \\(\"zororuv.exe\"/ { print \$1; exit }")
                if [ -n "$id" ] && xwininfo -id "$id" | grep -q "Map State: IsViewable"; then
                    shown=yes; break
                fi
            done
            "$ZR_WINE" taskkill /im zororuv.exe >/dev/null 2>&1
            wait $pid && status=0 || status=$?
            timeout 20 wineserver -w || { wineserver -k; echo "wine processes left over"; exit 1; }
            echo "main window shown: ${shown:-no}; exit code: $status"
            [ -n "$shown" ] && [ "$status" -eq 0 ]'
    ) || ok=$?
    rm -rf "$tmp"
    if [ "$ok" -ne 0 ]; then
        echo "FAILED: the packaged program did not start and end cleanly"; return 1
    fi
    echo "$zip: $(echo $listing); starts and ends cleanly"
}

check_package x86_64 win64 start
if [ "$ZR_WINE32" = yes ]; then
    check_package i686 win32 start
else
    check_package i686 win32
fi

# The tests' size against the code's: non-blank lines of C++ (.cpp and .h) under tests/
# (harness, helper programs and tests) and under src/. The rule is at most 35 %.
lines() { find "$1" \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | grep -cv '^[[:space:]]*$'; }
test_lines=$(lines "$root/tests")
src_lines=$(lines "$root/src")
percent=$((test_lines * 100 / src_lines))
echo "== test budget: tests/ $test_lines ÷ src/ $src_lines non-blank C++ lines = $percent % (at most 35 %) =="
[ $((test_lines * 100)) -le $((src_lines * 35)) ] || { echo "FAILED: the tests are over their budget"; exit 1; }

if [ "$ZR_WINE32" != yes ]; then
    echo "== NOT RUN: the i686 tests and the start of the win32 package; the i686 build was only"
    echo "   compiled, because this machine runs no 32-bit programs: $ZR_WINE32_WHY =="
fi
