#!/usr/bin/env bash
# Installations killed at many moments, and two installations at once, over
# a product whose sample projects are megabytes each: no sample project is
# ever left half-written, and no launcher is corrupted.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
prefix=$(wine_new_prefix) || exit 1
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
ROOT='C:\Program Files\Tessaloom\'
KILLS=${ORVANE_KILLS:-10}

product_install "$prefix"
mkdir -p "$prefix/drive_c/VS9/VC"
vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
enlarge_samples "$prefix" 2
product=$prefix/$PRODUCT_DIR
cp -a "$product" "$work/original"
for rel in $SAMPLE_ROWS; do
    mkdir -p "$work/rewritten/$(dirname "$rel")"
    rewritten_project "$work/original/Samples/$rel.vcproj" "${ROOT}Include" "${ROOT}Lib" \
        >"$work/rewritten/$rel.vcproj"
done

# Every sample holds its old or its complete new bytes ($1 = "new" demands new).
check_samples_whole() {
    local want=${1:-} bad=0 rel file
    for rel in $SAMPLE_ROWS; do
        file=$product/Samples/$rel.vcproj
        if cmp -s "$file" "$work/rewritten/$rel.vcproj"; then
            continue
        elif [ "$want" != new ] && cmp -s "$file" "$work/original/Samples/$rel.vcproj"; then
            continue
        fi
        echo "  $rel: $(stat -c %s "$file" 2>/dev/null || echo missing) bytes, neither old nor new"
        bad=1
    done
    [ $bad -eq 0 ]
}
check_launchers_whole() {
    local least=$1 bad=0 file rel
    while IFS= read -r file; do
        rel=${file#"$work/original/"}
        is_listed_launcher "$rel" || continue
        count_stamps "$product/$rel" "$file" "$ROOT" "$least" >/dev/null || { echo "  $rel"; bad=1; }
    done < <(find "$work/original/Templates" -name 'Add*.vsz' -path '*VCPlusPlus/Tessaloom*')
    [ $bad -eq 0 ]
}
restore_product() {
    rm -rf "$product"
    cp -a "$work/original" "$product"
}

# Time an undisturbed installation, to spread the kills over it.
start=$(date +%s%N)
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >/dev/null
span=$((($(date +%s%N) - start) / 1000000))
echo "an undisturbed installation takes ${span} ms"
check "an undisturbed installation rewrites every sample" check_samples_whole new

for i in $(seq "$KILLS"); do
    restore_product
    delay=$((span * i / (KILLS + 1)))
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >/dev/null &
    runner=$!
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    pids=$(orvane_pids "$prefix")
    [ -n "$pids" ] && kill -KILL $pids
    wait "$runner" 2>/dev/null
    check "killed after ${delay} ms: every sample is whole" check_samples_whole
    check "killed after ${delay} ms: every launcher is whole" check_launchers_whole 0
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >/dev/null
    check "killed after ${delay} ms: the next installation rewrites every sample" check_samples_whole new
    check "killed after ${delay} ms: and leaves no temporary file" \
        same_text "$(find "$product/Samples" -name '*1.vcproj')" ""
    check "killed after ${delay} ms: and stamps every launcher" check_launchers_whole 1
    check "killed after ${delay} ms: and deploys the product" \
        same_tree "$prefix/drive_c/VS9/VC/vcprojectitems/TessaloomsMFC" "$product/Templates/9.0/VCPlusPlus/TessaloomsMFC"
done

restore_product
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >"$work/first.out" &
first=$!
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >"$work/second.out" &
second=$!
wait "$first" "$second"
# The one that finds a sample held by the other stops with status 1. Where
# both get past the samples, each one's removal may take away part of the
# other's copy, and each that lost something says so with 3; neither may
# hang or end any other way.
check "two installations at once both end, each with 0, 1 or 3" \
    same_text "$(cat "$work/first.out" "$work/second.out" | sed 's/exit [013]/ends/')" "ends
ends"
check "two installations at once leave every sample whole" check_samples_whole
check "two installations at once leave every launcher whole" check_launchers_whole 0
check "and the next installation completes and deploys the product" \
    same_text "$(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300)" "exit 0"
check "  with 9.0's item templates whole" \
    same_tree "$prefix/drive_c/VS9/VC/vcprojectitems/TessaloomsMFC" "$product/Templates/9.0/VCPlusPlus/TessaloomsMFC"

finish
