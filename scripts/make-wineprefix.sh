#!/usr/bin/env bash
# Creates a fresh Wine prefix for one build under the Japanese locale and maps the program's
# Japanese font names onto the IPA fonts, so that captions render as Japanese, not boxes.
#   make-wineprefix.sh PREFIX ARCH    (ARCH: i686 or x86_64; see scripts/wine.sh)
set -euo pipefail
prefix=$1
arch=${2:?make-wineprefix.sh PREFIX i686|x86_64}
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
zr_wine_env "$arch" "$prefix"
ready=$prefix/.zororuv-ready-$WINEARCH
if [ -f "$ready" ]; then exit 0; fi
# A prefix of the other architecture, or one left half made, is of no use.
rm -rf "$prefix"
"$ZR_WINE" wineboot -i >/dev/null 2>&1
wineserver -w

reg=$(mktemp --suffix=.reg)
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    for face in "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS Sans Serif"; do
        printf '"%s"="IPAPGothic"\r\n' "$face"
    done
    for face in "ＭＳ ゴシック" "MS Gothic"; do
        printf '"%s"="IPAGothic"\r\n' "$face"
    done
    printf '\r\n'
    # One virtual desktop holds every window: without a window manager on the virtual
    # display, Wine waits two seconds for each hidden or destroyed top-level window.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1280x1024"\r\n\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
"$ZR_WINE" regedit /S "$("$ZR_WINE" winepath -w "$reg")" >/dev/null 2>&1
wineserver -w
rm -f "$reg"
# The registry edit must have taken: without the substitutes every caption shows boxes.
grep -q IPAPGothic "$prefix/system.reg" || { echo "wine prefix: fonts not mapped" >&2; exit 1; }
touch "$ready"
echo "wine prefix ready ($WINEARCH): $prefix"
