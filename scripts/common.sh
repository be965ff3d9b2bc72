# Set-up shared by the test command and the example run.

ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs with apt-get whatever of the build and test tools is missing.
install_missing_packages() {
    local wanted=(cmake ninja-build g++ libgtest-dev googletest
        g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64
        xvfb xdotool x11-utils imagemagick e2fsprogs clang-14 libclang-rt-14-dev libbenchmark-dev
        python3 wixl zip fonts-wine)
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
