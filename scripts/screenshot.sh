#!/usr/bin/env bash
# Takes a screenshot of the program as a user sees it, under a virtual display:
#   scripts/screenshot.sh OUT.png [registry values to set first, as NAME=DWORD ...]
# The screen is as large as the prefix's desktop (make-wineprefix.sh), where a maximized window
# fits. SHOT_CROP=WxH+X+Y crops the picture; SHOT_ACTION runs a command before the picture;
# SHOT_ARGS are given to the program; SHOT_ARCH=i686 or x86_64 chooses the build (by default
# the one scripts/run.sh runs here).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$(realpath -m "$1"); shift || true
# shellcheck source=wine.sh
source "$root/scripts/wine.sh"
zr_wine32_check
arch=${SHOT_ARCH:-$(zr_run_arch)}
exe=$build/$arch/zororuv.exe
[ -f "$exe" ] || { echo "build first: $exe missing" >&2; exit 1; }
bash "$root/scripts/make-wineprefix.sh" "$build/$arch/wineprefix" "$arch" >/dev/null
zr_wine_env "$arch" "$build/$arch/wineprefix"
for kv in "$@"; do
    "$ZR_WINE" reg add 'HKCU\Software\DIVAZU\DORU\Config' /v "${kv%%=*}" /t REG_DWORD \
        /d "${kv#*=}" /f >/dev/null 2>&1
done
# The registry edits start a wine server of their own; let it end before the program's.
wineserver -w
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "
    '$ZR_WINE' '$exe' ${SHOT_ARGS:-} & pid=\$!
    sleep \${SHOT_WAIT:-6}
    \${SHOT_ACTION:-true}
    import -window root '$out'
    kill \$pid; wineserver -k || true"
if [ -n "${SHOT_CROP:-}" ]; then convert "$out" -crop "$SHOT_CROP" +repage "$out"; fi
echo "$out"
