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
