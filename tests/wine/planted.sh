#!/usr/bin/env bash
# No planted DLL runs inside Orvane.exe. DLLs named like every DLL that its
# runs load are planted beside a copy of Orvane.exe and in the folder it is
# started from; then an installation with the window, a removal and an
# installation without a display run as usual, and none of them loads any.
# The same again where SetDefaultDllDirectories is missing (XP, Vista, 7
# without its update), emulated by a copy whose look-up of it fails, with
# Wine told to prefer a planted DLL to its own for those loaded by name.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
[ -n "${DISPLAY:-}" ] || { echo "FAIL no display (the test command starts a private Xvfb)"; exit 1; }
prefix=$(wine_new_prefix) || exit 1
work=$(mktemp -d "$ORVANE_WINE_CACHE/runs/work.XXXXXX")
trap 'wine_drop_prefix "$prefix"; rm -rf "$work"' EXIT
product_install "$prefix"
vs_install_both "$prefix"
beside=$prefix/drive_c/Download
export ORVANE_CWD=$prefix/drive_c/Work
mkdir -p "$beside" "$ORVANE_CWD"
cp "$ORVANE_BUILD/Orvane.exe" "$beside/"
export ORVANE_EXE=$beside/Orvane.exe
TITLE="Project Templates Added"
display=$DISPLAY

# Runs the three runs with the loader's trace in $1; prints their results.
run_all() {
    local trace=$1
    export WINEDEBUG=+pid,+loaddll
    run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 60 2>>"$trace" >"$work/install.out" &
    local runner=$!
    WINEDEBUG=-all wine "$ORVANE_BUILD/orvane_probe.exe" wait "$TITLE" 40 | tr -d '\r' | grep -q '^window ' &&
        echo "window shown"
    WINEDEBUG=-all wine "$ORVANE_BUILD/orvane_probe.exe" syscommand "$TITLE" 61536 >/dev/null  # SC_CLOSE
    wait "$runner"
    echo "install: $(cat "$work/install.out")"
    echo "remove: $(run_orvane "$prefix" "-u x" 2>>"$trace")"
    # Wine takes its display when the prefix's first program starts.
    WINEPREFIX=$prefix wineserver -k
    WINEPREFIX=$prefix wineserver -w
    unset DISPLAY
    echo "install without a display: $(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" 2>>"$trace")"
    export DISPLAY=$display WINEDEBUG=-all
    WINEPREFIX=$prefix wineserver -k
    WINEPREFIX=$prefix wineserver -w
}

# Every module loaded into Orvane.exe, from the trace in $1, as "pid path
# kind". Where a planted file bears the name of a DLL Wine supplies, Wine
# may load its own builtin DLL under the planted path: only "native" means
# the planted file's code.
orvane_loads() {
    tr -d '\r' <"$1" |
        sed -n 's/^\([0-9a-f]*\):[0-9a-f]*:trace:loaddll:[a-z_]* Loaded L"\(.*\)" at [0-9A-F]*: \(.*\)/\1 \2 \3/p' |
        awk '/\\\\Orvane\.exe / { orvane[$1] = 1 } ($1 in orvane) { print }'
}

export WINEPREFIX=$prefix
expected=$(run_all "$work/clean.trace")
echo "$expected"
check "the runs behave as expected with nothing planted" same_text "$expected" "window shown
install: exit 0
remove: exit 0
install without a display: exit 0"
names=$(orvane_loads "$work/clean.trace" | sed 's/.*\\\\//; s/ .*//' | tr 'A-Z' 'a-z' | grep '\.dll$' | sort -u)
echo "DLLs loaded into Orvane.exe: $(echo $names)"
check "the trace names the DLLs the runs load" [ "$(echo "$names" | wc -w)" -ge 5 ]

for name in $names; do
    cp "$ORVANE_BUILD/orvane_planted.dll" "$beside/$name"
    cp "$ORVANE_BUILD/orvane_planted.dll" "$ORVANE_CWD/$name"
done
rm -f "$prefix/drive_c/planted.log"
check "with them planted beside it and in its current directory, the runs behave the same" \
    same_text "$(run_all "$work/planted.trace")" "$expected"
from_planted=$(orvane_loads "$work/planted.trace" | grep -i -e '\\\\drive_c\\\\Download\\\\.*\.dll native' -e '\\\\drive_c\\\\Work\\\\.* native')
check "the loader took no planted DLL into Orvane.exe" same_text "$from_planted" ""
check "no planted DLL ran inside Orvane.exe" \
    same_text "$(grep -i 'Orvane\.exe' "$prefix/drive_c/planted.log" 2>/dev/null | tr -d '\r')" ""

perl -pi -e 's/SetDefaultDllDirectories/SetDefaultDllDirectorieZ/g' "$beside/Orvane.exe"
check "a copy that cannot look up SetDefaultDllDirectories is made" grep -q SetDefaultDllDirectorieZ "$beside/Orvane.exe"
# The one the system's DLLs load by name once the program runs, for the
# window's theme. The others are imports of Wine's own DLLs, loaded with the
# process before any of its code runs; preferring a planted file for them
# would test Wine's loader, not the program.
later=uxtheme
grep -qx "$later.dll" <<<"$names" || echo "FAIL the runs load no $later.dll"
rm -f "$prefix/drive_c/planted.log"
check "  its runs, with the same planted, behave the same" \
    same_text "$(WINEDLLOVERRIDES="$later=n,b" run_all "$work/older.trace")" "$expected"
check "  and load no planted DLL" \
    same_text "$(grep -i 'Orvane\.exe' "$prefix/drive_c/planted.log" 2>/dev/null | tr -d '\r')$(orvane_loads "$work/older.trace" | grep -i -e '\\drive_c\\Download\\.*\.dll native' -e '\\drive_c\\Work\\.* native')" ""
finish
