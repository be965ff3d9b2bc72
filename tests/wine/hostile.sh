#!/usr/bin/env bash
# Hostile inputs for the real Orvane.exe: paths around the tree operations'
# 258-character limit, templates folders that are missing, a file, or named
# in the Windows-1252 code page, odd registry values, a VC folder that is a
# file, a wizard without its newer script, and a full disk.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
prefix=$(wine_new_prefix) || exit 1
mounted=
trap '[ -n "$mounted" ] && umount "$mounted"; wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
c=$prefix/drive_c
product=$ORVANE_SOURCE_DIR/example/product
mkdir -p "$c/VS9/VC"
vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
vc=$c/VS9/VC
clean_vc() { run_orvane "$prefix" "-u x" >/dev/null; }

# --- Paths around the limit -----------------------------------------------------------
# The first copy's source is TemplatesDir + "9.0\VCPlusPlus\TessaloomProjectMFC"
# (34 characters more).
long_templates() {  # a TemplatesDir of $1 characters, made of folders of at most 100
    local want=$1 path='C:\L' part
    while [ $((${#path} + 1 + 100 + 11)) -lt "$want" ]; do
        path="$path\\$(printf 'p%.0s' $(seq 100))"
    done
    part=$((want - ${#path} - 11))
    path="$path\\$(printf 'q%.0s' $(seq "$part"))\\Templates\\"
    echo "$path"
}
for n in 257 258 259 260 1000; do
    templates=$(long_templates $((n - 34)))
    unix="$c/${templates#C:\\}"
    unix=${unix//\\//}
    mkdir -p "$unix"
    cp -a "$product/Templates/9.0" "$product/Templates/Templates" "$unix/"
    clean_vc
    out=$(run_orvane "$prefix" "-i $templates")
    # The product's files inside such folders pass Windows' own MAX_PATH:
    # Wine cannot tell their real paths (nor, past it, the product folder's
    # own), so they cannot be looked at for links and nothing is touched
    # (the copy's own refusal of longer paths, never cut short, is tested
    # natively).
    check "a copy source of $n characters: the product cannot be looked at whole, status 1" \
        same_text "$out" "exit 1"
    check "  and nothing reaches Visual Studio" \
        same_text "$(ls "$vc/vcprojects" "$vc/vcprojectitems" 2>/dev/null)" ""
    rm -rf "$c/L"
done

# --- Templates folders that are not what they should be --------------------------------
clean_vc
before=$(tree_listing "$c" | grep -v -e '^users/' -e '^windows/')
check "a missing templates folder: the run stops with status 1" same_text "$(run_orvane "$prefix" '-i C:\Nowhere\Templates\')" "exit 1"
echo file >"$c/AFile"
check "a templates folder that is a file: the run stops with status 1" same_text "$(run_orvane "$prefix" '-i C:\AFile')" "exit 1"
check "neither creates anything" same_text "$(tree_listing "$c" | grep -v -e '^users/' -e '^windows/' -e '^AFile' -e '^orvane-')" \
    "$(grep -v -e '^orvane-' <<<"$before")"

# Windows-1252: the product lies in "C:\Produkt<e-acute>\"; Wine names the
# folder in UTF-8 on the Linux side, the program sees the byte 0xE9.
mkdir -p "$c/Produkté"
cp -a "$product/." "$c/Produkté/"
run_orvane "$prefix" $'-i C:\\Produkt\xe9\\Templates' >/dev/null
check "a Windows-1252 path: the rewritten lines hold its bytes exactly" \
    grep -q $'AdditionalIncludeDirectories="C:\\\\Produkt\xe9\\\\Include"' \
    "$c/Produkté/Samples/BandObjectsSample/BandObjects.vcproj"
check "  and so does the Param line" grep -q $'^Param="BASE_DIR = C:\\\\Produkt\xe9\\\\"$' \
    "$c/Produkté/Templates/9.0/VCPlusPlus/TessaloomsMFC/AddDeskBand.vsz"
check "  and the templates are deployed" test -f "$vc/vcprojectitems/TessaloomsMFC/AddDeskBand.vsz"

# --- Registry values ------------------------------------------------------------------------
mkdir -p "$c/Kit"
cp -a "$product/." "$c/Kit/"
set_binary() {  # InstallDir of 9.0 as the bytes of $1, no zero byte added
    local hex
    hex=$(printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n')
    WINEPREFIX=$prefix wine reg add 'HKLM\Software\Microsoft\VisualStudio\9.0' /v InstallDir \
        /t REG_BINARY /d "$hex" /reg:32 /f >/dev/null 2>&1
}
for n in 99 100 101 160; do
    ide="C:\\B$n$(printf 'b%.0s' $(seq "$n"))"
    ide="${ide:0:$((n - 13))}\\Common7\\IDE\\"
    [ ${#ide} -eq $n ] || { echo "bad length ${#ide} for $n"; exit 1; }
    dir=${ide%\\Common7\\IDE\\}
    mkdir -p "$c/${dir#C:\\}/VC"
    set_binary "$ide"
    run_orvane "$prefix" '-i C:\Kit\Templates' >/dev/null
    check "binary InstallDir of $n bytes without a zero byte is used" test -d "$c/${dir#C:\\}/VC/vcprojects/TessaloomsMFC"
    run_orvane "$prefix" '-u x' >/dev/null
done
# An empty value gives the root ..\..\, relative to the folder the program
# starts in: here C:\Start\a\b, so the VC folder is C:\Start\VC.
mkdir -p "$c/Start/a/b" "$c/Start/VC"
WINEPREFIX=$prefix wine reg add 'HKLM\Software\Microsoft\VisualStudio\9.0' /v InstallDir \
    /t REG_BINARY /d '' /reg:32 /f >/dev/null 2>&1
check "an InstallDir of 0 bytes: the run completes" \
    same_text "$(ORVANE_CWD=$c/Start/a/b run_orvane "$prefix" '-i C:\Kit\Templates')" "exit 0"
check "  and the root ..\\..\\ is taken relative to where it starts, wizards and all" \
    test -f "$c/Start/VC/VCWizards/TessaloomsWiz/scripts/1033/default.js"
ORVANE_CWD=$c/Start/a/b run_orvane "$prefix" '-u x' >/dev/null
# A REG_MULTI_SZ: the text up to the first zero byte is the first string.
mkdir -p "$c/VSM/VC"
WINEPREFIX=$prefix wine reg add 'HKLM\Software\Microsoft\VisualStudio\9.0' /v InstallDir \
    /t REG_MULTI_SZ /s '|' /d 'C:\VSM\Common7\IDE\|C:\Other\' /reg:32 /f >/dev/null 2>&1
run_orvane "$prefix" '-i C:\Kit\Templates' >/dev/null
check "a REG_MULTI_SZ InstallDir gives its first string" test -d "$c/VSM/VC/vcprojects/TessaloomsMFC"
run_orvane "$prefix" '-u x' >/dev/null

# --- Visual Studio folders that are not what they should be --------------------------------
mkdir -p "$c/VSF"
echo "not a folder" >"$c/VSF/VC"
vs_register "$prefix" 9.0 'C:\VSF\Common7\IDE\'
check "a VC folder that is a file: the run ends" same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates')" "exit 0"
check "  and the file is untouched" same_text "$(cat "$c/VSF/VC")" "not a folder"
vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
# A product that is not what it must be stops before anything changes.
run_orvane "$prefix" '-i C:\Kit\Templates' >/dev/null
installed=$(tree_listing "$vc")
unfit() {  # $1: what; the product is put right again afterwards
    check "$1: the run stops with status 1" same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates')" "exit 1"
    check "  and Visual Studio keeps what it had" same_text "$(tree_listing "$vc")" "$installed"
}
kit=$c/Kit/Templates
mv "$kit/Templates/VCPlusPlus/TessaloomsWiz/scripts/1033/default05.js" "$work/default05.js"
unfit "a wizard without default05.js"
mv "$work/default05.js" "$kit/Templates/VCPlusPlus/TessaloomsWiz/scripts/1033/default05.js"
truncate -s 1G "$kit/9.0/VCPlusPlus/TessaloomsMFC/sparse.bin"
unfit "a sparse file of 1 GB in the product"
rm "$kit/9.0/VCPlusPlus/TessaloomsMFC/sparse.bin"
echo device >"$kit/Templates/VCPlusPlus/TessaloomsWiz/nul.txt"
unfit "a name Windows keeps for a device in the product"
rm "$kit/Templates/VCPlusPlus/TessaloomsWiz/nul.txt"

# --- A product root with XML's own characters ------------------------------------------
mkdir -p "$c/R&D Kit"
cp -a "$product/." "$c/R&D Kit/"
check "a product at C:\\R&D Kit installs" same_text "$(run_orvane "$prefix" '-i "C:\R&D Kit\Templates"')" "exit 0"
check "  and every rewritten project is well-formed XML, naming it escaped" python3 - "$c/R&D Kit/Samples" <<'PY'
import pathlib, sys, xml.etree.ElementTree as tree
projects = sorted(pathlib.Path(sys.argv[1]).rglob("*.vcproj"))
for project in projects:
    tree.parse(project)
    assert b'"C:\\R&amp;D Kit\\Include"' in project.read_bytes(), project
sys.exit(0 if len(projects) == 23 else 1)
PY
clean_vc

# --- Names the code page cannot hold: exact or refused, never a look-alike ---------------
# Omega is not in Windows-1252, whose best fit makes it "O": each case has
# a decoy at the look-alike name, where any user could have made it.
rm -rf "$c/Kit"
mkdir -p "$c/Kit" "$c/KitΩ" "$c/KitO"
for kit in Kit KitΩ KitO; do cp -a "$product/." "$c/$kit/"; done
clean_vc
check "a templates word the code page cannot hold is refused with status 2" \
    same_text "$(run_orvane "$prefix" '-i C:\KitΩ\Templates' 60 'unicode output=C:\told.txt')" "exit 2"
check "  and says why" grep -q 'has a character the code page cannot hold exactly' "$c/told.txt"
check "  and the decoy's templates reach nobody" same_text "$(ls "$vc/vcprojects" 2>/dev/null)" ""
mkdir -p "$c/VSΩ/VC" "$c/VSO/VC"
LC_ALL=C.UTF-8 WINEPREFIX=$prefix wine reg add 'HKLM\Software\Microsoft\VisualStudio\8.0' /v InstallDir \
    /d 'C:\VSΩ\Common7\IDE\' /reg:32 /f >/dev/null 2>&1
check "an InstallDir the code page cannot hold: that version is not served, status 3" \
    same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates')" "exit 3"
check "  neither it nor its decoy gets anything" test -z "$(find "$c/VSΩ/VC" "$c/VSO/VC" -mindepth 1)"
check "  while 9.0 is served" test -f "$vc/vcprojectitems/TessaloomsMFC/AddDeskBand.vsz"
WINEPREFIX=$prefix wine reg delete 'HKLM\Software\Microsoft\VisualStudio\8.0' /reg:32 /f >/dev/null 2>&1
clean_vc
# A link whose name has a fullwidth full stop, which best fit makes ".".
echo "not for everyone" >"$work/secret.txt"
ln -s "$work/secret.txt" "$c/Kit/Templates/Templates/VCPlusPlus/TessaloomsWiz/secret．"
check "a link named with a character the code page cannot hold stops the installation, status 1" \
    same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates')" "exit 1"
check "  and nothing from it reaches Visual Studio" test -z "$(grep -rl 'not for everyone' "$vc" 2>/dev/null)"
rm "$c/Kit/Templates/Templates/VCPlusPlus/TessaloomsWiz/secret．"

# --- Orvane's names planted in the VC folder ----------------------------------------------
clean_vc
for n in $(seq 100); do mkdir "$vc/Orvane.staging.$n"; done
mkdir -p "$vc/Orvane.staging" "$vc/Orvane.install/vcprojectitems/EvilItems" "$vc/Orvane.install/VCWizards/EvilWiz"
ln -s "$work" "$vc/Orvane.staging/stuck"
mkdir -p "$vc/Orvane.install/vcprojects"
echo planted >"$vc/Orvane.install/vcprojects/Evil.vsz"
check "100 planted Orvane names, a journal of foreign names and undeletable staging: the removal ends 0" \
    same_text "$(run_orvane "$prefix" "-u x")" "exit 0"
check "  no foreign entry reached Visual Studio" \
    test -z "$(find "$vc/vcprojects" "$vc/vcprojectitems" "$vc/VCWizards" -iname 'evil*' 2>/dev/null)"
check "  the installation ends 0 too" same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates')" "exit 0"
check "  and of Orvane's names only the leftovers stay, holding the stuck staging" \
    same_text "$(cd "$vc" && ls -d Orvane.*; ls "$vc/Orvane.leftovers")" "$(printf 'Orvane.leftovers\n1')"
rm -rf "$vc/Orvane.leftovers"

# --- Two versions registered at one folder -------------------------------------------------
vs_register "$prefix" 8.0 'C:\VS9\Common7\IDE\'
vs_register "$prefix" 7.1 'C:\VS71\Common7\IDE\'
mkdir -p "$c/VS71/Vc7"
check "8.0 and 9.0 at one folder, and 7.1: the installation ends 0" \
    same_text "$(run_orvane "$prefix" '-i C:\Kit\Templates' 60 'output=C:\shared.txt')" "exit 0"
check "  saying which versions share it, 9.0's templates there and 7.1 served" \
    test -n "$(grep -F "8.0 is registered at 9.0's VC folder" "$c/shared.txt")" -a \
    -f "$vc/vcprojectitems/TessaloomsMFC/AddDeskBand.vsz" -a -d "$c/VS71/Vc7/vcprojects/TessaloomsMFC"
check "  and the removal ends 0, leaving no Orvane name" \
    same_text "$(run_orvane "$prefix" '-u x'; ls -d "$vc"/Orvane.* "$c"/VS71/Vc7/Orvane.* 2>/dev/null)" "exit 0"
for v in 7.1 8.0; do
    WINEPREFIX=$prefix wine reg delete "HKLM\\Software\\Microsoft\\VisualStudio\\$v" /reg:32 /f >/dev/null 2>&1
done

# --- Another program's object at the turn's name -------------------------------------------
WINEPREFIX=$prefix wine "$ORVANE_BUILD/orvane_probe.exe" event 'Global\Orvane.Templates' 60 >"$work/event.out" 2>&1 &
holder=$!
for _ in $(seq 100); do grep -q held "$work/event.out" 2>/dev/null && break; sleep 0.2; done
start=$(date +%s)
check "an event at the turn's name: the run ends 3 at once" \
    same_text "$(run_orvane "$prefix" '-u x' 60 'output=C:\turn.txt')" "exit 3"
check "  within seconds, saying so" test $(($(date +%s) - start)) -lt 20 -a \
    -n "$(grep -F 'something other than Orvane' "$c/turn.txt")"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null

# --- A full disk ------------------------------------------------------------------------------------
mkdir -p "$c/Full"
if mount -t tmpfs -o size=4m tmpfs "$c/Full" 2>/dev/null; then
    mounted=$c/Full
    cp -a "$product/." "$c/Full/"
    big=$c/Full/Samples/DragDropExtensionSample/FileDragDropInfoSample.vcproj
    head -c 600000 /dev/zero | tr '\0' 'x' >>"$big"
    cp -a "$c/Full/Samples" "$work/full-before"
    free=$(df --output=avail -B1 "$c/Full" | tail -1)
    head -c $((free - 300000)) /dev/zero >"$c/Full/filler" 2>/dev/null
    check "a full disk: the run stops with status 1" same_text "$(run_orvane "$prefix" '-i C:\Full\Templates')" "exit 1"
    bad=0
    for rel in $SAMPLE_ROWS; do
        rewritten_project "$work/full-before/$rel.vcproj" 'C:\Full\Include' 'C:\Full\Lib' >"$work/expected"
        cmp -s "$c/Full/Samples/$rel.vcproj" "$work/expected" ||
            cmp -s "$c/Full/Samples/$rel.vcproj" "$work/full-before/$rel.vcproj" || { echo "  $rel damaged"; bad=1; }
    done
    check "  every sample holds its old or its new bytes" test $bad -eq 0
    check "  the sample that did not fit is unchanged" same_files "$big" "$work/full-before/DragDropExtensionSample/FileDragDropInfoSample.vcproj"
    check "  and no temporary file is left" same_text "$(find "$c/Full/Samples" -name '*1.vcproj')" ""
else
    echo "note: no tmpfs can be mounted here; the unit tests' failing writes stand in for a full disk"
fi

finish
