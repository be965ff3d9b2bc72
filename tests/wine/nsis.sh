#!/usr/bin/env bash
# The NSIS example, built with makensis and run silently (/S) with no
# display: installing adds the templates to both Visual Studio
# installations and customises the product's files, the uninstaller takes
# the templates away again, and an installation whose Orvane step fails
# ends with a non-zero exit code, Visual Studio untouched and no product
# files left behind. NSIS installers are 32-bit: this runs the x86 build.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
[ "$ORVANE_ARCH" = x86 ] || { echo "FAIL NSIS installers are 32-bit: give the x86 build"; exit 1; }
prefix=$(wine_new_prefix) || exit 1
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
vs_install_both_kept "$prefix" "$work"
# $PROGRAMFILES of a 32-bit installer on 64-bit Windows.
installed=$prefix/drive_c/Program\ Files\ \(x86\)/Tessaloom
root='C:\Program Files (x86)\Tessaloom\'

check "the example builds with makensis, warnings as errors" \
    makensis -V2 -WX "-DOrvaneExe=$ORVANE_BUILD/Orvane.exe" "-DProductDir=$ORVANE_SOURCE_DIR/example/product" \
    "-DOutFile=$prefix/drive_c/TessaloomSetup.exe" "$ORVANE_SOURCE_DIR/example/installer/Tessaloom.nsi"

run() {  # run <command line>: runs it; prints its whole exit status
    printf '%s' "$1" >"$prefix/drive_c/nsis-command-line.txt"
    WINEPREFIX=$prefix timeout 330 wine "$ORVANE_BUILD/orvane_launch.exe" \
        'C:\nsis-command-line.txt' 300 | tr -d '\r'
}
# An uninstaller copies itself away and returns at once, unless it is told
# where the product is with _?=, the last word, unquoted.
uninstall() { run "\"${root}Uninstall.exe\" /S _?=${root%\\}"; }

check "the silent installation ends with exit code 0" same_text "$(run 'C:\TessaloomSetup.exe /S')" "exit 0"
check_installed_everywhere "$work" "$installed" "$root"
check "Orvane.exe and the uninstaller are beside the product" \
    same_text "$(cd "$installed" && ls)" "$(printf '%s\n' Include Lib Orvane.exe Samples Templates Uninstall.exe)"

listing() {  # whether the product is listed for removal
    WINEPREFIX=$prefix wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaloom' \
        /v UninstallString /reg:32 >/dev/null 2>&1 && echo listed || echo unlisted
}
check "the product is listed for removal" same_text "$(listing)" listed

check "the silent uninstallation ends with exit code 0" same_text "$(uninstall)" "exit 0"
check "and is no longer listed" same_text "$(listing)" unlisted
check "only the product's folders went from 7.1" same_tree "$vs71" "$work/vs71-before"
check "only the product's folders went from 9.0" same_tree "$vs90" "$work/vs90-before"
check "and the product went, but for the uninstaller that ran in place" \
    same_text "$(cd "$installed" && find . -mindepth 1)" "./Uninstall.exe"
rm -rf "$installed"

# A folder that is not empty where the rewriter puts its temporary file
# makes the sample impossible to customise: Orvane.exe stops with status 1.
mkdir -p "$installed/Samples/BandObjectsSample/BandObjects1.vcproj"
echo theirs >"$installed/Samples/BandObjectsSample/BandObjects1.vcproj/file"
check "an installation whose Orvane step stops ends with Orvane's status, 1" \
    same_text "$(run 'C:\TessaloomSetup.exe /S')" "exit 1"
check "and leaves 7.1 untouched" same_tree "$vs71" "$work/vs71-before"
check "and leaves 9.0 untouched" same_tree "$vs90" "$work/vs90-before"
check "and leaves no product files behind" test ! -e "$installed"

# One that reaches 7.1 but not 9.0 (status 3) leaves no templates anywhere.
chattr +i "$vs90/vcprojects"
trap 'chattr -i "$vs90/vcprojects"; wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
check "an installation that does not reach 9.0 ends with Orvane's status, 3" \
    same_text "$(run 'C:\TessaloomSetup.exe /S')" "exit 3"
chattr -i "$vs90/vcprojects"
check "and takes the templates from 7.1 again" same_tree "$vs71" "$work/vs71-before"
check "and leaves no product files behind" test ! -e "$installed"
finish
