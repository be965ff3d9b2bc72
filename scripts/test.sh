#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test; fails
# when any build or test fails.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORVANE_ROOT"
install_missing_packages

# The 32-bit Wine downloads while the presets build, and where this kernel
# runs no 32-bit code, the emulator it runs through.
mkdir -p build
wine32_setup >build/wine32-setup.log 2>&1 &
wine32_job=$!

for preset in native windows windows-x86 windows-units windows-units-x86 fuzz; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done

# The Windows GUI tests need a display; everything else runs without one.
start_private_display
trap stop_private_display EXIT
ctest --preset native -j 2
ctest --preset windows-units -j 2
ctest --preset windows -j 2

# The x86 build, the one that ships, through the same tests under the
# 32-bit Wine. (Beside the x64 build's tests they take longer: both suites
# keep both cores busy, the more so through the emulator.)
wait "$wine32_job" || { cat build/wine32-setup.log; echo "cannot set up the 32-bit Wine"; exit 1; }
# Where the 32-bit Wine runs neither way, one line says so and the run fails.
tests/wine/wine32.sh true || exit 1
echo "x86 build: runs under Debian's 32-bit Wine $(dpkg-query -W -f '${Version}' wine64)," \
    "$(tests/wine/wine32.sh sh -c 'echo "$ORVANE_WINE32_RUNS"') on this kernel"
ctest --preset windows-units-x86 -j 2
ctest --preset windows-x86 -j 2

# The release from two clean clones: byte for byte the same, and the
# programs the tests above ran.
bash tests/reproducible.sh

# Each fuzz target for a bounded time (ORVANE_FUZZ_SECONDS, 60 by default).
./scripts/fuzz.sh
