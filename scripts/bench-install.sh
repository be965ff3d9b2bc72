#!/usr/bin/env bash
# Times a full installation under Wine of the example product scaled to
# over 10,000 files, against the shell's bare silent copy of the same trees
# in the same prefix right after it (what installers used before), and
# against cp -r of them on the same disk: the x64 build under the host's
# Wine, then the x86 build under the 32-bit one.
#   bench-install.sh               both builds
#   bench-install.sh one <build>   one build, under the Wine already set up
# Each build is measured in ORVANE_BENCH_ROUNDS rounds (3 unless set), each
# in a fresh prefix with the installation and the shell's copy back to
# back; the ratio given for the build is the median of the rounds', since
# a shared disk's load changes from one minute to the next.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORVANE_ROOT"
if [ "${1:-}" != one ]; then
    wine32_setup
    for preset in windows windows-x86; do
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" >/dev/null
    done
    echo "x64 build:"
    bash "$0" one build/windows
    echo "x86 build:"
    tests/wine/wine32.sh bash "$0" one build/windows-x86
    exit
fi
source tests/wine/lib.sh "$2"
unset DISPLAY
FILES=${ORVANE_BENCH_FILES:-10000}
ROUNDS=${ORVANE_BENCH_ROUNDS:-3}

# One round in prefix $1: prints what it measured, and sets `ratio` to the
# installation's time over the shell's copy's.
bench_round() {
    local prefix=$1
    product_install "$prefix"
    templates=$prefix/$PRODUCT_DIR/Templates
    # Half of the files in each of 9.0's template folders, 100 to a subfolder.
    for folder in TessaloomProjectMFC TessaloomsMFC; do
        for ((i = 0; i < FILES / 2; ++i)); do
            dir=$templates/9.0/VCPlusPlus/$folder/Generated/Part$((i / 100))
            [ $((i % 100)) -eq 0 ] && mkdir -p "$dir"
            printf 'template file %d of the %s folder\r\n' "$i" "$folder" >"$dir/File$i.txt"
        done
    done
    mkdir -p "$prefix/drive_c/VS9/VC"
    vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
    copied=$(find "$templates/9.0" "$templates/Templates" -type f | wc -l)

    run_orvane "$prefix" "-u x" >/dev/null  # starts the prefix's wineserver outside the timing
    find "$prefix/drive_c" -name 'Orvane-*.log' -delete
    start=$(date +%s%N)
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 900 >/dev/null
    install_ms=$((($(date +%s%N) - start) / 1000000))
    # How the run made the staged files durable, in its own words.
    durable=$(find "$prefix/drive_c" -name 'Orvane-*.log' -exec grep -h ' durable by ' {} + | tr -d '\r')
    deployed=$(find "$prefix/drive_c/VS9/VC" -type f | wc -l)

    # The shell's copy of the same three trees, timed the same way.
    shell=$prefix/drive_c/ShellCopy
    mkdir -p "$shell/vcprojects" "$shell/vcprojectitems" "$shell/VCWizards"
    win_templates=${PRODUCT_TEMPLATES%\\}
    start=$(date +%s%N)
    WINEPREFIX=$prefix wine "$ORVANE_BUILD/orvane_probe.exe" shellcopy \
        "$win_templates\9.0\VCPlusPlus\TessaloomProjectMFC" 'C:\ShellCopy\vcprojects\TessaloomsMFC' \
        "$win_templates\9.0\VCPlusPlus\TessaloomsMFC" 'C:\ShellCopy\vcprojectitems\TessaloomsMFC' \
        "$win_templates\Templates\VCPlusPlus\*" 'C:\ShellCopy\VCWizards' >/dev/null
    shell_ms=$((($(date +%s%N) - start) / 1000000))
    shell_copied=$(find "$shell" -type f | wc -l)

    target=$prefix/drive_c/cp-copy
    start=$(date +%s%N)
    mkdir -p "$target/vcprojects" "$target/vcprojectitems" "$target/VCWizards"
    cp -r "$templates/9.0/VCPlusPlus/TessaloomProjectMFC" "$target/vcprojects/TessaloomsMFC"
    cp -r "$templates/9.0/VCPlusPlus/TessaloomsMFC" "$target/vcprojectitems/TessaloomsMFC"
    cp -r "$templates/Templates/VCPlusPlus/." "$target/VCWizards/"
    sync -f "$target"
    cp_ms=$((($(date +%s%N) - start) / 1000000))

    echo "installation of $deployed files ($copied in the product's copied trees): ${install_ms} ms under Wine"
    echo "the shell's silent copy of the same trees ($shell_copied files): ${shell_ms} ms under Wine"
    echo "cp -r of the same trees: ${cp_ms} ms"
    echo "how the installation made its files durable:"
    echo "$durable"
    ratio=$(awk -v a="$install_ms" -v b="$shell_ms" 'BEGIN { printf "%.2f", a / b }')
    echo "installation / shell copy: $ratio"
    echo "installation / cp -r: $(awk -v a="$install_ms" -v b="$cp_ms" 'BEGIN { printf "%.1f", a / b }')"
}

ratios=()
prefix=
trap 'wine_drop_prefix "$prefix"' EXIT
for ((round = 1; round <= ROUNDS; ++round)); do
    echo "round $round of $ROUNDS:"
    prefix=$(wine_new_prefix)
    bench_round "$prefix"
    ratios+=("$ratio")
    wine_drop_prefix "$prefix" || true  # no server left to end is no failure
done
echo "installation / shell copy, median of $ROUNDS round(s): $(printf '%s\n' "${ratios[@]}" | sort -n |
    awk '{ r[NR] = $1 } END { print r[int((NR + 1) / 2)] }')"
