#!/usr/bin/env bash
# Runs a command with Debian's 32-bit Wine beside the host's 64-bit one, so
# that the x86 build runs as it does on Windows: wine32 from the tree that
# scripts/test.sh sets up under build/wine32 is laid over /usr in a private
# mount namespace, which ends with the command. Outside it, the host's Wine
# and its packages stay exactly as they are. The command's prefixes live in
# a cache of their own, since a prefix booted by a 64-bit-only Wine cannot
# run 32-bit programs. Where the kernel runs no 32-bit code, the emulator
# layer that scripts/test.sh sets up goes over the tree too, and every
# 32-bit process Wine starts runs through qemu-i386. ORVANE_WINE32_RUNS
# tells the command which way its 32-bit programs run.
#   wine32.sh <command> [<argument>...]
set -u
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tree=${ORVANE_WINE32_ROOT:-$source_dir/build/wine32/root}
emulator=$source_dir/build/wine32/emulator
if [ ! -x "$tree/usr/lib/wine/wine" ]; then
    echo "FAIL no 32-bit Wine in $tree: ./scripts/test.sh sets it up"
    exit 1
fi
export ORVANE_WINE_CACHE=${ORVANE_WINE32_CACHE:-$source_dir/build/wine32/prefixes}

# In the namespace: the tree over /usr, host files where it has none.
exec unshare --mount --propagation private -- bash -c '
    tree=$1 emulator=$2
    shift 2
    mount -t overlay orvane-wine32 -o "lowerdir=$tree/usr:/usr" /usr || {
        echo "FAIL cannot lay the 32-bit Wine over /usr (overlay mounts need root)"; exit 1; }
    export ORVANE_WINE32_RUNS=natively
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        if [ ! -x "$emulator/usr/lib/wine/qemu-i386" ]; then
            echo "FAIL this kernel does not run 32-bit programs, and $emulator holds no qemu-i386: ./scripts/test.sh sets it up"
            exit 1
        fi
        mount -t overlay orvane-wine32-emulated -o "lowerdir=$emulator/usr:/usr" /usr || exit 1
        if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
            echo "FAIL this kernel does not run 32-bit programs, nor does the 32-bit Wine run through qemu-i386"
            exit 1
        fi
        export ORVANE_WINE32_RUNS="through $(/usr/lib/wine/qemu-i386 --version | head -n 1)"
    fi
    exec "$@"' wine32 "$tree" "$emulator" "$@"
