#!/usr/bin/env bash
# Builds the program for 32-bit Windows and runs it under Wine in the Japanese locale,
# on a virtual display when there is no X display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
bash "$root/scripts/setup-deps.sh"
cmake -S "$root" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/i686" -j"$(nproc)" --target zororuv
bash "$root/scripts/make-wineprefix.sh" "$build/i686/wineprefix"
export WINEPREFIX=$build/i686/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
if [ -n "${DISPLAY:-}" ]; then
    exec wine "$build/i686/zororuv.exe"
else
    exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$build/i686/zororuv.exe"
fi
