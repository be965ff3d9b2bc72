#!/usr/bin/env bash
# Builds the release from this checkout: both programs optimised and
# stripped, and dist/Orvane-<version>.zip holding x86/Orvane.exe (the one to
# ship), x64/Orvane.exe, README.txt and SHA256SUMS. The same sources give the
# same bytes in any folder: the programs hold no time stamp and no build
# path, and the zip's entries have fixed times, modes and order.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORVANE_ROOT"
install_missing_packages >&2

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
sed "s/@VERSION@/$version/" docs/release-README.txt | sed 's/$/\r/' >"$stage/README.txt"
files=(x86/Orvane.exe x64/Orvane.exe README.txt)
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
