#!/usr/bin/env bash
# Checks that the program's dependencies run one way: from the main window down to the windows
# it owns, and from every window down to src/common/ and the portable logic, never back.
#   1. src/common/ includes nothing of the program but src/common/ and src/resources/.
#   2. A portable file (no "_win" in its name) includes no Win32 header: neither <windows.h>
#      and its kin nor one of the program's "_win.h" headers.
#   3. Only the main window includes the headers of another window. The windows are the
#      folders mainwindow, bookmarks, filesearch, about and highlight, and the options dialog
#      (settings/options_dialog_win.*); so a side window, the About box or the options dialog
#      never includes main_window_win.h, and common, settings, follow never include a window.
# Prints every include that breaks a rule and fails when there is one.
# Usage: check-deps.sh [source root, by default this repository]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root/src"

# The window a file or header belongs to, or nothing.
window_of() {
    case $1 in
        mainwindow/* | bookmarks/* | filesearch/* | about/* | highlight/*) echo "${1%%/*}" ;;
        settings/options_dialog_win.*) echo options ;;
    esac
}

failures=0
files=0
report() {
    echo "$1: includes $2: $3"
    failures=$((failures + 1))
}

while IFS= read -r file; do
    files=$((files + 1))
    own=$(window_of "$file")
    while IFS= read -r include; do
        name=${include:1:${#include}-2}
        if [[ $include == \<* ]]; then
            if [[ $file != *_win.* && $name =~ ^(windows|commdlg|commctrl|richedit|shellapi|shlwapi|mmsystem)\.h$ ]]; then
                report "$file" "$include" "a portable file uses no Win32 header"
            fi
            continue
        fi
        if [[ $file == common/* && $name != common/* && $name != resources/* ]]; then
            report "$file" "$include" "src/common/ needs nothing above it"
        fi
        if [[ $file != *_win.* && $name == *_win.h ]]; then
            report "$file" "$include" "a portable file uses no Win32 header"
        fi
        other=$(window_of "$name")
        if [[ -n $other && $other != "$own" && $own != mainwindow ]]; then
            report "$file" "$include" "only the main window depends on other windows"
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*\([<"][^">]*[">]\).*/\1/p' "$file")
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | LC_ALL=C sort)

if [ "$failures" -ne 0 ]; then
    echo "dependency check: $failures include(s) against the rules in $files files"
    exit 1
fi
echo "dependency check: $files files, every include runs one way"
