#!/usr/bin/env bash
# Builds the program and runs it under Wine in the Japanese locale, on a virtual display when
# there is no X display: the 32-bit build where this machine runs 32-bit programs, else the
# 64-bit one (scripts/wine.sh). RUN_ARCH=i686 or x86_64 chooses the build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
bash "$root/scripts/setup-deps.sh"
# shellcheck source=wine.sh
source "$root/scripts/wine.sh"
zr_wine32_check
arch=${RUN_ARCH:-$(zr_run_arch)}
echo "running the $arch build ($(zr_wine32_line))"
cmake -S "$root" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/$arch" -j"$(nproc)" --target zororuv
bash "$root/scripts/make-wineprefix.sh" "$build/$arch/wineprefix" "$arch"
zr_wine_env "$arch" "$build/$arch/wineprefix"
if [ -n "${DISPLAY:-}" ]; then
    exec "$ZR_WINE" "$build/$arch/zororuv.exe" "$@"
else
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$ZR_WINE" "$build/$arch/zororuv.exe" "$@"
fi
