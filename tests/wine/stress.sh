#!/usr/bin/env bash
# Installations killed at moments spread over one, over an earlier one, and
# runs at once, over a product whose sample projects are megabytes each,
# into three Visual Studio versions: no sample project is ever left
# half-written, no launcher is corrupted, each of Orvane's folders in Visual
# Studio holds the earlier or the new templates whole, a run that stops on
# its product mends first, and the next run completes it.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
prefix=$(wine_new_prefix) || exit 1
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
ROOT='C:\Program Files\Tessaloom\'
KILLS=${ORVANE_KILLS:-5}

product_install "$prefix"
VCS="$prefix/drive_c/VS71/Vc7 $prefix/drive_c/VS8/VC $prefix/drive_c/VS9/VC"
SLOTS="vcprojects/TessaloomsMFC vcprojectitems/TessaloomsMFC VCWizards/TessaloomsWiz VCWizards/TessaloomsTemplateWiz"
mkdir -p $VCS
vs_register "$prefix" 7.1 'C:\VS71\Common7\IDE\'
vs_register "$prefix" 8.0 'C:\VS8\Common7\IDE\'
vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
enlarge_samples "$prefix" 2
product=$prefix/$PRODUCT_DIR
cp -a "$product" "$work/earlier"
# The next version of the product: template files changed, added and removed.
for v in 7.1 8.0 9.0; do
    t=$product/Templates/$v/VCPlusPlus
    echo changed >>"$t/TessaloomProjectMFC/TessaloomProjectMFC.vsz"
    echo added >"$t/TessaloomsMFC/Added.txt"
    rm -f "$t/TessaloomsMFC/AddToolBand.vsz"
done
echo changed >>"$product/Templates/Templates/VCPlusPlus/TessaloomsWiz/scripts/1033/default05.js"
# Every folder of Orvane's differs between the two, in every version.
for wiz in TessaloomsWiz TessaloomsTemplateWiz; do
    echo changed >>"$product/Templates/Templates/VCPlusPlus/$wiz/html/1033/default.htm"
done
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
restore_product() {  # restore_product [earlier]
    rm -rf "$product"
    cp -a "$work/${1:-original}" "$product"
}
# Visual Studio with the earlier product's templates as a complete run
# leaves them.
install_earlier() {
    rm -rf $(for vc in $VCS; do echo "$vc"/*; done)
    restore_product earlier
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >/dev/null
    restore_product
}
# Saves what each of Orvane's folders holds in each version as $1.
save_slots() {
    local vc slot
    mkdir -p "$work/$1"
    for vc in $VCS; do for slot in $SLOTS; do
        tree_listing "$vc/$slot" >"$work/$1/$(echo "$vc/$slot" | md5sum | cut -c1-8)"
    done; done
}
# Each folder holds the earlier or the new templates whole; with a switch
# under way, one of a version's four may be between its two renames. With
# $1 = "alike", each version's four are all earlier or all new.
check_slots_whole() {
    local vc slot key seen bad=0 absent kinds
    for vc in $VCS; do
        absent=0 kinds=
        for slot in $SLOTS; do
            key=$(echo "$vc/$slot" | md5sum | cut -c1-8)
            seen=$(tree_listing "$vc/$slot" 2>/dev/null)
            if [ "$seen" = "$(cat "$work/old/$key")" ]; then
                kinds="$kinds old"
            elif [ "$seen" = "$(cat "$work/new/$key")" ]; then
                kinds="$kinds new"
            elif [ ! -e "$vc/$slot" ] && [ -d "$vc/Orvane.install" ]; then
                absent=$((absent + 1))
            else
                echo "  ${vc#"$prefix/drive_c/"}/$slot is neither whole"; bad=1
            fi
        done
        [ $absent -le 1 ] || { echo "  ${vc#"$prefix/drive_c/"}: $absent folders absent at once"; bad=1; }
        if [ "${1:-}" = alike ] && [ "$(tr ' ' '\n' <<<"$kinds" | sort -u | grep -c .)" -ne 1 ]; then
            echo "  ${vc#"$prefix/drive_c/"}: its folders are from two products:$kinds"; bad=1
        fi
    done
    [ $bad -eq 0 ]
}
no_journal_left() { [ -z "$(cd "$prefix/drive_c" && ls -d VS*/*/Orvane.* 2>/dev/null)" ]; }

install_earlier
save_slots old
# Time an undisturbed installation over it, to spread the kills over it.
start=$(date +%s%N)
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >/dev/null
span=$((($(date +%s%N) - start) / 1000000))
echo "an undisturbed installation takes ${span} ms"
save_slots new
check "an undisturbed installation rewrites every sample" check_samples_whole new
# Its log: every file written, the 23 samples' and every staged one, was
# made durable, and all of it before the first version was switched over.
log=$(ls -t "$prefix"/drive_c/users/*/Temp/Orvane-*.log | head -n 1)
staged=23
for v in 7.1 8.0 9.0; do
    staged=$((staged + $(find "$product/Templates/$v/VCPlusPlus/TessaloomProjectMFC" \
        "$product/Templates/$v/VCPlusPlus/TessaloomsMFC" "$product/Templates/Templates/VCPlusPlus" -type f | wc -l)))
done
durable=$(sed -n '/switching over/q; s/^Orvane: made \([0-9]*\) file(s) durable by .*/\1/p' "$log" | awk '{ n += $1 } END { print n }')
check "  and made all $staged files it wrote durable before the first switch" same_text "$durable" "$staged"

# What a killed installation leaves, $1 naming the kill: each file whole,
# and mended by the next run, even one that stops on its product.
check_after_kill() {
    check "$1: every sample is whole" check_samples_whole
    check "$1: every launcher is whole" check_launchers_whole 0
    check "$1: each template folder holds the earlier or the new ones whole" check_slots_whole
    check "$1: a run with a mistyped templates folder ends 1" \
        same_text "$(run_orvane "$prefix" '-i "C:\Program Files\Tessaloom\Templatez\"' 300)" "exit 1"
    check "$1: and leaves no journal, each version's folders from one product" \
        eval 'no_journal_left && check_slots_whole alike'
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >/dev/null
    check "$1: the next installation rewrites every sample" check_samples_whole new
    check "$1: and leaves no temporary file" same_text "$(find "$product/Samples" -name '*1.vcproj')" ""
    check "$1: and stamps every launcher" check_launchers_whole 1
    check "$1: and every version holds the new templates" \
        same_tree "$prefix/drive_c/VS9/VC/vcprojectitems/TessaloomsMFC" "$product/Templates/9.0/VCPlusPlus/TessaloomsMFC"
    check "$1: with nothing of the journal left" no_journal_left
}
# Starts an installation over the earlier one and kills it after $1 ms, or
# as soon as its log has a line matching $2 (given up after 60 s).
kill_installation() {
    local delay=$1 line=${2:-} logs runner log tries=0
    install_earlier
    logs=$(ls "$prefix"/drive_c/users/*/Temp/Orvane-*.log 2>/dev/null)
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 300 >/dev/null &
    runner=$!
    if [ -z "$line" ]; then
        sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    else
        while [ $tries -lt 6000 ]; do
            log=$(ls "$prefix"/drive_c/users/*/Temp/Orvane-*.log 2>/dev/null | grep -vxF "$logs" | head -n 1)
            [ -n "$log" ] && grep -q "$line" "$log" && break
            tries=$((tries + 1))
            sleep 0.01
        done
    fi
    local pids
    pids=$(orvane_pids "$prefix")
    [ -n "$pids" ] && kill -KILL $pids
    wait "$runner" 2>/dev/null
}

for i in $(seq "$KILLS"); do
    delay=$((span * i / (KILLS + 1)))
    kill_installation "$delay"
    check_after_kill "killed after ${delay} ms"
done
# Where the disk is fast, every kill above lands before the durable pass:
# these land after it, as each step of the switch begins.
for line in 'file(s) durable' '7\.1 .*switching over' '9\.0 .*switching over'; do
    kill_installation 0 "$line"
    check_after_kill "killed at \"$line\""
done

# Two runs started at once take turns; prints how each ended.
at_once() {
    run_orvane "$prefix" "$1" 300 >"$work/first.out" &
    local first=$!
    run_orvane "$prefix" "$2" 300 >"$work/second.out" &
    wait "$first" $!
    cat "$work/first.out" "$work/second.out"
}
restore_product
check "two installations at once both end with 0, the second over the first" \
    same_text "$(at_once "-i \"$PRODUCT_TEMPLATES\"" "-i \"$PRODUCT_TEMPLATES\"")" "exit 0
exit 0"
check "  and leave every sample whole" check_samples_whole new
check "  and the templates whole" same_tree "$prefix/drive_c/VS71/Vc7/vcprojectitems/TessaloomsMFC" \
    "$product/Templates/7.1/VCPlusPlus/TessaloomsMFC"
check "  with nothing of the journal left" no_journal_left
check "an installation and a removal at once both end with 0" \
    same_text "$(at_once "-i \"$PRODUCT_TEMPLATES\"" "-u x")" "exit 0
exit 0"
check "  and every version holds all of the templates or none, alike" \
    same_text "$(for vc in $VCS; do ls "$vc" | tr '\n' ' '; echo; done | sort -u | wc -l)" 1

finish
