#!/usr/bin/env bash
# The release is reproducible: two clean clones of this repository, in
# folders of different depths, give byte-identical zips, and the programs in
# them are the ones the tests ran, x64 under the host's Wine and x86 under the
# 32-bit one. It releases what is committed.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
zips=()
for clone in a "the second/clone"; do
    git clone -q "$ORVANE_SOURCE_DIR" "$work/$clone"
    zips+=("$("$work/$clone/scripts/release.sh" | head -1)")
done
check "two clones give byte-identical zips" same_files "${zips[0]}" "${zips[1]}"
unzip -q "${zips[0]}" -d "$work/unpacked"
check "its SHA256SUMS are right" bash -c "cd '$work/unpacked' && sha256sum --quiet -c SHA256SUMS"
check "its x64 program is the one the tests ran" \
    same_files "$work/unpacked/x64/Orvane.exe" "$ORVANE_SOURCE_DIR/build/windows/Orvane.exe"
check "its x86 program is the one the tests ran" \
    same_files "$work/unpacked/x86/Orvane.exe" "$ORVANE_SOURCE_DIR/build/windows-x86/Orvane.exe"
check "README.txt names the file to ship" grep -q 'x86\\Orvane.exe   ship this one' "$work/unpacked/README.txt"
guide() { for text in "$@"; do grep -qF -- "$text" "$work/unpacked/README.txt" || return 1; done; }
check "  and holds the integration guide: snippets, rollback row, repair, exit codes, the log" \
    guide '<CustomAction Id="UndoTemplates"' "VALUES ('UndoTemplates'" 'REINSTALLMODE=omus' \
    '| 3 | the installation or removal' '| 20 |' 'Orvane-*.log' 'nsExec::ExecToLog'
# Every path of the project's the guide names is in the zip, or named as
# the repository's.
guide_text=$(tr -d '\r' <"$work/unpacked/README.txt")
missing=$(grep -oE '`examples[\\/][^` ]*`' <<<"$guide_text" | tr -d '`' | sort -u | while IFS= read -r path; do
    [ -e "$work/unpacked/${path//\\//}" ] || echo "$path"
done)
unnamed=$(grep -oE "(repository's )?\`(\./)?(app|cmake|customise|deploy|docs|example|framework|platform|scripts|tests|ui)/[^\`]*\`" \
    <<<"$guide_text" | grep -v "^repository's")
check "  and every path of the project's it names is in the zip or named as the repository's" \
    same_text "$missing$unnamed" ""
check "  with the trust model" guide 'Where to install the product, and links' 'Decided on handles, below those folders'


# A signed release, with a throwaway self-signed code-signing certificate.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Orvane release test" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
signed=$(ORVANE_SIGN_CERT=$work/cert.pem ORVANE_SIGN_KEY=$work/key.pem "$work/a/scripts/release.sh" \
    2>"$work/signing.log" | tee "$work/signing.out" | head -1)
unzip -q "$signed" -d "$work/signed"
check "the unsigned programs carry no signature" \
    bash -c "! osslsigncode verify -CAfile '$work/cert.pem' -in '$work/unpacked/x86/Orvane.exe' >/dev/null 2>&1"
for arch in x86:i686 x64:x86_64; do
    program=$work/signed/${arch%%:*}/Orvane.exe
    check "the signed ${arch%%:*} program verifies against the certificate" \
        bash -c "osslsigncode verify -CAfile '$work/cert.pem' -in '$program' >/dev/null"
    check "and still passes the audit" python3 "$ORVANE_SOURCE_DIR/tests/audit/audit.py" "$program" "${arch#*:}" \
        "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/a/build/release/x86/CMakeCache.txt")"
done
check "the signed zip's SHA256SUMS are right" bash -c "cd '$work/signed' && sha256sum --quiet -c SHA256SUMS"
key_line=$(sed -n 2p "$work/key.pem")
check "signing printed nothing of the key" \
    bash -c "! grep -qF -e '$key_line' -e 'PRIVATE KEY' '$work/signing.log' '$work/signing.out'"
finish
