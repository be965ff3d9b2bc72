#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix that lives and dies
# with the run: the emulator through which CTest starts Windows programs.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
prefix=$(wine_new_prefix) || exit 1
trap 'wine_drop_prefix "$prefix"' EXIT
WINEPREFIX=$prefix timeout "${ORVANE_WINE_TIMEOUT:-300}" wine "$@"
