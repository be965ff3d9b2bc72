#!/usr/bin/env bash
# The release is reproducible: two clean clones of this repository, in
# folders of different depths, give byte-identical zips, and the programs in
# them are the ones the tests ran, x64 under the host's Wine and x86 under the
# 32-bit one. It releases what is committed.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
zips=()
for clone in a "the second/clone"; do
    git clone -q "$ORVANE_SOURCE_DIR" "$work/$clone"
    zips+=("$("$work/$clone/scripts/release.sh" | head -1)")
done
check "two clones give byte-identical zips" same_files "${zips[0]}" "${zips[1]}"
unzip -q "${zips[0]}" -d "$work/unpacked"
check "its SHA256SUMS are right" bash -c "cd '$work/unpacked' && sha256sum --quiet -c SHA256SUMS"
check "its x64 program is the one the tests ran" \
    same_files "$work/unpacked/x64/Orvane.exe" "$ORVANE_SOURCE_DIR/build/windows/Orvane.exe"
check "its x86 program is the one the tests ran" \
    same_files "$work/unpacked/x86/Orvane.exe" "$ORVANE_SOURCE_DIR/build/windows-x86/Orvane.exe"
check "README.txt names the file to ship" grep -q 'x86\\Orvane.exe   ship this one' "$work/unpacked/README.txt"
finish
