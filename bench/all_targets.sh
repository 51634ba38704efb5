#!/usr/bin/env bash
# The five speed targets in one run, one after the other on the same machine
# state: the full and the quick scan against cat (scan_targets.sh), the
# file list's ScanFolder + FillRows (bench_file_rows), the window under load
# (window_response_bench, offscreen), every write path against its yardstick
# (write_paths.sh) and the write paths' peak memory (memory_bounds.sh).
# Takes about ten minutes and 10 GB of scratch space.
#
# usage: bench/all_targets.sh [BUILD_DIR] [BASELINE_DIR]   (see scan_targets.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
baseline=${2:-}

state() { echo "-- $1: $(date -u '+%H:%M:%S UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)"; }
section() { echo; echo "== $*"; state "start"; }

section "1, 2, 4: scans against cat, info --full memory"
bench/scan_targets.sh "$build" ${baseline:+"$baseline"}
section "2: ScanFolder + FillRows of 5,000 files of 24 KB"
"$build/bench/bench_file_rows" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>&1 |
    grep -E '_(median|min) '
section "3, 4: the window under load"
QT_QPA_PLATFORM=offscreen "$build/bench/window_response_bench"
section "5: write paths"
bench/write_paths.sh "$build"
section "4: peak memory of the write paths"
bench/memory_bounds.sh "$build"
state "end"
