#!/usr/bin/env bash
# The confirmation window from outside, on a real X display: it appears
# after an installation with the illustration placed exactly where the
# picture box's arithmetic puts it, Enter ends the program, and removal or
# a stopped installation shows no window. Where nobody can see its windows
# (a window station of its own), an installation shows none and ends.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
[ -n "${DISPLAY:-}" ] || { echo "FAIL no display (the test command starts a private Xvfb)"; exit 1; }
prefix=$(wine_new_prefix) || exit 1
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
trap 'chattr -i "$prefix/drive_c/VS9/VC/vcprojects" 2>/dev/null; find "$prefix/$PRODUCT_DIR" -type f -exec chattr -i {} + 2>/dev/null; wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
product_install "$prefix"
mkdir -p "$prefix/drive_c/VS9/VC"
vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
TITLE="Project Templates Added"

probe() { WINEPREFIX=$prefix wine "$ORVANE_BUILD/orvane_probe.exe" "$@" | tr -d '\r'; }

# The placement of a w x h bitmap in a W x H area, as "mode x y width height".
fit() {
    local W=$1 H=$2 w=$3 h=$4 f
    if [ "$w" -lt "$W" ] && [ "$h" -lt "$H" ]; then
        echo "copy $(((W - w) / 2)) $(((H - h) / 2)) $w $h"
    elif [ $((H * w)) -gt $((W * h)) ]; then
        f=$((W * h / w))
        echo "stretch 0 $(((H - f) / 2)) $W $f"
    else
        f=$((H * w / h))
        echo "stretch $(((W - f) / 2)) 0 $f $H"
    fi
}

# Exceptions are traced, so that a window procedure's fault, which Wine
# (like 64-bit Windows) passes over, is seen.
WINEDEBUG=+seh run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 60 >"$work/install.out" 2>"$work/install.err" &
runner=$!
probe wait "$TITLE" 40 >"$work/probe.out"
check "the window \"$TITLE\" appears after an installation" grep -q '^window ' "$work/probe.out"
read -r _ L T R B < <(grep '^picture ' "$work/probe.out")
if [ -n "${L:-}" ]; then
    import -window root "$work/screen.png"
    W=$((R - L))
    H=$((B - T))
    read -r mode x y w h < <(fit "$W" "$H" 470 328)
    echo "picture area ${W}x${H} at ($L,$T): $mode to ${w}x${h}+${x}+${y}"
    face=$(convert "$work/screen.png" -format "%[pixel:p{$((L - 3)),$((T + 3))}]" info:)
    box=$(convert "$work/screen.png" -crop "${W}x${H}+${L}+${T}" +repage -bordercolor "$face" \
        -border 1 -trim -format '%wx%h%X%Y' info:)
    check "the illustration fills exactly ${w}x${h}+$((x + 1))+$((y + 1)) of the bordered area, nothing outside" \
        same_text "$box" "${w}x${h}+$((x + 1))+$((y + 1))"
    convert "$work/screen.png" -crop "${w}x${h}+$((L + x))+$((T + y))" +repage "$work/shown.png"
    convert "$ORVANE_SOURCE_DIR/ui/art/illustration.bmp" -resize "${w}x${h}!" "$work/scaled.png"
    error=$(compare -metric RMSE "$work/shown.png" "$work/scaled.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
    echo "difference from the illustration scaled alike: $error"
    check "the picture is the illustration" awk -v e="$error" 'BEGIN { exit !(e < 0.12) }'
    cp "$work/screen.png" "$ORVANE_WINE_CACHE/gui-screen.png"
fi
# Another process on the desktop writes every slot it can reach of the
# window and its picture control; nothing it writes is called through.
probe forge "$TITLE" >"$work/forge.out"
check "another process writes the window's properties" grep -q '^forged [0-9]' "$work/forge.out"
# The turn was given back before the window opened: another run goes ahead.
start=$(date +%s)
check "a removal while the window is open ends 0 within seconds" \
    same_text "$(run_orvane "$prefix" "-u x" 60) $(($(date +%s) - start < 30))" "exit 0 1"
xdotool key Return
for _ in $(seq 100); do kill -0 "$runner" 2>/dev/null || break; sleep 0.1; done
wait "$runner"
check "Enter closes the window and ends the program" same_text "$(cat "$work/install.out")" "exit 0"
check "  and no window procedure faulted" \
    test "$(grep -c 'dispatch_exception code=c0000005' "$work/install.err")" -eq 0

run_orvane "$prefix" "-u x" 30 >"$work/remove.out" &
runner=$!
check "removal shows no window" same_text "$(probe wait "$TITLE" 5)" "none"
wait "$runner"
check "removal ends by itself" same_text "$(cat "$work/remove.out")" "exit 0"

# What the window says would be false after an incomplete installation.
if chattr +i "$prefix/drive_c/VS9/VC/vcprojects" 2>/dev/null; then
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 30 >"$work/incomplete.out" &
    runner=$!
    check "an installation that cannot write into 9.0 shows no window" \
        same_text "$(probe wait "$TITLE" 5)" "none"
    wait "$runner"
    check "  and ends by itself with status 3" same_text "$(cat "$work/incomplete.out")" "exit 3"
    chattr -i "$prefix/drive_c/VS9/VC/vcprojects"
else
    check "a folder can be made unwritable" false
fi

# A window there would wait forever: the run would end only at the time limit.
check "an installation nobody can see ends by itself with status 0, the templates in place" \
    same_text "$(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 30 unseen) $(ls "$prefix/drive_c/VS9/VC/vcprojects")" \
    "exit 0 TessaloomsMFC"

# Quiet runners start programs hidden; a hidden window would wait forever.
check "an installation started hidden ends by itself with status 0, the templates in place" \
    same_text "$(run_orvane "$prefix" '-u x' >/dev/null; run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 30 hidden) $(ls "$prefix/drive_c/VS9/VC/vcprojects")" \
    "exit 0 TessaloomsMFC"

sample="$prefix/$PRODUCT_DIR/Samples/BandObjectsSample/BandObjects.vcproj"
if make_unwritable "$sample"; then
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 30 >"$work/stopped.out" &
    runner=$!
    check "a stopped installation shows no window" same_text "$(probe wait "$TITLE" 5)" "none"
    wait "$runner"
    check "and ends by itself with status 1" same_text "$(cat "$work/stopped.out")" "exit 1"
    check "as it does where nobody can see it" \
        same_text "$(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 30 unseen)" "exit 1"
    make_writable "$sample"
else
    check "a read-only sample can be made" false
fi

# On an 800 x 600 screen (a Wine desktop of that size) at 144 DPI the
# window is larger than the work area: it starts at the work area's top
# left, its caption on the screen, never above it.
reg_add() { WINEPREFIX=$prefix wine reg add "$@" /f >/dev/null 2>&1; }
reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d Small
reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Small /d 800x600
reg_add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 60 >"$work/small.out" &
runner=$!
read -r _ L T R B < <(probe wait "$TITLE" 40 | grep '^window ')
echo "at 144 DPI on 800 x 600 the window is $((${R:-0} - ${L:-0})) x $((${B:-0} - ${T:-0})) at (${L:-?}, ${T:-?})"
check "on an 800 x 600 screen at 144 DPI the window's caption is on the screen" \
    test "${T:--1}" -ge 0 -a "${L:--1}" -ge 0
xdotool key Return
wait "$runner"

finish
