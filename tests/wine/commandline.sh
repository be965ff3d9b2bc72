#!/usr/bin/env bash
# Command lines reach Orvane.exe byte for byte through the launcher, and
# each one installs, removes, or does nothing, as its words say; the exit
# status is 0 for work done and 2 for a command line not understood.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
prefix=$(wine_new_prefix) || exit 1
work=$(mktemp -d)
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
product_install "$prefix"
mkdir -p "$prefix/drive_c/Kit"
cp -a "$ORVANE_SOURCE_DIR/example/product/." "$prefix/drive_c/Kit/"
mkdir -p "$prefix/drive_c/VS9/VC"
vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
served=$prefix/drive_c/VS9/VC/vcprojects/TessaloomsMFC

state() { [ -d "$served" ] && echo installed || echo absent; }
expect() {  # expect <state before> <command line> <state after> [<exit status>]
    if [ "$1" = installed ]; then
        run_orvane "$prefix" '-i C:\Kit\Templates\' >/dev/null
    else
        run_orvane "$prefix" '-u x' >/dev/null
    fi
    local result label=$2
    [ ${#label} -le 60 ] || label="${label:0:20}... (${#2} characters)"
    result=$(run_orvane "$prefix" "$2")
    check "[$label] from $1 leaves it $3, exit ${4:-0}" same_text "$result $(state)" "exit ${4:-0} $3"
}

expect absent '-i C:\Kit\Templates' installed
expect absent '-I C:\Kit\Templates\' installed
expect absent '-i "C:\Program Files\Tessaloom\Templates\"' installed
expect absent '-i "C:\Program Files\Tessaloom\Templates' installed
expect absent '-i C:\Kit\Templates ' installed
expect absent '-i C:\Kit\Templates  ' installed
expect absent '-i C:\Kit\Templates   ' absent 2
expect absent '-i  C:\Kit\Templates' absent 2
expect absent '-i' absent 2
expect absent '' absent 2
expect installed '-u' installed 2
expect installed '-u x' absent
expect installed 'remove x' absent
expect installed '-u  x' installed 2
expect installed "-u $(printf 'x%.0s' $(seq 5000))" absent
expect installed 'ab"x y" z' installed 2
expect installed 'ab"x y"' absent
# A templates word that is no full path would be found wherever the run
# starts, as the drive's root for an empty one: refused, nothing touched.
expect installed '-i ""' installed 2
expect installed '-i \Kit\Templates' installed 2
expect installed '-i Kit\Templates' installed 2

# The quoted path's templates were the ones deployed: its launchers carry
# the stamp naming that product.
check "the quoted path's own launchers were stamped" grep -q 'BASE_DIR = C:\\Program Files\\Tessaloom\\' \
    "$prefix/$PRODUCT_DIR/Templates/9.0/VCPlusPlus/TessaloomsMFC/AddColumnExtension.vsz"

# A caller that gives it a file as standard output and error is told what
# each run came to, in lines ending in CR LF. The first names the run's log,
# a new file in the account's temporary folder, which ends with the status.
told() {  # told <command line>: the exit status, then the lines after the log's name
    local result first log
    result=$(run_orvane "$prefix" "$1" 60 'output=C:\orvane-told.txt')
    first=$(head -n 1 "$prefix/drive_c/orvane-told.txt" | tr -d '\r')
    log=${first#"Orvane: this run's log: C:\\"}
    log=$prefix/drive_c/${log//\\//}
    if ! grep -qE '^Orvane: this run.s log: C:\\.*\\Temp\\Orvane-[0-9a-f]{32}\.log$' <<<"$first"; then
        echo "the first line names no log: $first"
    elif [ "$(tail -n 1 "$log" | tr -d '\r')" != "Orvane: ended with status ${result#exit }." ]; then
        echo "the log does not end with the status: $log"
    fi
    echo "$result"
    tail -n +2 "$prefix/drive_c/orvane-told.txt" | tr -d '\r'
}
vc='C:\VS9\VC'
logs() { find "$prefix/drive_c/users" -name 'Orvane-*.log' | sort; }
before=$(logs)
echo "not for everyone" >"$work/secret.txt"
planted="Orvane-$(printf 'f%.0s' $(seq 32)).log"
for name in Orvane-planted.log "$planted"; do
    ln -s "$work/secret.txt" "$(dirname "$(logs | head -n 1)")/$name" 2>/dev/null
done
check "status 0 says where the templates went" same_text "$(told '-i C:\Kit\Templates')" \
    "exit 0
Orvane: added the templates to Visual Studio 9.0 ($vc)."
check "  each run makes one new log, and nothing planted is written" \
    same_text "$(comm -13 <(echo "$before") <(logs) | grep -vc -e Orvane-planted -e "$planted")$(cat "$work/secret.txt")" \
    "1not for everyone"
check "  in lines ending in CR LF" grep -q $'VC).\r$' "$prefix/drive_c/orvane-told.txt"
temp=$(dirname "$(logs | head -n 1)")
if chattr +i "$temp" 2>/dev/null; then
    check "  and a run whose log cannot be made goes on without it" same_text \
        "$(run_orvane "$prefix" '-i C:\Kit\Templates' 60 'output=C:\orvane-told.txt'; tr -d '\r' <"$prefix/drive_c/orvane-told.txt")" \
        "exit 0
Orvane: added the templates to Visual Studio 9.0 ($vc)."
    chattr -i "$temp"
fi
check "status 2 says how Orvane is called" grep -q '^Orvane: not understood. Give two words: -i' <<<"$(told '-i')"
check "a mistyped templates folder stops with 1 and says which folder is missing" \
    same_text "$(told '-i C:\Nowhere\Templates')" "exit 1
Orvane: stopped before any Visual Studio was changed: C:\\Nowhere\\Templates\\7.0\\VCPlusPlus\\TessaloomProjectMFC: the product's templates are not there as a folder (is the templates folder right?)"
mv "$prefix/drive_c/VS9/VC/vcprojectitems" "$prefix/drive_c/vcprojectitems.saved"
echo "not a folder" >"$prefix/drive_c/VS9/VC/vcprojectitems"
check "status 3 names the version, the folder and why" same_text "$(told '-u x' | head -2)" \
    "exit 3
Orvane: Visual Studio 9.0 ($vc): $vc\\vcprojectitems is not a folder of its own (a link, or a file in its place), so nothing is written through it"
rm "$prefix/drive_c/VS9/VC/vcprojectitems"
mv "$prefix/drive_c/vcprojectitems.saved" "$prefix/drive_c/VS9/VC/vcprojectitems"
sample=$prefix/drive_c/Kit/Samples/BandObjectsSample/BandObjects.vcproj
if make_unwritable "$sample"; then
    check "status 1 names the file that stopped it and the system's reason" grep -qx \
        'Orvane: stopped before any Visual Studio was changed: C:\\Kit\\Samples\\BandObjectsSample\\BandObjects.vcproj: cannot open it: Access denied (error 5)' \
        <<<"$(told '-i C:\Kit\Templates')"
    make_writable "$sample"
fi
check "\"/i\" is told that it removes" grep -qx 'Orvane: only -i adds the templates; "/i", like any other first word, removes them.' \
    <<<"$(told '/i C:\Kit\Templates')"

# A caller that reads a 4 KB pipe only once the run has ended, while five
# versions each have many undeletable leftovers under long names: the run
# ends by itself, the caller reads 40 lines or fewer, the last saying how
# it ended, and the log holds every line and ends with the status.
for version in 7.0 7.1 8.0 10.0; do
    vs_register "$prefix" "$version" "C:\\VS$version\\Common7\\IDE\\"
done
for vcdir in VS7.0/vc7 VS7.1/vc7 VS8.0/VC VS9/VC VS10.0/VC; do
    for n in $(seq 12); do
        stuck=$prefix/drive_c/$vcdir/Orvane.$(printf 'left-behind-%.0s' $(seq 8))$n
        mkdir -p "$stuck"
        ln -s "$work" "$stuck/link"
    done
done
check "a late-reading 4 KB pipe and 60 lines to tell: the removal ends by itself" \
    same_text "$(run_orvane "$prefix" '-u x' 60 'output=C:\piped.txt pipe')" "exit 0"
piped=$(tr -d '\r' <"$prefix/drive_c/piped.txt")
log=$(sed -n "1s/^Orvane: this run's log: C:\\\\//p" <<<"$piped")
log=$prefix/drive_c/${log//\\//}
check "  the caller reads 40 lines or fewer, how many more, and how the run ended" \
    test "$(wc -l <<<"$piped")" -le 40 -a -n "$(grep -E '^Orvane: [0-9]+ more line\(s\) are in the log: ' <<<"$piped")" \
    -a "$(tail -n 1 <<<"$piped")" = "Orvane: removed the templates from Visual Studio 7.0 (C:\VS7.0\vc7), 7.1 (C:\VS7.1\vc7), 8.0 (C:\VS8.0\VC), 9.0 (C:\VS9\VC), 10.0 (C:\VS10.0\VC)."
check "  the log holds every line and ends with the status" \
    test "$(grep -c 'waits in' "$log")" -eq 60 -a "$(tail -n 1 "$log" | tr -d '\r')" = "Orvane: ended with status 0."

finish
