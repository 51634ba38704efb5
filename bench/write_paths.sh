#!/usr/bin/env bash
# Every write path in one run: packing (each format, and one file cut by a
# cue list) against cat, extraction against dd, saving the tags of 1,000
# files against cp, renaming 10,000 files against 2 s. Each program
# alternates its commands round by round; this script runs them one after
# the other and prints one table of their RESULT lines, with the machine's
# state before and after. Takes minutes (the tag save writes 4 GB per round).
#
# usage: bench/write_paths.sh [BUILD_DIR] [ROUNDS]
#   BUILD_DIR  where bench/*_bench are (default build)
#   ROUNDS     rounds of the pack, extract and rename programs (default 15;
#              the tag save runs 3)
# Environment: QUILTO_BENCH_DIR (scratch folder), QUILTO_BENCH_FILES (files
# of the tag save, default 1000).
set -euo pipefail

build=${1:-build}
rounds=${2:-15}
bench="$build/bench"
for program in pack_writer_bench extract_tracks_bench tag_save_bench rename_bench; do
    [ -x "$bench/$program" ] || { echo "missing $bench/$program: build the bench targets first" >&2; exit 1; }
done
log=$(mktemp "${TMPDIR:-/tmp}/quilto-write-paths.XXXXXX")
trap 'rm -f "$log"' EXIT

machine() {
    echo "$1: $(date -u '+%Y-%m-%d %H:%M:%S UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)," \
        "$(nproc) CPUs, $(awk '/MemAvailable/ { printf "%.1f GB", $2 / 1e6 }' /proc/meminfo) available"
    echo "  busiest processes:"
    ps -eo pcpu,ni,comm --sort=-pcpu | sed -n '2,6p' | sed 's/^/   /'
}

machine "before"
step() {
    echo "== $*" >&2
    "$@" | tee -a "$log" >&2
}
step "$bench/pack_writer_bench" "$rounds"
step "$bench/extract_tracks_bench" "$rounds"
step "$bench/tag_save_bench" "${QUILTO_BENCH_FILES:-1000}" 3
# Its exit status says whether 2 s was met; the table says it too.
step "$bench/rename_bench" "$((rounds < 5 ? rounds : 5))" || true
machine "after"

echo
echo "| write path | median | yardstick | × yardstick | target | met |"
echo "| --- | --- | --- | --- | --- | --- |"
awk -F'\t' '$1 == "RESULT" {
    path = $2; ms = $3; yard = $4; yardMs = $5; target = $6
    if (yard == "-") {
        met = ms <= target ? "yes" : "**no**"
        printf "| %s | %.0f ms | - | - | <= %.0f ms | %s |\n", path, ms, target, met
    } else if (target == 0) {
        printf "| %s | %.0f ms | %s %.0f ms | %.2f | - | - |\n", path, ms, yard, yardMs, ms / yardMs
    } else {
        met = ms / yardMs <= target ? "yes" : "**no**"
        printf "| %s | %.0f ms | %s %.0f ms | %.2f | <= %.1f | %s |\n", path, ms, yard, yardMs, ms / yardMs, target, met
    }
}' "$log"
