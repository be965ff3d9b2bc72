#!/usr/bin/env bash
# The Windows Installer example, built with wixl and run by Wine's msiexec
# with no display: installing adds the templates to both Visual Studio
# installations and customises the product's files, removing the product
# takes the templates away again, and an installation whose Orvane step
# fails makes msiexec fail and leaves Visual Studio untouched. Then the
# product's life: an upgrade, a refused downgrade, a repair after another
# Visual Studio arrived, and the removal.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
prefix=$(wine_new_prefix) || exit 1
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
vs_install_both_kept "$prefix" "$work"
# The package is built for the program's architecture; either way the
# example names ProgramFilesFolder, the 32-bit one.
installed=$prefix/drive_c/Program\ Files\ \(x86\)/Tessaloom
root='C:\Program Files (x86)\Tessaloom\'

# wixl (msitools 0.101) cannot write a custom action that runs an EXE from
# the Binary table: it leaves the row out. It is added as the WiX toolset
# writes it: 0x2 (EXE in the Binary table), 0x40 (return ignored), 0x100
# (rollback), 0x400 (in the script) and 0x800 (not impersonated).
fix_rollback_action() {
    msibuild "$1" -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`)
        VALUES ('UndoTemplates', 3394, 'OrvaneForRollback', '-u x')"
}

# build_package <version> <product folder> <package>: wixl takes sources
# relative to where it runs.
build_package() {
    rm -rf "$work/msi"
    mkdir -p "$work/msi"
    cp "$ORVANE_BUILD/Orvane.exe" "$work/msi/"
    cp -a "$2" "$work/msi/product"
    (cd "$work/msi" && find product -type f | LC_ALL=C sort |
        wixl-heat -p product/ --directory-ref INSTALLDIR --component-group ProductFiles \
            --var var.ProductDir >ProductFiles.wxs &&
        wixl -a "$ORVANE_ARCH" -D Version="$1" -D OrvaneExe=Orvane.exe -D ProductDir=product -o "$3" \
            "$ORVANE_SOURCE_DIR/example/installer/Tessaloom.wxs" ProductFiles.wxs \
            2> >(grep -v "assertion 'Source != NULL' failed" >&2) &&
        fix_rollback_action "$3")
}
build_package 1.0.0 "$ORVANE_SOURCE_DIR/example/product" "$prefix/drive_c/Tessaloom.msi"
check "the example builds with wixl" test -s "$prefix/drive_c/Tessaloom.msi"

msiexec() {  # msiexec <option> [package [properties]]: prints its whole exit status
    printf 'msiexec %s C:\\%s /qn %s' "$1" "${2:-Tessaloom.msi}" "${3:-}" >"$prefix/drive_c/msiexec-command-line.txt"
    launch "$prefix" 'C:\msiexec-command-line.txt' 300
}

check "msiexec /i ends with status 0" same_text "$(msiexec /i)" "exit 0"
check_installed_everywhere "$work" "$installed" "$root"

check "msiexec /x ends with status 0" same_text "$(msiexec /x)" "exit 0"
check "only the product's folders went from 7.1" same_tree "$vs71" "$work/vs71-before"
check "only the product's folders went from 9.0" same_tree "$vs90" "$work/vs90-before"
check "and the product itself went" test ! -e "$installed"

# A folder that is not empty where the rewriter puts its temporary file
# makes the sample impossible to customise: Orvane.exe stops with status 1.
mkdir -p "$installed/Samples/BandObjectsSample/BandObjects1.vcproj"
echo theirs >"$installed/Samples/BandObjectsSample/BandObjects1.vcproj/file"
# Windows Installer reports 1603 for a failed custom action, Wine's 1627.
failed=$(msiexec /i)
echo "msiexec: $failed"
check "an installation whose Orvane step fails makes msiexec fail" grep -qxE 'exit 16(03|27)' <<<"$failed"
check "and leaves 7.1 untouched" same_tree "$vs71" "$work/vs71-before"
check "and leaves 9.0 untouched" same_tree "$vs90" "$work/vs90-before"
check "and is rolled back" same_text "$(cd "$installed" && find . -type f)" "./Samples/BandObjectsSample/BandObjects1.vcproj/file"
rm -rf "$installed"

# An installation that reaches 7.1 but not 9.0 ends with status 3: msiexec
# fails, and its rollback takes the templates from 7.1 again.
chattr +i "$vs90/vcprojects"
trap 'chattr -i "$vs90/vcprojects"; wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
failed=$(msiexec /i)
chattr -i "$vs90/vcprojects"
echo "msiexec: $failed"
check "an installation that ends with status 3 makes msiexec fail" grep -qxE 'exit 16(03|27)' <<<"$failed"
check "and its rollback leaves no templates in 7.1" same_tree "$vs71" "$work/vs71-before"
check "nor in 9.0" same_tree "$vs90" "$work/vs90-before"
check "and the product is rolled back" same_text "$(cd "$installed" 2>/dev/null && find . -type f)" ""

# --- The product's life ------------------------------------------------------------------
# 1.1 ships one more template, so that Visual Studio shows whose it holds.
cp -a "$ORVANE_SOURCE_DIR/example/product" "$work/product11"
echo "new in 1.1" >"$work/product11/Templates/9.0/VCPlusPlus/TessaloomsMFC/NewIn11.txt"
build_package 1.1.0 "$work/product11" "$prefix/drive_c/Tessaloom11.msi"
listed() {  # the versions of the product Windows Installer lists, one a line
    local view attempt keys
    for view in 32 64; do
        # A query that fails for another reason than a missing key (its Wine
        # lost the server as it started, as can happen right after msiexec
        # ends) says nothing of what is listed: once more, up to five times.
        for attempt in 1 2 3 4 5; do
            keys=$(WINEPREFIX=$prefix wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
                /s /reg:$view 2>"$work/reg.err") && break
            cat "$work/reg.err" - <<<"$keys" | grep -q 'Unable to find the specified registry key' && break
            echo "note: the registry query failed (attempt $attempt): $(head -c 200 "$work/reg.err")" >&2
            sleep 1
        done
        tr -d '\r' <<<"$keys" |
            awk '/^HKEY/ { name = ""; version = "" } /DisplayName/ && /Tessaloom Templates/ { name = 1 }
                 /DisplayVersion/ { version = $NF } name && version { print version; name = "" }'
    done | sort -u
}
new11=$vs90/vcprojectitems/TessaloomsMFC/NewIn11.txt
check "1.0 installs" same_text "$(msiexec /i)" "exit 0"
check "1.1 over it ends with status 0" same_text "$(msiexec /i Tessaloom11.msi)" "exit 0"
check "  one product is listed, 1.1" same_text "$(listed)" "1.1.0"
check "  and Visual Studio holds 1.1's templates" test -f "$new11"
cp -a "$vs71" "$work/vs71-11"
cp -a "$vs90" "$work/vs90-11"
refused=$(msiexec /i)
echo "msiexec: $refused"
check "1.0 over 1.1 is refused" grep -qxE 'exit 16(03|27)' <<<"$refused"
check "  the templates are as they were" same_text "$(same_tree "$vs71" "$work/vs71-11"; same_tree "$vs90" "$work/vs90-11")" ""
check "  and 1.1 is still the one listed" same_text "$(listed)" "1.1.0"
# Visual Studio 2005 arrives after the product: a repair serves it too.
vs80=$prefix/drive_c/VS8/VC
vs_layout "$vs80"
vs_register "$prefix" 8.0 'C:\VS8\Common7\IDE\'
check "a repair ends with status 0" same_text "$(msiexec /i Tessaloom11.msi 'REINSTALL=ALL REINSTALLMODE=omus')" "exit 0"
check "  and gives the templates to the Visual Studio that came later" \
    test -f "$vs80/vcprojects/TessaloomsMFC/TessaloomProjectMFC.vsz"
check "  while the others keep theirs" test -f "$new11"
# A repair that fails (9.0 cannot be written) is rolled back, and the
# product keeps its templates: the rollback that takes them away is only
# for an installation from nothing.
cp -a "$vs71" "$work/vs71-repair"
chattr +i "$vs90/vcprojects"
failed=$(msiexec /i Tessaloom11.msi 'REINSTALL=ALL REINSTALLMODE=omus /l*v C:\repair.log')
chattr -i "$vs90/vcprojects"
echo "msiexec: $failed"
check "a repair that cannot reach 9.0 fails" grep -qxE 'exit 16(03|27)' <<<"$failed"
check "  and leaves the templates of the installed product" \
    same_text "$(same_tree "$vs71" "$work/vs71-repair"; test -f "$new11" || echo "9.0 lost them")" ""
# Wine's msiexec leaves them even where the rollback action is scheduled
# (it does not run it for a repair), so its log says whether it was.
check "  its rollback action, which would take them away, not even scheduled" \
    test -z "$({ iconv -f UTF-16LE -t UTF-8 "$prefix/drive_c/repair.log" 2>/dev/null; cat "$prefix/drive_c/repair.log"; } |
        tr -d '\0' | grep -a 'Action start .*: UndoTemplates')"
check "removing 1.1 ends with status 0" same_text "$(msiexec /x Tessaloom11.msi)" "exit 0"
check "  no templates stay" same_text "$(ls "$vs71"/* "$vs90"/* "$vs80"/* | grep Tessaloom)" ""
check "  and no product is listed" same_text "$(listed)" ""
finish
