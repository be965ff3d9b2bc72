#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test; fails
# when any build or test fails.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORVANE_ROOT"
install_missing_packages

for preset in native windows windows-x86 windows-units fuzz; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done

# The Windows GUI tests need a display; everything else runs without one.
start_private_display
trap stop_private_display EXIT
ctest --preset native -j 2
ctest --preset windows-x86
ctest --preset windows-units -j 2
ctest --preset windows -j 2

# The release from two clean clones: byte for byte the same, and the
# programs the tests above ran.
bash tests/reproducible.sh

# Each fuzz target for a bounded time (ORVANE_FUZZ_SECONDS, 60 by default).
./scripts/fuzz.sh
