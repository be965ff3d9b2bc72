#!/usr/bin/env bash
# Deployment and removal by the real Orvane.exe, on the real file system,
# registry and shell, into two realistic Visual Studio installations.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
prefix=$(wine_new_prefix) || exit 1
trap 'wine_drop_prefix "$prefix"' EXIT
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT

product_install "$prefix"
vs_install_both "$prefix"
vs71=$prefix/$VS71_VC
vs90=$prefix/$VS90_VC
cp -a "$vs71" "$work/vs71-before"
cp -a "$vs90" "$work/vs90-before"
templates=$prefix/$PRODUCT_DIR/Templates

check "install ends" same_text "$(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"")" "exit 0"
expected_vc "$work/vs71-before" 7.1 "$work/vs71-expected" "$templates"
expected_vc "$work/vs90-before" 9.0 "$work/vs90-expected" "$templates"
check "7.1 holds its own entries and the product, file for file" same_tree "$vs71" "$work/vs71-expected"
check "9.0 holds its own entries and the product, file for file" same_tree "$vs90" "$work/vs90-expected"
check "7.1 keeps the shipped default.js for TessaloomsWiz" \
    same_files "$vs71/VCWizards/TessaloomsWiz/scripts/1033/default.js" \
    "$ORVANE_SOURCE_DIR/example/product/Templates/Templates/VCPlusPlus/TessaloomsWiz/scripts/1033/default.js"
check "9.0 runs the shipped default05.js as default.js" \
    same_files "$vs90/VCWizards/TessaloomsTemplateWiz/scripts/1033/default.js" \
    "$ORVANE_SOURCE_DIR/example/product/Templates/Templates/VCPlusPlus/TessaloomsTemplateWiz/scripts/1033/default05.js"
check "the VC folder spelled Vc7 is found, not doubled" test ! -e "$prefix/drive_c/Program Files/Microsoft Visual Studio .NET 2003/vc7"

check "second install ends" same_text "$(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"")" "exit 0"
expected_vc "$work/vs71-before" 7.1 "$work/vs71-expected" "$templates"
expected_vc "$work/vs90-before" 9.0 "$work/vs90-expected" "$templates"
check "installing twice leaves what installing once leaves (7.1)" same_tree "$vs71" "$work/vs71-expected"
check "installing twice leaves what installing once leaves (9.0)" same_tree "$vs90" "$work/vs90-expected"

check "removal ends" same_text "$(run_orvane "$prefix" "-u x")" "exit 0"
check "removal leaves 7.1 as it was" same_tree "$vs71" "$work/vs71-before"

# A product that carries one of Visual Studio's own wizard files: Visual
# Studio keeps its own; a wizard folder it lacks is added.
theirs=Templates/VCPlusPlus/AppWiz/Generic/Application/scripts/1033/default.js
mkdir -p "$(dirname "$templates/$theirs")" "$templates/Templates/VCPlusPlus/ExtraWiz"
echo "the product's" >"$templates/$theirs"
echo "extra" >"$templates/Templates/VCPlusPlus/ExtraWiz/extra.js"
check "a product carrying Visual Studio's own wizard script installs" \
    same_text "$(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"")" "exit 0"
check "  and Visual Studio's script stays its own" \
    same_files "$vs90/VCWizards/AppWiz/Generic/Application/scripts/1033/default.js" \
    "$work/vs90-before/VCWizards/AppWiz/Generic/Application/scripts/1033/default.js"
check "  while the wizard it lacked is added" test -f "$vs90/VCWizards/ExtraWiz/extra.js"
echo "extra, again" >"$templates/Templates/VCPlusPlus/ExtraWiz/extra.js"
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
check "  and the next installation updates it" \
    same_files "$vs71/VCWizards/ExtraWiz/extra.js" "$templates/Templates/VCPlusPlus/ExtraWiz/extra.js"
run_orvane "$prefix" "-u x" >/dev/null
check "  and the removal leaves Visual Studio's script as it was" \
    same_files "$vs71/VCWizards/AppWiz/Generic/Application/scripts/1033/default.js" \
    "$work/vs71-before/VCWizards/AppWiz/Generic/Application/scripts/1033/default.js"
check "  and takes away what the installation added, and its record" eval \
    'test ! -e "$vs71/VCWizards/ExtraWiz" -a ! -e "$vs90/VCWizards/ExtraWiz" &&
    ! WINEPREFIX=$prefix wine reg query "HKLM\\Software\\Orvane" /reg:32 >/dev/null 2>&1'
rm -r "$templates/Templates/VCPlusPlus/AppWiz" "$templates/Templates/VCPlusPlus/ExtraWiz"
check "removal leaves 9.0 as it was" same_tree "$vs90" "$work/vs90-before"

# Only one of the four folders present: just that one goes.
mkdir -p "$vs90/vcprojectitems/TessaloomsMFC/sub"
echo x >"$vs90/vcprojectitems/TessaloomsMFC/sub/x.txt"
check "remove x ends" same_text "$(run_orvane "$prefix" "remove x")" "exit 0"
check "removal with only vcprojectitems\\TessaloomsMFC deletes just that" same_tree "$vs90" "$work/vs90-before"

# A leftover vcprojects\TessaloomsMFC with a file in it held open: the new
# project templates replace it whole, never nest in it; the leftover stays
# aside until a later run can delete it.
mkdir -p "$vs90/vcprojects/TessaloomsMFC"
echo stale >"$vs90/vcprojects/TessaloomsMFC/stale.txt"
held=$(winpath "$vs90/vcprojects/TessaloomsMFC/stale.txt")
WINEPREFIX=$prefix wine "$ORVANE_BUILD/orvane_probe.exe" hold "$held" 40 >"$work/hold.out" 2>&1 &
holder=$!
for _ in $(seq 100); do grep -q held "$work/hold.out" 2>/dev/null && break; sleep 0.2; done
check "a file in the leftover folder is held open" grep -q held "$work/hold.out"
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null
check "the new project templates replace the leftover folder whole" \
    same_tree "$vs90/vcprojects/TessaloomsMFC" "$templates/9.0/VCPlusPlus/TessaloomProjectMFC"
check "the next run deletes what was set aside" \
    same_text "$(run_orvane "$prefix" "-u x"; ls -d "$vs90"/Orvane.* 2>/dev/null)" "exit 0"

# A registered version without a VC folder, and a prefix with nothing
# registered: nothing is created.
mkdir -p "$prefix/drive_c/VS8/Common7/IDE"
vs_register "$prefix" 8.0 'C:\VS8\Common7\IDE\'
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
check "a registered version without a VC folder is skipped" same_text "$(tree_listing "$prefix/drive_c/VS8")" "Common7/
Common7/IDE/"

# --- Installations and removals that do not reach every version: status 3 --------------
# Each leaves the other version served exactly as a complete run would.
unlock() { chattr -R -i "$vs71" "$vs90" "$templates" 2>/dev/null; }
mounted=
trap 'unlock; [ -n "$mounted" ] && umount "$mounted"; wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
run_orvane "$prefix" "-u x" >/dev/null
rm -rf "$prefix/drive_c/VS8"
# incomplete <what> <command line> <served|untouched>: status 3, 7.1 as
# after a complete run or exactly as it was, and 9.0 exactly as it was.
incomplete() {
    tree_listing "$vs71" >"$work/vs71-now"
    tree_listing "$vs90" | grep -v '^Orvane\.old' >"$work/vs90-now"
    check "$1: status 3" same_text "$(run_orvane "$prefix" "$2")" "exit 3"
    check "  and 9.0 is exactly as it was" \
        same_text "$(tree_listing "$vs90" | grep -v -e '^Orvane\.old' -e '^filler')" "$(grep -v '^filler' "$work/vs90-now")"
    if [ "$3" = untouched ]; then
        check "  and so is 7.1" same_text "$(tree_listing "$vs71")" "$(cat "$work/vs71-now")"
    elif [ "$2" = "-u x" ]; then
        check "  and 7.1 lost the product's folders all the same" same_tree "$vs71" "$work/vs71-before"
    else
        # The launchers carry one more stamp after every installation.
        expected_vc "$work/vs71-before" 7.1 "$work/vs71-expected" "$templates"
        check "  and 7.1 got everything all the same" same_tree "$vs71" "$work/vs71-expected"
    fi
}
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
if chattr +i "$vs90/vcprojects" 2>/dev/null; then
    # A switch that fails in one version puts back the one switched before it.
    incomplete "9.0's vcprojects folder cannot be written" "-i \"$PRODUCT_TEMPLATES\"" untouched
    unlock
else
    check "a folder can be made unwritable" false
fi
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
chattr +i "$vs90/VCWizards/TessaloomsWiz/scripts/1033/default.js"
check "a wizard folder of 9.0 that cannot be deleted: the removal still ends 0" \
    same_text "$(run_orvane "$prefix" "-u x")" "exit 0"
check "  and Visual Studio no longer sees it, while it waits aside" \
    test ! -e "$vs90/VCWizards/TessaloomsWiz" -a -f "$vs90/Orvane.leftovers/1/VCWizards/TessaloomsWiz/scripts/1033/default.js"
unlock
check "  and the next run deletes it" \
    same_text "$(run_orvane "$prefix" "-u x"; ls -d "$vs90"/Orvane.* 2>/dev/null)" "exit 0"
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
# The disk under 9.0's VC folder fills while the new templates are staged:
# no Visual Studio changes.
cp -a "$vs90" "$work/vs90-saved"
if mount -t tmpfs -o size=256k tmpfs "$vs90" 2>/dev/null; then
    mounted=$vs90
    cp -a "$work/vs90-saved/." "$vs90/"
    free=$(df --output=avail -B1 "$vs90" | tail -1)
    head -c $((free - 24576)) /dev/zero >"$vs90/filler" 2>/dev/null
    incomplete "the disk fills during 9.0's copy" "-i \"$PRODUCT_TEMPLATES\"" untouched
    umount "$vs90" && mounted=
else
    echo "note: no tmpfs can be mounted here; the unit tests' copies that do not arrive stand in for a full disk"
fi
run_orvane "$prefix" "-u x" >/dev/null

bare=$(wine_new_prefix) || exit 1
trap 'unlock; wine_drop_prefix "$prefix"; wine_drop_prefix "$bare"; rm -rf "$work"' EXIT
product_install "$bare"
before=$(tree_listing "$bare/drive_c" | grep -v '^Program Files/Tessaloom/' | grep -v '^users/')
run_orvane "$bare" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
run_orvane "$bare" "-u x" >/dev/null
after=$(tree_listing "$bare/drive_c" | grep -v '^Program Files/Tessaloom/' | grep -v '^users/')
check "with nothing registered nothing outside the product is touched" same_text "$after" "$before"

finish
