#!/usr/bin/env bash
# Creates a fresh Wine prefix under the Japanese locale and maps the program's Japanese
# font names onto the IPA fonts, so that captions render as Japanese, not boxes.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
if [ -f "$prefix/.zororuv-ready" ]; then exit 0; fi
rm -rf "$prefix"
wineboot -i >/dev/null 2>&1
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
wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
wineserver -w
rm -f "$reg"
touch "$prefix/.zororuv-ready"
echo "wine prefix ready: $prefix"
