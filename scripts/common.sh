# Set-up shared by the test command and the example run.

ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs with apt-get whatever of the build and test tools is missing.
install_missing_packages() {
    local wanted=(cmake ninja-build g++ libgtest-dev googletest
        g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64
        xvfb xdotool x11-utils imagemagick e2fsprogs clang-14 libclang-rt-14-dev libbenchmark-dev
        python3 wixl msitools zip fonts-wine mmdebstrap nsis osslsigncode)
    local missing=() package
    for package in "${wanted[@]}"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Starts a private Xvfb on a free display and exports DISPLAY; the caller
# stops it with stop_private_display.
start_private_display() {
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    ORVANE_XVFB_PID=$!
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
    export DISPLAY=":$n"
}

# Stops the Xvfb that start_private_display started, by its process id.
stop_private_display() {
    [ -n "${ORVANE_XVFB_PID:-}" ] && kill "$ORVANE_XVFB_PID" 2>/dev/null
    ORVANE_XVFB_PID=
}

# The 32-bit Wine the x86 build runs under: Debian's wine32 of the very
# version of the host's wine64, with the i386 libraries it needs, in a tree
# of its own under build/ (about 900 MB, made once). The host's dpkg gets no
# foreign architecture; tests/wine/wine32.sh lays the tree over /usr in a
# private mount namespace. The packages come from apt's own sources.
wine32_tree() {
    local tree=$ORVANE_ROOT/build/wine32/root version suite sources=() file attempt
    version=$(dpkg-query -W -f '${Version}' wine64)
    [ -f "$tree/.wine32-$version" ] && return 0
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && grep -qE '^[[:space:]]*(deb |Types:.*deb)' "$file" && sources+=("$file")
    done
    echo "setting up the 32-bit Wine $version in build/wine32 (once)"
    for attempt in 1 2 3; do
        rm -rf "$tree"
        mkdir -p "${tree%/*}"
        if mmdebstrap --quiet --mode=root --variant=minbase --architectures=amd64,i386 \
            --include="wine32:i386=$version" "$suite" "$tree" "${sources[@]}" </dev/null; then
            touch "$tree/.wine32-$version"
            return 0
        fi
        # A mirror caught in the middle of a sync serves an index that does
        # not match its Release file, for a while. The security suite holds
        # no Wine: the last try goes without it.
        echo "the 32-bit Wine could not be set up (try $attempt of 3)"
        sleep 20
        [ "$attempt" -eq 2 ] && mapfile -t sources < <(sources_without_security "${sources[@]}")
    done
    return 1
}

# Copies of the apt sources files $@ without their security suites, in
# build/wine32/sources; prints their paths.
sources_without_security() {
    local folder=$ORVANE_ROOT/build/wine32/sources file copy
    rm -rf "$folder"
    mkdir -p "$folder"
    for file in "$@"; do
        copy=$folder/$(basename "$file")
        case $file in
            *.sources) awk -v RS= -v ORS='\n\n' '!/Suites:[^\n]*-security/' "$file" >"$copy" ;;
            *) grep -v -- '-security' "$file" >"$copy" ;;
        esac
        grep -qE '^[[:space:]]*(deb |Types:.*deb)' "$copy" && echo "$copy"
    done
}
