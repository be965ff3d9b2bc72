#!/usr/bin/env bash
# The real Orvane.exe customising the real product files: the sample
# projects, the wizard launchers, and what happens when one cannot be
# opened.
set -u
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/lib.sh"
unset DISPLAY
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
prefixes=()
cleanup() {
    for p in "${prefixes[@]}"; do
        find "$p/$PRODUCT_DIR" -type f -exec chattr -i {} + 2>/dev/null
        wine_drop_prefix "$p"
    done
    rm -rf "$work"
}
trap cleanup EXIT

ROOT='C:\Program Files\Tessaloom\'
FIXTURES=$ORVANE_SOURCE_DIR/tests/fixtures/real-world

# A prefix with the product, Visual Studio 9.0, and real-world project and
# launcher files, which nobody here wrote, in place of some of the product's.
new_installation() {
    local p
    p=$(wine_new_prefix) || exit 1
    prefixes+=("$p")
    product_install "$p"
    mkdir -p "$p/drive_c/VS9/VC"
    vs_register "$p" 9.0 'C:\VS9\Common7\IDE\'
    local samples=$p/$PRODUCT_DIR/Samples items=$p/$PRODUCT_DIR/Templates/8.0/VCPlusPlus/TessaloomsMFC
    cp "$FIXTURES/Samples_BmpView_BmpView.vcproj" "$samples/ColumnExtensionSample/SlnFileVersion.vcproj"
    cp "$FIXTURES/Samples_ImageView_ImageView.vcproj" "$samples/IconExtensionSample/IconsAsImages.vcproj"
    cp "$FIXTURES/Samples_MTPad7_MTPad.vcproj" "$samples/ContextMenuExtensionSample/RegSvr.vcproj"
    cp "$FIXTURES/Samples_MiniPie_MiniPie.vcproj" "$samples/ImagePreviewSample/ImagePreviewSample.vcproj"
    cp "$FIXTURES/Samples_SPControls_SPcontrols.vcproj" "$samples/ContextMenuWithIcons/ContextMenuWithIcons.vcproj"
    cp "$FIXTURES/Samples_TabBrowser_TabBrowser71.vcproj" "$samples/PreviewHandlerSample/BitmapPreview.vcproj"
    cp "$FIXTURES/Samples_TabBrowser_TabBrowser80.vcproj" "$samples/ThumbnailProviderSample/TextFilePreview.vcproj"
    cp "$FIXTURES/Wizards_AppWiz_Files_WTLAppWiz.vsz" "$items/AddColumnExtension.vsz"
    cp "$FIXTURES/Wizards_AppWizCE_Files_WTLAppWizCE.vsz" "$items/AddIconExtension.vsz"
    cp "$FIXTURES/Wizards_AppWizMobile_Files_WTLMobile.vsz" "$items/AddToolBand.vsz"
    echo "$p"
}

# Checks every sample of `product` against its `original` by the rules.
check_samples() {
    local product=$1 original=$2 what=$3 bad=0 rel
    for rel in $SAMPLE_ROWS; do
        rewritten_project "$original/Samples/$rel.vcproj" "${ROOT}Include" "${ROOT}Lib" >"$work/expected"
        cmp -s "$work/expected" "$product/Samples/$rel.vcproj" || { echo "  $rel differs"; bad=1; }
        [ ! -e "$product/Samples/${rel}1.vcproj" ] || { echo "  ${rel}1.vcproj left"; bad=1; }
    done
    check "$what" test $bad -eq 0
}

# Checks every launcher of `product` against `original` with `stamps` stamps.
check_launchers() {
    local product=$1 original=$2 stamps=$3 what=$4 bad=0 file rel
    while IFS= read -r file; do
        rel=${file#"$original/"}
        cp "$file" "$work/expected"
        case "$rel" in
            */TessaloomsMFC/*.vsz | */TessaloomProjectMFC/*.vsz)
                if is_listed_launcher "$rel"; then
                    for _ in $(seq "$stamps"); do
                        stamped_launcher "$work/expected" "$ROOT" >"$work/stamped"
                        mv "$work/stamped" "$work/expected"
                    done
                fi ;;
        esac
        cmp -s "$work/expected" "$product/$rel" || { echo "  $rel differs"; bad=1; }
    done < <(find "$original/Templates" -type f)
    check "$what" test $bad -eq 0
}
[ "$(wc -l <<<"$LAUNCHER_NAMES")" -eq 24 ] || { echo "cannot read the launcher names"; exit 1; }

# --- A full installation, twice ------------------------------------------------
p=$(new_installation | tail -1)
product=$p/$PRODUCT_DIR
cp -a "$product" "$work/original"
check "install ends" same_text "$(run_orvane "$p" "-i \"$PRODUCT_TEMPLATES\"")" "exit 0"
check_samples "$product" "$work/original" "all 23 sample projects are rewritten by the rules"
check "a sample with both keys matches its hand-written result" \
    same_files "$product/Samples/DropExtensionSample/FileCounter.vcproj" "$here/expected/FileCounter.vcproj"
check "an LF-only sample matches its hand-written result" \
    same_files "$product/Samples/DirBackgroundCtxMenuExtensionSample/CopyPath.vcproj" \
    "$here/expected/CopyPath.vcproj"
check_launchers "$product" "$work/original" 1 "every listed launcher has one stamp, every other file is unchanged"
check "a launcher without a final line end matches its hand-written result" \
    same_files "$product/Templates/9.0/VCPlusPlus/TessaloomsMFC/AddToolBand.vsz" "$here/expected/AddToolBand.vsz"
check "the deployed launchers carry the stamp" \
    same_tree "$p/drive_c/VS9/VC/vcprojectitems/TessaloomsMFC" "$product/Templates/9.0/VCPlusPlus/TessaloomsMFC"
check "Include and Lib are untouched" same_tree "$product/Include" "$work/original/Include"

cp -a "$product/Samples" "$work/samples-once"
run_orvane "$p" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
check "a second installation leaves the samples as the first left them" same_tree "$product/Samples" "$work/samples-once"
check_launchers "$product" "$work/original" 2 "a second installation adds a second stamp"

# --- A sample project that cannot be opened stops the run, every sample untouched ---
stopped_at_row() {  # <prefix> <what>
    local p=$1 what=$2 product=$1/$PRODUCT_DIR bad=0 rel
    for rel in $SAMPLE_ROWS; do
        cmp -s "$work/original-$3/Samples/$rel.vcproj" "$product/Samples/$rel.vcproj" || { echo "  $rel changed"; bad=1; }
        [ ! -e "$product/Samples/${rel}1.vcproj" ] || { echo "  ${rel}1.vcproj left"; bad=1; }
    done
    check "$what: every sample untouched, no temporary file left" test $bad -eq 0
    check "$what: no launcher is stamped" same_tree "$product/Templates" "$work/original-$3/Templates"
    check "$what: nothing is deployed" same_text "$(tree_listing "$p/drive_c/VS9")" "VC/"
}
row5=Samples/CopyHookExtensionSample/ShellOperationsLog.vcproj

p=$(new_installation | tail -1)
cp -a "$p/$PRODUCT_DIR" "$work/original-readonly"
if make_unwritable "$p/$PRODUCT_DIR/$row5"; then
    check "read-only sample: install stops with status 1" same_text "$(run_orvane "$p" "-i \"$PRODUCT_TEMPLATES\"")" "exit 1"
    stopped_at_row "$p" "read-only sample" readonly
    make_writable "$p/$PRODUCT_DIR/$row5"
else
    echo "FAIL this file system cannot make a file read-only for root (chattr +i)"
    failures=$((failures + 1))
fi

p=$(new_installation | tail -1)
cp -a "$p/$PRODUCT_DIR" "$work/original-held"
WINEPREFIX=$p wine "$ORVANE_BUILD/orvane_probe.exe" hold "$(winpath "$p/$PRODUCT_DIR/$row5")" 40 \
    >"$work/hold.out" 2>&1 &
holder=$!
for _ in $(seq 100); do grep -q held "$work/hold.out" 2>/dev/null && break; sleep 0.2; done
check "another process holds the sample open without sharing" grep -q held "$work/hold.out"
check "held sample: install stops with status 1" same_text "$(run_orvane "$p" "-i \"$PRODUCT_TEMPLATES\"")" "exit 1"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
stopped_at_row "$p" "held sample" held

# --- A launcher that cannot be opened: deployed unstamped, and the run says so ------
p=$(new_installation | tail -1)
product=$p/$PRODUCT_DIR
launcher=Templates/9.0/VCPlusPlus/TessaloomsMFC/AddColumnExtension.vsz
cp "$product/$launcher" "$work/launcher-original"
if make_unwritable "$product/$launcher"; then
    check "a launcher that cannot be stamped ends the run with status 3" \
        same_text "$(run_orvane "$p" "-i \"$PRODUCT_TEMPLATES\"")" "exit 3"
    make_writable "$product/$launcher"
    check "a read-only launcher stays as it was" same_files "$product/$launcher" "$work/launcher-original"
    check "and is deployed unstamped" \
        same_files "$p/drive_c/VS9/VC/vcprojectitems/TessaloomsMFC/AddColumnExtension.vsz" "$work/launcher-original"
    check "while its neighbours are stamped" grep -q 'BASE_DIR' "$product/Templates/9.0/VCPlusPlus/TessaloomsMFC/AddDeskBand.vsz"
    check "and the samples are rewritten" grep -q 'Tessaloom\\Include' "$product/$row5"
fi
# Every launcher held: a caller that reads a small pipe only once the run has
# ended gets a few lines, how many more there were, and the run ends by itself.
mapfile -t launchers < <(find "$product/Templates" -path "$product/Templates/[0-9]*/VCPlusPlus/Tessaloom*" \
    -name 'Add*.vsz' | while IFS= read -r file; do is_listed_launcher "$file" && echo "$file"; done)
for file in "${launchers[@]}"; do make_unwritable "$file"; done
check "${#launchers[@]} launchers held: a caller's small pipe does not block the run" \
    same_text "$(run_orvane "$p" "-i \"$PRODUCT_TEMPLATES\"" 60 'output=C:\piped.txt pipe')" "exit 3"
for file in "${launchers[@]}"; do make_writable "$file"; done
check "  the caller reads the first three and how many more" \
    grep -q "^Orvane: ... and $((${#launchers[@]} - 3)) more launchers like it (all in the log)" "$p/drive_c/piped.txt"

finish
