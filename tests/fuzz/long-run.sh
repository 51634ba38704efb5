#!/usr/bin/env bash
# The recorded long run: each harness given (default: all built ones) runs
# up to 10 million inputs or the time limit, one after another, and one
# summary line per harness goes to stdout (executions, exec/s, coverage,
# outcome). Run under nice on a shared machine:
#   nice -n 19 tests/fuzz/long-run.sh build-fuzz 1800 fuzz_tags fuzz_text
set -uo pipefail
cd "$(dirname "$0")/../.."
dir="${1:-build-fuzz}"
seconds="${2:-3600}"
shift 2 || true
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for binary in "$dir"/tests/fuzz/fuzz_*; do names+=("$(basename "$binary")"); done
fi
file_readers=" fuzz_tags fuzz_frame_scan fuzz_pack_block fuzz_archive fuzz_open_packed "
mkdir -p "$dir/long"
for name in "${names[@]}"; do
    scratch="$dir/long/corpus-$name"
    mkdir -p "$scratch"
    inputs=("$scratch" "tests/fuzz/corpus/$name")
    [[ "$file_readers" == *" $name "* ]] && inputs+=(tests/hostile)
    log="$dir/long/$name.log"
    start=$(date +%s)
    "$dir/tests/fuzz/$name" -runs=10000000 -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=1024 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$dir/long/$name-" "${inputs[@]}" >"$log" 2>&1
    status=$?
    elapsed=$(( $(date +%s) - start ))
    runs=$(grep -oP '^stat::number_of_executed_units:\s+\K[0-9]+' "$log" | tail -n 1)
    rate=$(grep -oP '^stat::average_exec_per_sec:\s+\K[0-9]+' "$log" | tail -n 1)
    cov=$(grep -oP '^#[0-9]+\s+\S+\s+cov: \K[0-9]+ ft: [0-9]+' "$log" | tail -n 1)
    outcome=clean
    [ $status -ne 0 ] && outcome="CRASH (exit $status, see $log)"
    echo "$name runs=${runs:-?} seconds=$elapsed exec/s=${rate:-?} cov=${cov:-?} $outcome"
done
