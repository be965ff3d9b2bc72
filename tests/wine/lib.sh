# Shared helpers for the tests that run Windows programs under Wine.
#
# Every run gets a private prefix, copied from one booted template prefix so
# that it is ready in seconds; its wineserver is ended and the prefix removed
# when the run is over. No other prefix, ~/.wine included, is touched.

ORVANE_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
ORVANE_WINE_CACHE=${ORVANE_WINE_CACHE:-$ORVANE_SOURCE_DIR/build/wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Boots the template prefix once; concurrent callers wait for the first.
wine_template() {
    local template=$ORVANE_WINE_CACHE/template
    mkdir -p "$ORVANE_WINE_CACHE"
    (
        flock 9
        if [ ! -f "$template/.booted" ]; then
            rm -rf "$template"
            WINEPREFIX=$template timeout 300 wineboot -i >/dev/null 2>&1 || exit 1
            WINEPREFIX=$template wineserver -w
            touch "$template/.booted"
        fi
        # Wine draws the caption buttons with its Marlett font (fonts-wine),
        # but this Wine does not look in /usr/share/wine/fonts for it.
        local marlett=/usr/share/wine/fonts/marlett.ttf
        if [ -f "$marlett" ] && [ ! -f "$template/drive_c/windows/Fonts/marlett.ttf" ]; then
            cp "$marlett" "$template/drive_c/windows/Fonts/"
        fi
    ) 9>"$ORVANE_WINE_CACHE/template.lock" || { echo "cannot boot a Wine prefix" >&2; return 1; }
    echo "$template"
}

# Prints the path of a new private prefix.
wine_new_prefix() {
    local template prefix
    template=$(wine_template) || return 1
    mkdir -p "$ORVANE_WINE_CACHE/runs"
    prefix=$(mktemp -d "$ORVANE_WINE_CACHE/runs/prefix.XXXXXX")
    cp -a "$template/." "$prefix/"
    echo "$prefix"
}

# Ends the prefix's own wineserver and removes the prefix.
wine_drop_prefix() {
    local prefix=$1
    [ -n "$prefix" ] && [ -d "$prefix" ] || return 0
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    WINEPREFIX=$prefix wineserver -w 2>/dev/null
    case "$prefix" in
        "$ORVANE_WINE_CACHE"/runs/prefix.*) rm -rf "$prefix" ;;
    esac
}

# The Windows path of a Linux path, on Wine's drive Z:.
winpath() {
    local p
    p=$(readlink -f "$1")
    echo "Z:${p//\//\\}"
}

# --- Running Orvane -----------------------------------------------------------

# The build folder holding Orvane.exe and the test tools.
# The first argument of a test script, when given, names it.
ORVANE_BUILD=${ORVANE_BUILD:-${1:-$ORVANE_SOURCE_DIR/build/windows}}
[ -d "$ORVANE_BUILD" ] && ORVANE_BUILD=$(cd "$ORVANE_BUILD" && pwd)

# The architecture of a Windows program, x86 or x64, from its PE header.
pe_arch() {
    local header machine
    header=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ') || return 1
    machine=$(od -An -t x2 -j $((header + 4)) -N 2 "$1" | tr -d ' ')
    case $machine in
        014c) echo x86 ;;
        8664) echo x64 ;;
        *) return 1 ;;
    esac
}
ORVANE_ARCH=$(pe_arch "$ORVANE_BUILD/Orvane.exe" 2>/dev/null)

# Runs Orvane.exe (or ORVANE_EXE) in prefix $1 with the command-line words
# $2, sent byte for byte; prints the launcher's "exit N" or "timeout".
# Without a display the confirmation window cannot open, so an installation
# ends on its own. With $4 "unseen", it runs in a window station nobody sees.
run_orvane() {
    local prefix=$1 words=$2 timeout=${3:-60} station=${4:-}
    local exe file
    exe=$(winpath "${ORVANE_EXE:-$ORVANE_BUILD/Orvane.exe}")
    # A file of its own, so that runs started at once each keep theirs.
    file=$(mktemp "$prefix/orvane-command-line.XXXXXX")
    printf '"%s" %s' "$exe" "$words" >"$file"
    # The program starts in the prefix's drive C, or in ORVANE_CWD, so that
    # relative paths never reach outside the prefix.
    (cd "${ORVANE_CWD:-$prefix/drive_c}" && launch "$prefix" "$(winpath "$file")" "$timeout" $station)
    rm -f "$file"
}

# Runs the command line in the Windows file $2 of prefix $1 through the
# launcher, waiting up to $3 seconds ($4: the launcher's station options);
# prints how it ended ("exit N").
launch() {
    local prefix=$1 file=$2 timeout=$3 attempt result
    shift 3
    for attempt in 1 2; do
        result=$(WINEPREFIX=$prefix timeout $((timeout + 30)) wine "$ORVANE_BUILD/orvane_launch.exe" \
            "$file" "$timeout" "$@" | tr -d '\r')
        # The launcher always says how the program ended. Saying nothing,
        # it never ran: Wine lost its server as it started (seen once in
        # many runs: "recvmsg: Connection reset by peer"), so once more.
        [ -n "$result" ] && break
        echo "note: the launcher did not run (attempt $attempt)" >&2
    done
    echo "$result"
}

# Registers Visual Studio version $2 in prefix $1 with InstallDir $3, in the
# 32-bit view where those versions register.
vs_register() {
    WINEPREFIX=$1 wine reg add "HKLM\\Software\\Microsoft\\VisualStudio\\$2" /v InstallDir \
        /d "$3" /reg:32 /f >/dev/null 2>&1
}

VS71_IDE='C:\Program Files\Microsoft Visual Studio .NET 2003\Common7\IDE\'
VS90_IDE='C:\Program Files (x86)\Microsoft Visual Studio 9.0\Common7\IDE\'
VS71_VC='drive_c/Program Files/Microsoft Visual Studio .NET 2003/Vc7'
VS90_VC='drive_c/Program Files (x86)/Microsoft Visual Studio 9.0/VC'

# Lays out a VC folder at $1 as Visual Studio leaves it: its own project
# templates, item templates and wizards.
vs_layout() {
    local vc=$1
    mkdir -p "$vc/../Common7/IDE" "$vc/vcprojects/Vcpp" "$vc/vcprojectitems/Local Items" \
        "$vc/VCWizards/AppWiz/Generic/Application/scripts/1033" "$vc/VCWizards/ClassWiz/ATL"
    echo 'VSWIZARD 7.0' >"$vc/vcprojects/Vcpp/Win32Proj.vsz"
    printf 'Win32Proj.vsz| |Win32 Project|1\r\n' >"$vc/vcprojects/Vcpp/Vcpp.vsdir"
    echo 'cpp file' >"$vc/vcprojectitems/Local Items/newc++file.cpp"
    echo 'function OnFinish() {}' >"$vc/VCWizards/AppWiz/Generic/Application/scripts/1033/default.js"
    echo 'atl' >"$vc/VCWizards/ClassWiz/ATL/atl.txt"
}

# The two realistic installations: Visual Studio .NET 2003 (7.1, whose VC
# folder is spelled Vc7) and Visual Studio 2008 (9.0).
vs_install_both() {
    local prefix=$1
    vs_layout "$prefix/$VS71_VC"
    vs_layout "$prefix/$VS90_VC"
    vs_register "$prefix" 7.1 "$VS71_IDE"
    vs_register "$prefix" 9.0 "$VS90_IDE"
}

# The same in prefix $1, with both VC folders kept as they were in
# $2/vs71-before and $2/vs90-before; sets vs71 and vs90 to the folders.
vs_install_both_kept() {
    vs_install_both "$1"
    vs71=$1/$VS71_VC
    vs90=$1/$VS90_VC
    cp -a "$vs71" "$2/vs71-before"
    cp -a "$vs90" "$2/vs90-before"
}

# Checks what an installer that ran Orvane leaves, with the product
# installed at $2 (Windows path $3) and the folders kept in $1: both VC
# folders hold their own entries and the product's, file for file, and the
# product's files are customised.
check_installed_everywhere() {
    local work=$1 installed=$2 root=$3
    expected_vc "$work/vs71-before" 7.1 "$work/vs71-expected" "$installed/Templates"
    expected_vc "$work/vs90-before" 9.0 "$work/vs90-expected" "$installed/Templates"
    check "7.1 holds its own entries and the product's, file for file" same_tree "$vs71" "$work/vs71-expected"
    check "9.0 holds its own entries and the product's, file for file" same_tree "$vs90" "$work/vs90-expected"
    check "the samples point at the installed product and the launchers are stamped" \
        product_as_installed "$installed" "$root"
}

# Copies the example product into prefix $1 as C:\Program Files\Tessaloom.
PRODUCT_DIR='drive_c/Program Files/Tessaloom'
PRODUCT_TEMPLATES='C:\Program Files\Tessaloom\Templates\'
product_install() {
    mkdir -p "$1/$PRODUCT_DIR"
    cp -a "$ORVANE_SOURCE_DIR/example/product/." "$1/$PRODUCT_DIR/"
}

# What a version's VC folder must hold after deployment: the folder $1 as it
# was, with the product's folders for version $2 from the templates folder
# $4 and that version's wizard scripts; made at $3.
expected_vc() {
    local before=$1 version=$2 out=$3 templates=$4
    rm -rf "$out"
    cp -a "$before" "$out"
    cp -a "$templates/$version/VCPlusPlus/TessaloomProjectMFC" "$out/vcprojects/TessaloomsMFC"
    cp -a "$templates/$version/VCPlusPlus/TessaloomsMFC" "$out/vcprojectitems/TessaloomsMFC"
    cp -a "$templates/Templates/VCPlusPlus/." "$out/VCWizards/"
    local wiz=$out/VCWizards/TessaloomsWiz/scripts/1033 tpl=$out/VCWizards/TessaloomsTemplateWiz/scripts/1033
    case $version in
        7.*) rm "$wiz/default05.js" ;;
        *) mv "$wiz/default05.js" "$wiz/default.js"
           mv "$tpl/default05.js" "$tpl/default.js" ;;
    esac
}

# Every entry below $1, folders with a final "/", files with their checksum.
tree_listing() {
    (cd "$1" && find . -mindepth 1 \( -type d -printf '%P/\n' \) -o \( -type f -printf '%P\n' \) |
        LC_ALL=C sort | while IFS= read -r entry; do
            case "$entry" in
                */) echo "$entry" ;;
                *) echo "$entry $(md5sum <"$entry" | cut -c1-32)" ;;
            esac
        done)
}

# --- Checks -------------------------------------------------------------------

failures=0
check() {  # check <description> <command...>
    local what=$1
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        failures=$((failures + 1))
    fi
}
same_text() { [ "$1" = "$2" ] || { diff <(echo "$1") <(echo "$2") | head -20; return 1; }; }
same_files() { cmp -s "$1" "$2" || { echo "differ: $1 $2"; return 1; }; }
same_tree() { same_text "$(tree_listing "$1")" "$(tree_listing "$2")"; }
finish() {
    echo "$failures failure(s)"
    [ "$failures" -eq 0 ]
}

# --- Customisation rules --------------------------------------------------------

# What the rewriter makes of project $1 with include folder $2 and library
# folder $3: LF ends a line, with any CRs before it; every line is written with LF,
# and a line holding either key becomes a tab and that setting.
rewritten_project() {
    LC_ALL=C awk -v inc="$2" -v lib="$3" '
        BEGIN { ORS = "\n" }
        {
            sub(/\r+$/, "")
            end = index($0, "/>") ? "/>" : ""
            if (index($0, "AdditionalIncludeDirectories"))
                print "\tAdditionalIncludeDirectories=\"" inc "\"" end
            else if (index($0, "AdditionalLibraryDirectories"))
                print "\tAdditionalLibraryDirectories=\"" lib "\"" end
            else
                print
        }' "$1"
}

# What the stamper makes of launcher $1 with product root $2.
stamped_launcher() {
    cat "$1"
    printf '\nParam="BASE_DIR = %s"\n' "$2"
}

# Checks that every file of the product installed at $1 (a folder whose
# Windows path is $2, ending in a backslash) is as an installation leaves
# it: the samples rewritten, the launchers stamped once, everything else as
# shipped.
product_as_installed() {
    local installed=$1 root=$2 source=$ORVANE_SOURCE_DIR/example/product rel bad=0
    [ -d "$installed" ] || return 1
    while IFS= read -r rel; do
        case $rel in
            Samples/*.vcproj) rewritten_project "$source/$rel" "${root}Include" "${root}Lib" ;;
            *.vsz) if is_listed_launcher "$rel"; then stamped_launcher "$source/$rel" "$root"; else cat "$source/$rel"; fi ;;
            *) cat "$source/$rel" ;;
        esac | cmp -s - "$installed/$rel" || { [ $bad -ge 3 ] || echo "  differs: $rel"; bad=$((bad + 1)); }
    done < <(cd "$source" && find . -type f -printf '%P\n')
    [ $bad -eq 0 ]
}

# Makes file $1 impossible to open for writing, even for root; undone by
# make_writable. Fails when this file system cannot do it.
make_unwritable() {
    if [ "$(id -u)" -eq 0 ]; then
        chattr +i "$1" 2>/dev/null
    else
        chmod a-w "$1"
    fi
}
make_writable() {
    chattr -i "$1" 2>/dev/null
    chmod u+w "$1"
}

# The launcher names the stamper looks for, read from its source.
LAUNCHER_NAMES=$(sed -n 's/.*"\(Add[A-Za-z]*\.vsz\)",*$/\1/p' "$ORVANE_SOURCE_DIR/customise/LauncherStamper.cpp")
is_listed_launcher() { grep -qxF "$(basename "$1")" <<<"$LAUNCHER_NAMES"; }

SAMPLE_ROWS="BandObjectsSample/BandObjects BrowserHelperObjectSample/BHOSample
ColumnExtensionSample/SlnFileVersion ContextMenuExtensionSample/RegSvr
CopyHookExtensionSample/ShellOperationsLog DirBackgroundCtxMenuExtensionSample/CopyPath
DiskCleanupExtensionSample/DummyDiskCleaner DropExtensionSample/FileCounter
IconExtensionSample/IconsAsImages InfotipExtensionSample/TextFilePreview
OverlayIconExtensionSample/LargeTextFiles PropertySheetExtensionSample/BitmapPreview
SendToExtensionSample/FileCounter ShellExecuteHookExtensionSample/ShellExecuteLog
DragDropExtensionSample/FileDragDropInfoSample ThumbnailExtensionSample/TextFilePreview
AutoPlayExtensionSample/VideoFilesAutoPlay PreviewHandlerSample/BitmapPreview
PropertyHandlerSample/TextFileInfoSample ThumbnailProviderSample/TextFilePreview
ContextMenuWithIcons/ContextMenuWithIcons ImagePreviewSample/ImagePreviewSample
ControlPanelItemSample/SampleControlPanelItem"

# The Linux process ids of the Orvane.exe processes running in prefix $1.
orvane_pids() {
    local pid
    for pid in $(pgrep -f 'Orvane\.exe'); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$1" && echo "$pid"
    done
}

# Makes every sample project of the product in prefix $1 about $2 MiB, with
# key lines spread all through it.
enlarge_samples() {
    local prefix=$1 mib=$2 rel file
    for rel in $SAMPLE_ROWS; do
        file="$prefix/$PRODUCT_DIR/Samples/$rel.vcproj"
        awk -v n=$((mib * 1024 * 1024)) '{ a[NR] = $0 "\n"; l += length($0) + 1 }
            END { while (t < n) for (i = 1; i <= NR; ++i) { printf "%s", a[i]; t += length(a[i]) } }' \
            ORS= RS='\n' "$file" >"$file.big"
        mv "$file.big" "$file"
    done
}

# Checks that launcher $1 is original $2 followed by whole stamps naming
# root $3, at least $4 of them; prints how many.
count_stamps() {
    local file=$1 original=$2 root=$3 least=$4 k=0
    cp "$original" "$ORVANE_WINE_CACHE/stamps.$$"
    while [ $k -le 8 ]; do
        if cmp -s "$file" "$ORVANE_WINE_CACHE/stamps.$$"; then
            rm -f "$ORVANE_WINE_CACHE/stamps.$$"
            echo $k
            [ $k -ge "$least" ]
            return
        fi
        printf '\nParam="BASE_DIR = %s"\n' "$root" >>"$ORVANE_WINE_CACHE/stamps.$$"
        k=$((k + 1))
    done
    rm -f "$ORVANE_WINE_CACHE/stamps.$$"
    echo "corrupt"
    return 1
}
