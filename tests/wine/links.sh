#!/usr/bin/env bash
# Links planted in a product folder that others can write lead the elevated
# Orvane.exe nowhere. Each kind is planted in turn in a product at C:\Kit,
# pointing at files and folders outside it: nothing outside changes, and
# nothing from outside reaches Visual Studio. A product reached through a
# link at or above its own folder still installs.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
prefix=$(wine_new_prefix) || exit 1
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
c=$prefix/drive_c
kit=$c/Kit
vc=$c/VS9/VC
mkdir -p "$vc"
vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
fresh_product() {
    rm -rf "$kit"
    mkdir -p "$kit"
    cp -a "$ORVANE_SOURCE_DIR/example/product/." "$kit/"
    run_orvane "$prefix" "-u x" >/dev/null
}

# What others must not be able to reach: a file, and a folder holding a
# project file and a secret.
outside=$c/Outside
mkdir -p "$outside/Project"
echo "not for everyone" >"$outside/secret.txt"
cp "$ORVANE_SOURCE_DIR/example/product/Samples/BandObjectsSample/BandObjects.vcproj" "$outside/Project/"
cp "$outside/secret.txt" "$outside/Project/"
outside_before=$(tree_listing "$outside")
samples=$kit/Samples
launchers=$kit/Templates/9.0/VCPlusPlus/TessaloomsMFC

# planted <what> <expected status>: runs an installation and a removal, and
# checks that nothing outside changed and nothing from it reached 9.0.
planted() {
    check "$1: the installation ends with status $2" \
        same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates\')" "exit $2"
    check "  nothing outside the product changed" same_text "$(tree_listing "$outside")" "$outside_before"
    check "  nothing from outside reached Visual Studio" \
        test -z "$(grep -rl 'not for everyone' "$vc" 2>/dev/null)"
    run_orvane "$prefix" "-u x" >/dev/null
    check "  and the removal leaves it unchanged too" same_text "$(tree_listing "$outside")" "$outside_before"
}

fresh_product
ln -s "$outside/secret.txt" "$samples/BandObjectsSample/BandObjects1.vcproj"
# Wine shows a symbolic link to a file as a plain file and deletes what it
# leads to: the name cannot be cleared without following it, so the
# installation stops (where the system shows the link, the link itself goes).
planted "a symbolic link at a temporary project name" 1

fresh_product
ln "$outside/secret.txt" "$samples/BrowserHelperObjectSample/BHOSample1.vcproj"
planted "a hard link at a temporary project name" 0
check "  the name itself went, the file it shared stayed" \
    test ! -e "$samples/BrowserHelperObjectSample/BHOSample1.vcproj"

fresh_product
ln -f "$outside/Project/BandObjects.vcproj" "$samples/BandObjectsSample/BandObjects.vcproj"
planted "a hard link in place of a sample project" 1

fresh_product
rm -rf "$samples/CopyHookExtensionSample"
ln -s "$outside/Project" "$samples/CopyHookExtensionSample"
cp "$outside/Project/BandObjects.vcproj" "$outside/Project/ShellOperationsLog.vcproj"
outside_before=$(tree_listing "$outside")
planted "a sample folder that is a symbolic link to a folder elsewhere" 1

fresh_product
ln -sf "$outside/secret.txt" "$launchers/AddDeskBand.vsz"
planted "a symbolic link in place of a wizard launcher" 1
fresh_product
ln -f "$outside/secret.txt" "$launchers/AddToolBand.vsz"
planted "a hard link in place of a wizard launcher" 1

fresh_product
ln -s "$outside/secret.txt" "$kit/Templates/9.0/VCPlusPlus/TessaloomProjectMFC/secret.txt"
planted "a symbolic link to a file among the templates" 1
fresh_product
ln -s "$outside" "$kit/Templates/Templates/VCPlusPlus/TessaloomsWiz/More"
planted "a symbolic link to a folder among the wizards" 1
check "  and the product's samples are as shipped" \
    same_files "$samples/BandObjectsSample/BandObjects.vcproj" \
    "$ORVANE_SOURCE_DIR/example/product/Samples/BandObjectsSample/BandObjects.vcproj"

# Visual Studio installed where others can write: links planted in its own
# template folders are never followed. Wine cannot remove a link itself, so
# it waits aside, where Visual Studio does not look, and the run says so.
fresh_product
run_orvane "$prefix" '-i C:\Kit\Templates\' >/dev/null
ln -s "$outside/Project" "$vc/vcprojects/TessaloomsMFC/Planted"
ln -s "$outside/secret.txt" "$vc/vcprojects/TessaloomsMFC/secret.vsz"
check "links planted among Visual Studio's templates: the removal ends with status 0" \
    same_text "$(run_orvane "$prefix" "-u x")" "exit 0"
check "  nothing outside changed" same_text "$(tree_listing "$outside")" "$outside_before"
check "  everything of Orvane's went, the links set aside where Visual Studio does not look" \
    same_text "$(find "$vc/vcprojects" "$vc/vcprojectitems" "$vc/VCWizards" -mindepth 1; ls -A "$vc/Orvane.leftovers/1/vcprojects/TessaloomsMFC")" \
    "$(printf 'Planted\nsecret.vsz')"
for words in '-i C:\Kit\Templates\' '-u x' '-i C:\Kit\Templates\' '-u x'; do
    run_orvane "$prefix" "$words" >/dev/null
done
check "  four more runs: Orvane's names in the VC folder and the leftovers grow no further" \
    same_text "$(cd "$vc" && ls -d Orvane.* && ls Orvane.leftovers)" "$(printf 'Orvane.leftovers\n1')"
check "  nothing outside changed" same_text "$(tree_listing "$outside")" "$outside_before"
ln -s "$outside/Project" "$vc/vcprojects/TessaloomsMFC"
check "Visual Studio's template folder planted as a link: the installation ends with status 3" \
    same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates\')" "exit 3"
check "  nothing outside changed" same_text "$(tree_listing "$outside")" "$outside_before"
check "  and 9.0 is left as it was, untouched" test ! -e "$vc/vcprojectitems/TessaloomsMFC"
rm "$vc/vcprojects/TessaloomsMFC"
# Links at the three folders themselves: that version is not served, and
# nothing is written or deleted through them.
run_orvane "$prefix" '-i C:\Kit\Templates\' >/dev/null
for top in vcprojects vcprojectitems VCWizards; do
    mv "$vc/$top" "$work/$top.real"
    mkdir -p "$outside/$top"
    ln -s "$outside/$top" "$vc/$top"
    check "$top planted as a link: installation and removal end with status 3" \
        same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates\'; run_orvane "$prefix" '-u x')" "exit 3
exit 3"
    check "  nothing is written through it" test -z "$(ls -A "$outside/$top")"
    rm "$vc/$top"
    rmdir "$outside/$top"
    mv "$work/$top.real" "$vc/$top"
done

# A race: while installations run, a template file and a link to a file
# outside trade names over and over (an atomic exchange), so that a check
# of the name and a later use of it may meet different things. On Windows
# the entry opened is the link itself, and decided on its handle. Wine
# follows every link it opens and looks a handle's real path up again by
# name, so there a fast enough swap can still be copied (the run says how
# often); what must hold even there is that nothing outside is ever
# written or deleted, and that every run ends with a truthful status.
fresh_product
template=$kit/Templates/9.0/VCPlusPlus/TessaloomProjectMFC/TessaloomProjectMFC.vsdir
ln -s "$outside/secret.txt" "$kit/Swap"
python3 - "$template" "$kit/Swap" "$work/stop" <<'PY' &
import ctypes, os, sys
libc = ctypes.CDLL(None, use_errno=True)
a, b, stop = (os.fsencode(p) for p in sys.argv[1:])
AT_FDCWD, RENAME_EXCHANGE = -100, 2
while not os.path.exists(stop):
    for _ in range(200):
        libc.renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE)
PY
swapper=$!
statuses= reached=0
for run in 1 2 3 4 5 6; do
    statuses="$statuses $(run_orvane "$prefix" '-i C:\Kit\Templates\')"
    [ -n "$(grep -rl 'not for everyone' "$vc" 2>/dev/null)" ] && reached=$((reached + 1))
done
touch "$work/stop"
wait "$swapper"
if [ -L "$template" ]; then
    mv -T "$kit/Swap" "$work/real" && mv -T "$template" "$kit/Swap" && mv -T "$work/real" "$template"
fi
echo "note: under Wine the outside file reached Visual Studio in $reached of 6 raced runs"
check "a template swapped with a link while installations run ends each with 0, 1 or 3:$statuses" \
    test -z "$(tr -d ' 013' <<<"${statuses//exit/}")"
check "  nothing outside changed" same_text "$(tree_listing "$outside")" "$outside_before"
check "  and the next installation completes, with nothing from outside" \
    same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates\'; grep -rl 'not for everyone' "$vc")" "exit 0"
rm "$kit/Swap"

# The installer's own choice: the product folder reached through a link.
fresh_product
mv "$kit" "$c/RealKit"
ln -s "$c/RealKit" "$kit"
check "a product reached through a link to its folder installs" \
    same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates\')" "exit 0"
check "  and its samples are rewritten" \
    grep -q 'AdditionalIncludeDirectories="C:\\Kit\\Include"' "$c/RealKit/Samples/BandObjectsSample/BandObjects.vcproj"
check "  and 9.0 has its templates" test -f "$vc/vcprojectitems/TessaloomsMFC/AddDeskBand.vsz"
rm "$kit"
mv "$c/RealKit" "$kit"
finish
