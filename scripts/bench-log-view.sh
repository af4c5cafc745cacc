#!/usr/bin/env bash
# The log view benchmark under Wine (32-bit build): for logs of 5 MiB, 50 MiB, 500 MiB and a
# 5 GiB sparse file, each in a process of its own, the figures bench/log_view_bench_win.cpp
# prints, then one table.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}/i686
bash "$root/scripts/setup-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target log_view_bench
bash "$root/scripts/make-wineprefix.sh" "$build/wineprefix" >/dev/null
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
work=$(mktemp -d "$build/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
folder=$(winepath -w "$work")
# winepath starts a wine server without the virtual display; the program needs its own.
wineserver -w
for size in 5MiB 50MiB 500MiB 5GiB-sparse; do
    xvfb-run -a -s "-screen 0 1280x1024x24" wine "$build/log_view_bench.exe" "$size" "$folder" \
        | tr -d '\r' | tee "$work/$size.txt"
done
echo
printf '%-12s %9s %9s %9s %9s %9s %9s %9s\n' case open_ms ext_max ext_med pass_ms ws_open ws_top ws_follow
for size in 5MiB 50MiB 500MiB 5GiB-sparse; do
    get() { awk -v k="$1" '$1 == k { print $2 }' "$work/$size.txt"; }
    printf '%-12s %9s %9s %9s %9s %9s %9s %9s\n' "$size" "$(get open_to_last_line_ms)" \
        "$(get scroll_up_extension_max_ms)" "$(get scroll_up_extension_median_ms)" \
        "$(get pass_200_char_line_at_bound_max_ms)" "$(get peak_ws_after_open_mib)" \
        "$(get peak_ws_after_scrolling_to_top_mib)" "$(get peak_ws_after_following_mib)"
done
