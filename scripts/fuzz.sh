#!/usr/bin/env bash
# Runs every fuzz target of the fuzz preset for ORVANE_FUZZ_SECONDS seconds
# (60 by default) from the seed corpus in tests/fuzz/corpus, the real-world
# fixtures among the seeds, two at a time (one a core). A crash or a failed
# property fails the run.
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${ORVANE_FUZZ_SECONDS:-60}
build=$root/build/fuzz
fixtures=$root/tests/fixtures/real-world

# Fuzzes one target into the folder $2; prints its report.
fuzz_target() {
    local target=$1 work=$2
    local seeds=("$root/tests/fuzz/corpus/$target")
    case $target in Rewriter | Stamp) seeds+=("$fixtures") ;; esac
    echo "== fuzz_$target for ${seconds}s"
    if ! "$build/fuzz_$target" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
        -artifact_prefix="$work/" -print_final_stats=1 "$work" "${seeds[@]}" >"$work/log" 2>&1; then
        tail -n 40 "$work/log"
        echo "fuzz_$target failed; the input that failed is in $work"
        return 1
    fi
    grep -E '^(stat::number_of_executed_units|Done)' "$work/log" || true
}

failed=0
for pair in "CommandLine Rewriter" "Stamp FitBitmapRect"; do
    pids=() works=()
    for target in $pair; do
        work=$(mktemp -d)
        fuzz_target "$target" "$work" >"$work.report" 2>&1 &
        pids+=($!) works+=("$work")
    done
    for i in "${!pids[@]}"; do
        wait "${pids[$i]}" && status=0 || status=1
        cat "${works[$i]}.report"
        # A failed target's folder keeps the input that failed.
        [ "$status" -eq 0 ] && rm -rf "${works[$i]}" "${works[$i]}.report" || failed=1
    done
done
exit "$failed"
