#!/usr/bin/env bash
# The main job on the built-in example: two Visual Studio installations
# (.NET 2003 and 2008) in a private Wine prefix under build/example, the
# example product installed into them and removed again, with the trees of
# both VC folders shown before, after the installation and after removal.
# Never touches ~/.wine.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORVANE_ROOT"
install_missing_packages >&2
if [ ! -x build/windows/Orvane.exe ] || [ ! -x build/windows/orvane_launch.exe ]; then
    cmake --preset windows >/dev/null
    cmake --build --preset windows
fi
source tests/wine/lib.sh build/windows

out=$ORVANE_ROOT/build/example
prefix=$out/prefix
rm -rf "$out"
mkdir -p "$out"
template=$(wine_template)
cp -a "$template/." "$prefix/"
# Wine picks its display when the prefix's first program starts.
if [ -z "${DISPLAY:-}" ]; then
    start_private_display
    private_display=yes
fi
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null; stop_private_display' EXIT
export WINEPREFIX=$prefix

product_install "$prefix"
vs_install_both "$prefix"
show() {
    echo "== $1"
    for vc in "$VS71_VC" "$VS90_VC"; do
        echo "-- C:${vc#drive_c}"
        (cd "$prefix/$vc" && find . -mindepth 1 | LC_ALL=C sort | sed 's|^\./|   |')
    done
}
show "before: what Visual Studio itself holds" | tee "$out/before.txt"
listing() { for vc in "$VS71_VC" "$VS90_VC"; do (cd "$prefix/$vc" && find . | LC_ALL=C sort); done; }
listing >"$out/before.list"

echo
echo "== installing: Orvane.exe -i \"$PRODUCT_TEMPLATES\""
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 600 >"$out/install.out" &
runner=$!
if [ "${private_display:-}" = yes ]; then
    WINEPREFIX=$prefix wine build/windows/orvane_probe.exe wait "Project Templates Added" 60 >/dev/null
    import -window root "$out/screenshot.png"
    echo "the window appeared; its picture is in build/example/screenshot.png; pressing Enter"
    xdotool key Return
else
    echo "the window \"Project Templates Added\" is on your display: close it to go on"
fi
wait "$runner" || true
echo "Orvane.exe: $(cat "$out/install.out")"
echo
show "after the installation" | tee "$out/installed.txt"
echo
echo "a sample project now points at the product:"
grep -m2 -E 'Additional(Include|Library)Directories' \
    "$prefix/$PRODUCT_DIR/Samples/BandObjectsSample/BandObjects.vcproj" | sed 's/^/   /'
echo "a deployed launcher carries the product's base directory:"
tail -n 1 "$prefix/$VS90_VC/vcprojectitems/TessaloomsMFC/AddDeskBand.vsz" | sed 's/^/   /'

echo
echo "== removing: Orvane.exe -u x"
echo "Orvane.exe: $(run_orvane "$prefix" "-u x")"
show "after removal" | tee "$out/removed.txt"
listing >"$out/removed.list"
echo
if diff "$out/before.list" "$out/removed.list" >/dev/null; then
    echo "removal left both VC folders exactly as Visual Studio had them: only the product's folders went"
else
    echo "removal left differences:"
    diff "$out/before.list" "$out/removed.list" || true
    exit 1
fi
