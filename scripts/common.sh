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
    local tree=$ORVANE_ROOT/build/wine32/root version suite sources=() attempt
    version=$(dpkg-query -W -f '${Version}' wine64)
    [ -f "$tree/.wine32-$version" ] && return 0
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mapfile -t sources < <(apt_sources)
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

# The 32-bit Wine, and where this kernel runs no 32-bit code, the emulator
# it runs through (set up again, with the loader of the tree as it is now).
wine32_setup() {
    wine32_tree || return 1
    "$ORVANE_ROOT/tests/wine/wine32.sh" sh -c '[ "$ORVANE_WINE32_RUNS" = natively ]' || wine32_emulator
}

# Where the kernel runs no 32-bit code at all (IA-32 emulation off, as under
# some hypervisors), the 32-bit Wine runs through qemu-i386: Debian
# unstable's, whose mmap keeps the address space Wine reserves at start
# (bookworm's qemu 7.2 takes about a minute to start each 32-bit process).
# It is a static program, fetched and checked by apt from the host's own
# mirror; nothing is installed on the host. It goes into a layer that
# tests/wine/wine32.sh lays over the tree, build/wine32/emulator/usr, with
# the tree's 32-bit loader beside it and, in the loader's place, a script
# that starts the loader through it.
wine32_emulator() {
    local layer=$ORVANE_ROOT/build/wine32/emulator/usr/lib/wine apt_dir=$ORVANE_ROOT/build/wine32/apt mirror
    if [ ! -x "$layer/qemu-i386" ]; then
        mirror=$(debian_mirror) || { echo "no Debian mirror in apt's sources"; return 1; }
        echo "setting up qemu-i386 from Debian unstable at $mirror in build/wine32/emulator (once)"
        rm -rf "$apt_dir"
        mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$layer"
        echo "deb $mirror sid main" >"$apt_dir/sources.list"
        # Unstable on a mirror that is a snapshot outlives its Release's
        # date; its signature is still checked against the host's keys.
        local options=(-q -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
            -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
            -o Acquire::Check-Valid-Until=false -o APT::Sandbox::User=root)
        apt-get "${options[@]}" update &&
            (cd "$apt_dir" && apt-get "${options[@]}" download qemu-user) &&
            dpkg-deb --fsys-tarfile "$apt_dir"/qemu-user_*.deb |
            tar -xO ./usr/bin/qemu-i386 >"$layer/qemu-i386.new" || return 1
        chmod 755 "$layer/qemu-i386.new"
        mv "$layer/qemu-i386.new" "$layer/qemu-i386"
    fi
    # The loader's copy follows the tree, which a new Wine version remakes.
    cp "$ORVANE_ROOT/build/wine32/root/usr/lib/wine/wine" "$layer/wine-i386"
    # argv[0] stays the loader's own path, from which Wine finds wine64.
    printf '%s\n' '#!/bin/sh' \
        'exec /usr/lib/wine/qemu-i386 -0 /usr/lib/wine/wine /usr/lib/wine/wine-i386 "$@"' >"$layer/wine"
    chmod 755 "$layer/wine"
}

# Prints the paths of apt's sources files that name a package archive.
apt_sources() {
    local file
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && grep -qE '^[[:space:]]*(deb |Types:.*deb)' "$file" && echo "$file"
    done
}

# Prints the first Debian archive (not its security suite) apt's sources name.
debian_mirror() {
    local file
    apt_sources | while IFS= read -r file; do
        sed -nE -e 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+).*/\2/p' \
            -e 's/^[[:space:]]*URIs:[[:space:]]*([^[:space:]]+).*/\1/p' "$file"
    done | grep -v -- '-security' | head -n 1 | grep .
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
