#!/usr/bin/env bash
# The two scans against their yardsticks in one run, warm cache unless said:
#  1. full frame scan of the 60 lame files (bench/make_lame_folder.sh) against
#     cat of the same files: scan_folder_tool (the engine's scan in one
#     process), `quilto-cli info --full`, and a plain read() loop; then the
#     same cold, the page cache dropped before every run (needs root);
#  2. `quilto-cli info` of 5,000 small files of 24 KB, process start and
#     output included, and the peak memory of `quilto-cli info --full` over
#     10,000 files.
# A second build given as BASELINE_DIR is timed beside BUILD_DIR (before and
# after a change).
#
# usage: bench/scan_targets.sh [BUILD_DIR] [BASELINE_DIR]
# Needs hyperfine, sox and lame; QUILTO_BENCH_DIR as for the other benches.
# With QUILTO_BENCH_SMOKE=1: few files, few runs, no cold run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
baseline=${2:-}
scratch=${QUILTO_BENCH_DIR:-${TMPDIR:-/tmp}/quilto-bench}
smoke=${QUILTO_BENCH_SMOKE:-0}
runs=30
small_count=5000
memory_count=10000
if [ "$smoke" = 1 ]; then runs=2; small_count=50; memory_count=100; fi

command -v hyperfine >/dev/null || { echo "missing hyperfine (apt-get install hyperfine)" >&2; exit 1; }
builds=("$build")
[ -n "$baseline" ] && builds+=("$baseline")
needed=("$build/bench/make_bench_folder")
for dir in "${builds[@]}"; do needed+=("$dir/bench/scan_folder_tool" "$dir/cli/quilto-cli"); done
for tool in "${needed[@]}"; do
    [ -x "$tool" ] || { echo "missing $tool: build it first" >&2; exit 1; }
done

# One line per command: mean and sigma in ms, and the ratio to the first.
table() {
    awk -F, 'NR == 1 { next } { name[NR] = $1; mean[NR] = $2 * 1000; sd[NR] = $3 * 1000 }
        END { for (i = 2; i <= NR; i++) printf "  %-28s %8.1f ms +- %5.1f  %5.3f x %s\n", name[i], mean[i], sd[i], mean[i] / mean[2], name[2] }' "$1"
}
label() { [ "$1" = "$build" ] && echo "$2" || echo "$2 (baseline)"; }

# 1. The full scan.
if [ "$smoke" = 1 ]; then
    lame="$scratch/albums-smoke"
    "$build/bench/make_bench_folder" "$lame" 3 >/dev/null
else
    lame="$scratch/lame60"
    bench/make_lame_folder.sh "$lame" >/dev/null
fi
files=("$lame"/*.mp3)
list=$(printf '%q ' "${files[@]}")
cat "${files[@]}" >/dev/null
echo "full scan: ${#files[@]} files, $(cat "${files[@]}" | wc -c) bytes"
arguments=(-n cat "cat $list")
for dir in "${builds[@]}"; do
    arguments+=(-n "$(label "$dir" scan)" "$dir/bench/scan_folder_tool $list")
    arguments+=(-n "$(label "$dir" "info --full")" "$dir/cli/quilto-cli info --full $list")
done
arguments+=(-n "read() loop" "$build/bench/scan_folder_tool --read-only $list")
hyperfine -N --style none --warmup 3 --runs "$runs" --export-csv "$scratch/scan.csv" "${arguments[@]}" >/dev/null
echo "warm cache, mean of $runs runs:"
table "$scratch/scan.csv"
if [ "$smoke" != 1 ] && [ -w /proc/sys/vm/drop_caches ]; then
    cold_runs=8
    hyperfine -N --style none --runs "$cold_runs" --prepare "sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches'" \
        --export-csv "$scratch/cold.csv" "${arguments[@]}" >/dev/null
    echo "cold cache (dropped before every run), mean of $cold_runs runs:"
    table "$scratch/cold.csv"
fi

# 2. The quick scan of small files.
small="$scratch/small$small_count"
"$build/bench/make_bench_folder" --small "$small" "$small_count" 24000 >/dev/null
"$build/cli/quilto-cli" info "$small" >/dev/null
arguments=(-n "cat" "sh -c 'cat $small/*.mp3'")
for dir in "${builds[@]}"; do
    arguments+=(-n "$(label "$dir" info)" "$dir/cli/quilto-cli info $small")
done
hyperfine -N --style none --warmup 3 --runs "$runs" --export-csv "$scratch/quick.csv" "${arguments[@]}" >/dev/null
echo "quilto-cli info of $small_count files of 24 KB, mean of $runs runs (files/s = $small_count / time):"
table "$scratch/quick.csv"
awk -F, -v n="$small_count" 'NR > 2 { printf "  %-28s %8.0f files/s\n", $1, n / $2 }' "$scratch/quick.csv"

# 4. Memory of the full scan of many files.
many="$scratch/small$memory_count"
"$build/bench/make_bench_folder" --small "$many" "$memory_count" 24000 >/dev/null
for dir in "${builds[@]}"; do
    peak=$( { /usr/bin/time -f '%M' "$dir/cli/quilto-cli" info --full "$many" >/dev/null; } 2>&1 | tail -n 1)
    echo "  $(label "$dir" "info --full") of $memory_count files: peak resident $((peak / 1024)) MB"
done
