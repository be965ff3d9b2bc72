#!/usr/bin/env bash
# The NSIS example, built with makensis and run silently (/S) with no
# display: installing adds the templates to both Visual Studio
# installations and customises the product's files, the uninstaller takes
# the templates away again, and an installation whose Orvane step fails
# ends with 10 plus Orvane's status, Visual Studio untouched and no product
# files left behind. Installing again, or another version over it, leaves
# one product with its templates; a silent installation where a display
# exists ends by itself. NSIS installers are 32-bit: this runs the x86 build.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
display=${DISPLAY:-}
unset DISPLAY
[ "$ORVANE_ARCH" = x86 ] || { echo "FAIL NSIS installers are 32-bit: give the x86 build"; exit 1; }
prefix=$(wine_new_prefix) || exit 1
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
vs_install_both_kept "$prefix" "$work"
# $PROGRAMFILES of a 32-bit installer on 64-bit Windows.
installed=$prefix/drive_c/Program\ Files\ \(x86\)/Tessaloom
root='C:\Program Files (x86)\Tessaloom\'

build() {  # build <version> <product folder> <installer>
    makensis -V2 -WX "-DVersion=$1" "-DOrvaneExe=$ORVANE_BUILD/Orvane.exe" "-DProductDir=$2" \
        "-DOutFile=$3" "$ORVANE_SOURCE_DIR/example/installer/Tessaloom.nsi"
}
check "the example builds with makensis, warnings as errors" \
    build 1.0.0 "$ORVANE_SOURCE_DIR/example/product" "$prefix/drive_c/TessaloomSetup.exe"

run() {  # run <command line>: runs it; prints its whole exit status
    printf '%s' "$1" >"$prefix/drive_c/nsis-command-line.txt"
    launch "$prefix" 'C:\nsis-command-line.txt' 300
}
# An uninstaller copies itself away and returns at once, unless it is told
# where the product is with _?=, the last word, unquoted.
uninstall() { run "\"${root}Uninstall.exe\" /S _?=${root%\\}"; }

check "the silent installation ends with exit code 0" same_text "$(run 'C:\TessaloomSetup.exe /S')" "exit 0"
check_installed_everywhere "$work" "$installed" "$root"
check "Orvane.exe and the uninstaller are beside the product" \
    same_text "$(cd "$installed" && ls)" "$(printf '%s\n' Include Lib Orvane.exe Samples Templates Uninstall.exe)"

listing() {  # whether the product is listed for removal, and as which version
    WINEPREFIX=$prefix wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaloom' \
        /v DisplayVersion /reg:32 2>/dev/null | tr -d '\r' | awk '/DisplayVersion/ { print "listed", $NF; found = 1 }
        END { if (!found) print "unlisted" }'
}
check "the product is listed for removal" same_text "$(listing)" "listed 1.0.0"

# Installed again into the same folder: one product, every launcher stamped
# once, both Visual Studio installations served.
check "installed again, it ends with exit code 0" same_text "$(run 'C:\TessaloomSetup.exe /S')" "exit 0"
check_installed_everywhere "$work" "$installed" "$root"
check "  one stamp a launcher" count_stamps "$installed/Templates/9.0/VCPlusPlus/TessaloomsMFC/AddDeskBand.vsz" \
    "$ORVANE_SOURCE_DIR/example/product/Templates/9.0/VCPlusPlus/TessaloomsMFC/AddDeskBand.vsz" "$root" 1
# Another version over it: its templates replace the earlier ones.
cp -a "$ORVANE_SOURCE_DIR/example/product" "$work/product11"
echo "new in 1.1" >"$work/product11/Templates/9.0/VCPlusPlus/TessaloomsMFC/NewIn11.txt"
build 1.1.0 "$work/product11" "$prefix/drive_c/TessaloomSetup11.exe"
# Silent where a display exists: Orvane.exe shows no window, none waits.
check "1.1 over 1.0, silent with a display present, ends by itself with exit code 0" \
    same_text "$(DISPLAY=$display run 'C:\TessaloomSetup11.exe /S')" "exit 0"
check "  one product is listed, 1.1" same_text "$(listing)" "listed 1.1.0"
check "  and 9.0 holds 1.1's templates" test -f "$vs90/vcprojectitems/TessaloomsMFC/NewIn11.txt"

# 1.0 over 1.1 is refused before anything changes, with its own exit code.
check "1.0 over 1.1 is refused with exit code 20" same_text "$(run 'C:\TessaloomSetup.exe /S')" "exit 20"
check "  1.1 stays listed, installed and in Visual Studio" same_text \
    "$(listing) $(ls "$installed/Templates/9.0/VCPlusPlus/TessaloomsMFC/NewIn11.txt" "$vs90/vcprojectitems/TessaloomsMFC/NewIn11.txt" | wc -l)" \
    "listed 1.1.0 2"

# 1.2 over 1.1 failing (it cannot reach 9.0): 1.1 is put back whole,
# files, templates and uninstall entry, and can still be uninstalled.
cp -a "$work/product11" "$work/product12"
echo "new in 1.2" >"$work/product12/Templates/7.1/VCPlusPlus/TessaloomsMFC/NewIn12.txt"
build 1.2.0 "$work/product12" "$prefix/drive_c/TessaloomSetup12.exe"
cp -a "$vs71" "$work/vs71-11"
chattr +i "$vs90/vcprojects"
check "1.2 over 1.1 that cannot reach 9.0 ends with 13" same_text "$(run 'C:\TessaloomSetup12.exe /S')" "exit 13"
chattr -i "$vs90/vcprojects"
check "  1.1 is listed again" same_text "$(listing)" "listed 1.1.0"
check "  and installed again, nothing of 1.2 in it or in 7.1" \
    test -f "$installed/Templates/9.0/VCPlusPlus/TessaloomsMFC/NewIn11.txt" -a \
    ! -e "$installed/Templates/7.1/VCPlusPlus/TessaloomsMFC/NewIn12.txt" -a \
    ! -e "$vs71/vcprojectitems/TessaloomsMFC/NewIn12.txt" -a ! -e "$installed/Previous.tmp"
# The failed installation changed no Visual Studio: 7.1 kept 1.1
# throughout (the put-back run, which cannot reach 9.0 either, changes none).
check "  with 1.1's templates in 7.1 as they were" same_tree "$vs71" "$work/vs71-11"

# 1.2 into a second folder, failing: only what it made goes; 1.1 keeps its
# files, its uninstall entry and its templates.
other=$prefix/drive_c/Other
chattr +i "$vs90/vcprojects"
check "1.2 into a second folder that cannot reach 9.0 ends with 13" \
    same_text "$(run 'C:\TessaloomSetup12.exe /S /D=C:\Other')" "exit 13"
chattr -i "$vs90/vcprojects"
check "  1.1 stays listed and installed, nothing of 1.2 in the second folder" \
    test "$(listing)" = "listed 1.1.0" -a -f "$installed/Orvane.exe" -a -z "$(ls -A "$other" 2>/dev/null)"
check "  and 7.1 holds 1.1's templates as they were" same_tree "$vs71" "$work/vs71-11"
# An installation interrupted after it set 1.1 aside: the next one puts it
# back first; a Previous.tmp without its Orvane.exe is kept, nothing changed.
mkdir "$installed/Previous.tmp"
mv "$installed/Templates" "$installed/Orvane.exe" "$installed/Previous.tmp/"
mkdir -p "$installed/Templates/7.1"
check "after an interrupted installation, 1.1 again ends with exit code 0" \
    same_text "$(run 'C:\TessaloomSetup11.exe /S')" "exit 0"
check "  with nothing left aside and 1.1 listed" test "$(listing)" = "listed 1.1.0" -a ! -e "$installed/Previous.tmp"
mkdir -p "$installed/Previous.tmp/Templates"
check "part of an installation in Previous.tmp: refused with exit code 22" \
    same_text "$(run 'C:\TessaloomSetup11.exe /S')" "exit 22"
check "  and kept" test -d "$installed/Previous.tmp/Templates" -a -f "$installed/Orvane.exe"
rm -rf "$installed/Previous.tmp"

check "the silent uninstallation ends with exit code 0" same_text "$(uninstall)" "exit 0"
check "and is no longer listed" same_text "$(listing)" unlisted
check "only the product's folders went from 7.1" same_tree "$vs71" "$work/vs71-before"
check "only the product's folders went from 9.0" same_tree "$vs90" "$work/vs90-before"
check "and the product went, but for the uninstaller that ran in place" \
    same_text "$(cd "$installed" && find . -mindepth 1)" "./Uninstall.exe"
rm -rf "$installed"

# A folder that is not empty where the rewriter puts its temporary file
# makes the sample impossible to customise: Orvane.exe stops with status 1.
# Its file cannot be deleted, so the installer's own clean-up leaves it too.
blocker=$installed/Samples/BandObjectsSample/BandObjects1.vcproj
mkdir -p "$blocker"
echo theirs >"$blocker/file"
chattr +i "$blocker/file"
trap 'chattr -i "$blocker/file"; wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
check "an installation whose Orvane step stops ends with 10 plus Orvane's status, 11" \
    same_text "$(run 'C:\TessaloomSetup.exe /S')" "exit 11"
check "and leaves 7.1 untouched" same_tree "$vs71" "$work/vs71-before"
check "and leaves 9.0 untouched" same_tree "$vs90" "$work/vs90-before"
check "and leaves no product files behind" \
    same_text "$(cd "$installed" && find . -type f)" "./Samples/BandObjectsSample/BandObjects1.vcproj/file"
chattr -i "$blocker/file"
rm -rf "$installed"

# One that reaches 7.1 but not 9.0 (status 3) leaves no templates anywhere.
chattr +i "$vs90/vcprojects"
trap 'chattr -i "$vs90/vcprojects"; wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
check "an installation that does not reach 9.0 ends with 10 plus Orvane's status, 13" \
    same_text "$(run 'C:\TessaloomSetup.exe /S')" "exit 13"
chattr -i "$vs90/vcprojects"
check "and takes the templates from 7.1 again" same_tree "$vs71" "$work/vs71-before"
check "and leaves no product files behind" test ! -e "$installed"
finish
