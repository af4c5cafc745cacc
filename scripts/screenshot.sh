#!/usr/bin/env bash
# Takes a screenshot of the program as a user sees it, under a virtual display:
#   scripts/screenshot.sh OUT.png [registry values to set first, as NAME=DWORD ...]
# SHOT_CROP=WxH+X+Y crops the picture; SHOT_ACTION runs a command before the picture.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$(realpath -m "$1"); shift || true
exe=$build/i686/zororuv.exe
[ -f "$exe" ] || { echo "build first: $exe missing" >&2; exit 1; }
bash "$root/scripts/make-wineprefix.sh" "$build/i686/wineprefix" >/dev/null
export WINEPREFIX=$build/i686/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
for kv in "$@"; do
    wine reg add 'HKCU\Software\DIVAZU\DORU\Config' /v "${kv%%=*}" /t REG_DWORD /d "${kv#*=}" /f >/dev/null 2>&1
done
# The registry edits start a wine server of their own; let it end before the program's.
wineserver -w
xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
    wine '$exe' & pid=\$!
    sleep \${SHOT_WAIT:-6}
    \${SHOT_ACTION:-true}
    import -window root '$out'
    kill \$pid; wineserver -k || true"
if [ -n "${SHOT_CROP:-}" ]; then convert "$out" -crop "$SHOT_CROP" +repage "$out"; fi
echo "$out"
