# Sourced by every script that starts Wine: which loader runs which build, in which prefix.
#
# Debian's `wine`, `wineboot` and `winepath` wrappers start Wine's 32-bit loader first, and
# some machines run no 32-bit Linux programs at all (the kernel's 32-bit emulation is off:
# the loader fails with "Exec format error"). So nothing here goes through the wrappers:
#   - the x86_64 build runs in a 64-bit prefix (WINEARCH=win64) through the 64-bit loader;
#   - the i686 build runs in a 32-bit prefix of its own (WINEARCH=win32) through the 32-bit
#     loader, and only where that loader starts.
# A prefix is made for one architecture and cannot serve the other: a 64-bit prefix runs no
# 32-bit program once the 32-bit loader is missing, and a 32-bit prefix runs no 64-bit one.

ZR_WINE32_LOADER=/usr/lib/wine/wine
ZR_WINE64_LOADER=/usr/lib/wine/wine64

# zr_wine32_check: sets ZR_WINE32 to yes or no by starting the 32-bit loader, and
# ZR_WINE32_WHY to what it said when it could not start.
zr_wine32_check() {
    local out
    if out=$("$ZR_WINE32_LOADER" --version 2>&1); then
        ZR_WINE32=yes
        ZR_WINE32_WHY=
    else
        ZR_WINE32=no
        ZR_WINE32_WHY=$(printf '%s' "$out" | head -n1 | sed "s|^.*$ZR_WINE32_LOADER: *||")
        [ -n "$ZR_WINE32_WHY" ] || ZR_WINE32_WHY="it exited with an error"
    fi
}

# zr_wine32_line: the answer in one line, for the top of a run.
zr_wine32_line() {
    [ -n "${ZR_WINE32:-}" ] || zr_wine32_check
    if [ "$ZR_WINE32" = yes ]; then
        echo "32-bit programs run here: Wine's 32-bit loader started ($("$ZR_WINE32_LOADER" --version 2>&1))"
    else
        echo "32-bit programs cannot run here: Wine's 32-bit loader $ZR_WINE32_LOADER failed to start: $ZR_WINE32_WHY"
    fi
}

# zr_run_arch: the build that runs the program here: the 32-bit one where it can run, as the
# program is first meant for 32-bit Windows, else the 64-bit one.
zr_run_arch() {
    [ -n "${ZR_WINE32:-}" ] || zr_wine32_check
    if [ "$ZR_WINE32" = yes ]; then echo i686; else echo x86_64; fi
}

# zr_wine_env ARCH PREFIX: exports what Wine needs to run the ARCH build (i686 or x86_64)
# in PREFIX, in the Japanese locale (code page 932), and sets ZR_WINE to the loader.
zr_wine_env() {
    case $1 in
        i686) ZR_WINE=$ZR_WINE32_LOADER WINEARCH=win32 ;;
        x86_64) ZR_WINE=$ZR_WINE64_LOADER WINEARCH=win64 ;;
        *) echo "zr_wine_env: unknown architecture $1" >&2; return 1 ;;
    esac
    export ZR_WINE WINEARCH WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
}
