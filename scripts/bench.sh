#!/usr/bin/env bash
# Measures the sample project rewriter: the Google Benchmark run on a 64 MiB
# project, the rewriter against GNU sed doing the same line replacement on
# the same file, and the rewriter's peak memory for 64 MiB and 512 MiB.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORVANE_ROOT"
install_missing_packages
cmake --preset bench >/dev/null
cmake --build --preset bench --target orvane_rewriter_bench >/dev/null
bench=$ORVANE_ROOT/build/bench/orvane_rewriter_bench
out=$ORVANE_ROOT/build/bench/run
mkdir -p "$out"
cd "$out"

"$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

inc='C:\\Program Files\\Tessaloom\\Include'
lib='C:\\Program Files\\Tessaloom\\Lib'
sed_rules="s/\r*\$//
/AdditionalIncludeDirectories/{
/\/>/{
s|.*|\tAdditionalIncludeDirectories=\"$inc\"/>|
b
}
s|.*|\tAdditionalIncludeDirectories=\"$inc\"|
b
}
/AdditionalLibraryDirectories/{
/\/>/{
s|.*|\tAdditionalLibraryDirectories=\"$lib\"/>|
b
}
s|.*|\tAdditionalLibraryDirectories=\"$lib\"|
}"

seconds() { local s=$(date +%s%N); "$@" >/dev/null; echo $(( ($(date +%s%N) - s) / 1000000 )); }

"$bench" --make original.vcproj 64
cp original.vcproj rewriter.vcproj
rewriter_ms=$(seconds "$bench" --rewrite rewriter.vcproj)
sed_ms=$(seconds env LC_ALL=C sed -e "$sed_rules" original.vcproj)
LC_ALL=C sed -e "$sed_rules" original.vcproj >sed.vcproj
cmp -s rewriter.vcproj sed.vcproj && same=identical || same=DIFFERENT
echo
echo "64 MiB project: rewriter ${rewriter_ms} ms, GNU sed ${sed_ms} ms," \
    "ratio $(awk -v a="$rewriter_ms" -v b="$sed_ms" 'BEGIN { printf "%.2f", a / b }'); outputs $same"
[ "$same" = identical ]

for mib in 64 512; do
    "$bench" --make big.vcproj "$mib"
    echo "$mib MiB project: $("$bench" --rewrite big.vcproj)"
done
rm -f original.vcproj rewriter.vcproj sed.vcproj big.vcproj
