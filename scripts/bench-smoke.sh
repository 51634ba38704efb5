#!/usr/bin/env bash
# Runs every bench program of BUILD_DIR/bench once over tiny data
# (QUILTO_BENCH_SMOKE=1) in a fresh scratch folder, so that a benchmark that
# no longer builds, runs or gets its result right fails the test run. Times
# are printed, never judged. A program this script does not know fails it:
# a new benchmark must be added below.
#
# usage: scripts/bench-smoke.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bench="$build/bench"
[ -d "$bench" ] || { echo "bench-smoke: no $bench (configure with -DQUILTO_BUILD_BENCH=ON)" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quilto-bench-smoke.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export QUILTO_BENCH_SMOKE=1 QUILTO_BENCH_DIR="$scratch"

run() {
    local name=$1
    shift
    echo "== $name"
    local start=$SECONDS
    if ! "$@" >"$scratch/$name.log" 2>&1; then
        cat "$scratch/$name.log" >&2
        echo "bench-smoke: $name failed" >&2
        exit 1
    fi
    tail -n 3 "$scratch/$name.log"
    echo "   ($((SECONDS - start)) s)"
}

ran=0
for program in "$bench"/*; do
    if [ ! -f "$program" ] || [ ! -x "$program" ]; then continue; fi
    name=$(basename "$program")
    case "$name" in
        bench_*)
            run "$name" "$program" --benchmark_min_time=0.001 ;;
        pack_writer_bench | extract_tracks_bench | tag_save_bench | rename_bench)
            run "$name" "$program" ;;
        make_bench_folder)
            run "$name" "$program" "$scratch/albums"
            run "$name-small" "$program" --small "$scratch/small" 3 4096 ;;
        scan_folder_tool)
            # Over the albums above, or its own when it comes first.
            [ -d "$scratch/albums" ] || "$bench/make_bench_folder" "$scratch/albums" >/dev/null
            run "$name" "$program" "$scratch/albums"
            run "$name-read-only" "$program" --read-only "$scratch/albums" ;;
        stream_view_bench | window_response_bench)
            run "$name" env QT_QPA_PLATFORM=offscreen "$program" ;;
        *)
            echo "bench-smoke: $program is a bench program this script does not know how to run" >&2
            exit 1 ;;
    esac
    ran=$((ran + 1))
done
[ "$ran" -gt 0 ] || { echo "bench-smoke: no bench program in $bench" >&2; exit 1; }

# The side-by-side scripts too: two files, one round; few files, two runs.
run compare_with_cat env QUILTO_BENCH_FILES=2 bench/compare_with_cat.sh "$build" 1
run scan_targets bench/scan_targets.sh "$build"
echo "bench-smoke: $ran programs, compare_with_cat.sh and scan_targets.sh ran"
