#!/usr/bin/env bash
# Builds the release from this checkout: both programs optimised and
# stripped, and dist/Orvane-<version>.zip holding x86/Orvane.exe (the one to
# ship), x64/Orvane.exe, README.txt and SHA256SUMS. The same sources give the
# same bytes in any folder: the programs hold no time stamp and no build
# path, and the zip's entries have fixed times, modes and order.
#
# Signed with Authenticode (osslsigncode, SHA-256) when the environment names
# a code-signing certificate and its key; a signature holds its signing
# time, so a signed release is not byte-reproducible, an unsigned one is.
#   ORVANE_SIGN_CERT           the certificate, with its chain (PEM or DER)
#   ORVANE_SIGN_KEY            its private key (PEM or DER)
#   ORVANE_SIGN_PASSWORD_FILE  a file holding the key's password, if it has one
#   ORVANE_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server, if wanted
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORVANE_ROOT"
install_missing_packages >&2

# Signs each program in place; says which, and nothing of the key.
sign_programs() {
    local program options=()
    [ -r "${ORVANE_SIGN_CERT:-}" ] && [ -r "${ORVANE_SIGN_KEY:-}" ] ||
        { echo "release: ORVANE_SIGN_CERT and ORVANE_SIGN_KEY must both name readable files" >&2; exit 1; }
    [ -n "${ORVANE_SIGN_PASSWORD_FILE:-}" ] && options+=(-readpass "$ORVANE_SIGN_PASSWORD_FILE")
    [ -n "${ORVANE_SIGN_TIMESTAMP_URL:-}" ] && options+=(-ts "$ORVANE_SIGN_TIMESTAMP_URL")
    for program in "$@"; do
        osslsigncode sign -certs "$ORVANE_SIGN_CERT" -key "$ORVANE_SIGN_KEY" "${options[@]}" \
            -h sha256 -n "Orvane" -in "$program" -out "$program.signed" >/dev/null ||
            { echo "release: cannot sign $program" >&2; exit 1; }
        mv "$program.signed" "$program"
        echo "signed ${program#"$stage"/}" >&2
    done
}

for arch in x86:i686 x64:x86_64; do
    cmake -S . -B "build/release/${arch%%:*}" -G Ninja --toolchain "cmake/mingw-${arch#*:}.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DORVANE_RUN_TESTS=OFF >/dev/null
    cmake --build "build/release/${arch%%:*}" --target Orvane >/dev/null
done
# The version has one source: the CMake project's.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/x86/CMakeCache.txt)

stage=build/release/stage
rm -rf "$stage"
mkdir -p "$stage/x86" "$stage/x64" dist
cp build/release/x86/Orvane.exe "$stage/x86/"
cp build/release/x64/Orvane.exe "$stage/x64/"
if [ -n "${ORVANE_SIGN_CERT:-}${ORVANE_SIGN_KEY:-}" ]; then
    sign_programs "$stage/x86/Orvane.exe" "$stage/x64/Orvane.exe"
fi
# The integration guide for installer authors is the repository README's
# own section, the one the tests' examples are checked against, with the
# trust model; it stands alone: the two examples it cites come in the zip,
# and every other path it names is named as the project repository's.
mkdir -p "$stage/examples"
cp example/installer/Tessaloom.wxs example/installer/Tessaloom.nsi "$stage/examples/"
{
    sed "s/@VERSION@/$version/" docs/release-README.txt
    echo
    sed -n '/^## Calling Orvane from your installer/,/^## The window/p' README.md | sed '$d' |
        sed -e 's#`example/installer/\(Tessaloom\.[a-z]*\)`#`examples\\\1` (in this zip)#g' \
            -e 's#`\(\./\)\{0,1\}\(tests\|scripts\|docs\|cmake\|example\)/\([^`]*\)`#the project repository'"'"'s `\2/\3`#g'
} | sed 's/$/\r/' >"$stage/README.txt"
files=(x86/Orvane.exe x64/Orvane.exe examples/Tessaloom.wxs examples/Tessaloom.nsi README.txt)
(cd "$stage" && sha256sum "${files[@]}" >SHA256SUMS)

# Fixed times (those of the last commit, or SOURCE_DATE_EPOCH) and modes.
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 946684800)}
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
find "$stage" -exec touch -h -d "@$epoch" {} +
zip_file=$ORVANE_ROOT/dist/Orvane-$version.zip
rm -f "$zip_file"
(cd "$stage" && TZ=UTC zip -X -D -q "$zip_file" "${files[@]}" SHA256SUMS)
echo "$zip_file"
(cd "$stage" && cat SHA256SUMS)
