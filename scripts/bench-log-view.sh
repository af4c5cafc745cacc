#!/usr/bin/env bash
# The log view benchmark under Wine: for logs of 5 MiB, 50 MiB, 500 MiB and a 5 GiB sparse
# file, each in a process of its own, the figures bench/log_view_bench_win.cpp prints, then
# one table per build (times in ms, peak working sets in MiB; "-" where a case has none). It runs the 64-bit build, and the 32-bit one too where this machine
# runs 32-bit programs (scripts/wine.sh); name the builds to run only those:
#   bash scripts/bench-log-view.sh [i686] [x86_64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup-deps.sh"
# shellcheck source=wine.sh
source "$root/scripts/wine.sh"
zr_wine32_check
zr_wine32_line
archs=("$@")
if [ ${#archs[@]} -eq 0 ]; then
    archs=(x86_64)
    if [ "$ZR_WINE32" = yes ]; then archs=(i686 x86_64); fi
fi
sizes=(5MiB 50MiB 500MiB 5GiB-sparse)
for arch in "${archs[@]}"; do
    build=${BUILD_DIR:-$root/build}/$arch
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j"$(nproc)" --target log_view_bench
    bash "$root/scripts/make-wineprefix.sh" "$build/wineprefix" "$arch" >/dev/null
    zr_wine_env "$arch" "$build/wineprefix"
    work=$(mktemp -d "$build/bench.XXXXXX")
    folder=$("$ZR_WINE" winepath -w "$work")
    # winepath starts a wine server without the virtual display; the program needs its own.
    wineserver -w
    for size in "${sizes[@]}"; do
        xvfb-run -a -s "-screen 0 1280x1024x24" "$ZR_WINE" "$build/log_view_bench.exe" "$size" \
            "$folder" | tr -d '\r' | tee "$work/$size.txt"
    done
    echo
    echo "== $arch =="
    cols=(open_to_last_line_ms find_first_line_from_end_ms ctrl_home_ms ctrl_end_ms
        scroll_up_extension_max_ms scroll_up_extension_median_ms
        follow_50mib_caught_up_after_writer_ms burst_100mib_last_line_after_write_ms burst_reply_max_ms
        pass_200_char_line_at_bound_max_ms filter_first_line_ms filter_reply_max_ms
        pass_1000_lines_no_rules_ms pass_1000_lines_ten_rules_ms peak_ws_after_open_mib
        peak_ws_after_scrolling_to_top_mib peak_ws_after_following_mib peak_ws_after_burst_mib
        peak_ws_mib)
    printf '%-12s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s\n' \
        case open find home end ext_max ext_med follow burst reply pass filter f_reply \
        p1000 p1000r ws_open ws_scrl ws_foll ws_bur ws_peak
    for size in "${sizes[@]}"; do
        row=("$size")
        for col in "${cols[@]}"; do
            row+=("$(awk -v k="$col" '$1 == k { print $2 }' "$work/$size.txt")")
        done
        printf '%-12s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s\n' \
            "${row[@]:-}"
    done
    rm -rf "$work"
done
