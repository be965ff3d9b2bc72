#!/usr/bin/env bash
# Runs a command with Debian's 32-bit Wine beside the host's 64-bit one, so
# that the x86 build runs as it does on Windows: wine32 from the tree that
# scripts/test.sh sets up under build/wine32 is laid over /usr in a private
# mount namespace, which ends with the command. Outside it, the host's Wine
# and its packages stay exactly as they are. The command's prefixes live in
# a cache of their own, since a prefix booted by a 64-bit-only Wine cannot
# run 32-bit programs.
#   wine32.sh <command> [<argument>...]
set -u
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tree=${ORVANE_WINE32_ROOT:-$source_dir/build/wine32/root}
if [ ! -x "$tree/usr/lib/wine/wine" ]; then
    echo "FAIL no 32-bit Wine in $tree: ./scripts/test.sh sets it up"
    exit 1
fi
export ORVANE_WINE_CACHE=${ORVANE_WINE32_CACHE:-$source_dir/build/wine32/prefixes}

# In the namespace: the tree over /usr, host files where it has none.
exec unshare --mount --propagation private -- bash -c '
    mount -t overlay orvane-wine32 -o "lowerdir=$0/usr:/usr" /usr || {
        echo "FAIL cannot lay the 32-bit Wine over /usr (overlay mounts need root)"; exit 1; }
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo "FAIL this kernel does not run 32-bit programs, so the x86 build cannot run here"
        exit 1
    fi
    exec "$@"' "$tree" "$@"
