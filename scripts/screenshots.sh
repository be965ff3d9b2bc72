#!/usr/bin/env bash
# Makes the README's pictures of the confirmation window and the About box,
# with their caption and frame, in Wine's virtual desktop on a private Xvfb.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORVANE_ROOT"
source tests/wine/lib.sh build/windows
start_private_display
prefix=$(wine_new_prefix)
trap 'wine_drop_prefix "$prefix"; stop_private_display' EXIT
export WINEPREFIX=$prefix
mkdir -p "$prefix/drive_c/Kit" docs
cp -a example/product/. "$prefix/drive_c/Kit/"

desktop=/desktop=Orvane,640x560
in_desktop() { wine explorer "$desktop" "$@" 2>/dev/null | tr -d '\r'; }
in_desktop "$(winpath build/windows/Orvane.exe)" -i 'C:\Kit\Templates\' &
runner=$!
in_desktop "$(winpath build/windows/orvane_probe.exe)" wait "Project Templates Added" 60 >/dev/null
import -window root -crop 640x560+0+0 +repage docs/window.png
in_desktop "$(winpath build/windows/orvane_probe.exe)" syscommand "Project Templates Added" 16
in_desktop "$(winpath build/windows/orvane_probe.exe)" wait "About Orvane" 30 >/dev/null
import -window root -crop 640x560+0+0 +repage docs/about.png
xdotool key Escape
sleep 1
xdotool key Return
wait "$runner" || true
echo "made docs/window.png and docs/about.png"
