#!/usr/bin/env bash
# Visual Studio lookup by the real Orvane.exe through the real registry:
# which registrations lead to a deployment and where it lands.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY
prefix=$(wine_new_prefix) || exit 1
trap 'wine_drop_prefix "$prefix"' EXIT
product_install "$prefix"
c=$prefix/drive_c

deployed() { test -f "$1/vcprojects/TessaloomsMFC/TessaloomProjectMFC.vsz"; }

# Only 9.0 registered, in the 32-bit view; 10.0 only in the 64-bit view.
mkdir -p "$c/VS9/VC" "$c/VS10/VC" "$c/VS8/VC"
vs_register "$prefix" 9.0 'C:\VS9\Common7\IDE\'
WINEPREFIX=$prefix wine reg add 'HKLM\Software\Microsoft\VisualStudio\10.0' /v InstallDir \
    /d 'C:\VS10\Common7\IDE\' /reg:64 /f >/dev/null 2>&1
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
check "the registered 9.0 is served" deployed "$c/VS9/VC"
check "a version registered only in the 64-bit view is not" test ! -e "$c/VS10/VC/vcprojects"

# An InstallDir of 99 characters fits the value buffer; one of 100 does not.
dir99="C:\\$(printf 'd%.0s' $(seq 87))\\Common7\\"
dir100="C:\\$(printf 'e%.0s' $(seq 88))\\Common7\\"
[ ${#dir99} -eq 99 ] && [ ${#dir100} -eq 100 ] || { echo "bad lengths"; exit 1; }
# Two levels above C:\ddd...\Common7\ is C:\, so the VC folder is C:\VC.
mkdir -p "$c/VC"
vs_register "$prefix" 9.0 "$dir99"
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
check "an InstallDir of 99 characters is used" deployed "$c/VC"
run_orvane "$prefix" "-u x" >/dev/null
check "and its templates are removed again" test ! -e "$c/VC/vcprojects/TessaloomsMFC"
vs_register "$prefix" 9.0 "$dir100"
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
check "an InstallDir of 100 characters is used too: any length is" deployed "$c/VC"
run_orvane "$prefix" "-u x" >/dev/null

# No backslash is inserted: C:\VSX\Common7\IDE gives C:\VSX\Common7\IDE..\..\
# which stands for C:\VSX\Common7\, so the VC folder is C:\VSX\Common7\VC.
mkdir -p "$c/VSX/Common7/IDE" "$c/VSX/Common7/VC" "$c/VSX/VC"
vs_register "$prefix" 9.0 'C:\VSX\Common7\IDE'
run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"" >/dev/null
check "an InstallDir without a final backslash is taken as it stands" deployed "$c/VSX/Common7/VC"
check "and no backslash is inserted before ..\\..\\" test ! -e "$c/VSX/VC/vcprojects"

# A key without InstallDir is passed over. An InstallDir that is a DWORD is
# taken as its bytes: 0x00003a43 reads "C:", giving the root C:..\..\,
# which stands for the root of drive C, so its VC folder is C:\VC.
run_orvane "$prefix" "-u x" >/dev/null
WINEPREFIX=$prefix wine reg delete 'HKLM\Software\Microsoft\VisualStudio\9.0' /v InstallDir \
    /reg:32 /f >/dev/null 2>&1
check "a key without InstallDir ends quietly" same_text "$(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"")" "exit 0"
check "and serves nothing" test ! -e "$c/VC/vcprojects/TessaloomsMFC"
WINEPREFIX=$prefix wine reg add 'HKLM\Software\Microsoft\VisualStudio\8.0' /v InstallDir \
    /t REG_DWORD /d 0x00003a43 /reg:32 /f >/dev/null 2>&1
check "a DWORD InstallDir ends quietly" same_text "$(run_orvane "$prefix" "-i \"$PRODUCT_TEMPLATES\"")" "exit 0"
check "and its bytes are the path" test -f "$c/VC/vcprojects/TessaloomsMFC/TessaloomProjectMFC.vsz"

finish
