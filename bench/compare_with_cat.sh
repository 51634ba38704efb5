#!/usr/bin/env bash
# Times the full frame scan of a folder in one process (scan_folder_tool)
# against `cat` of the same files to /dev/null, side by side: the commands
# alternate round by round, so that all see the same machine state. Also
# times plain read() calls over the same files in one process
# (scan_folder_tool --read-only), the floor for the scan. Prints the median
# of each and its ratio to cat (target: scan <= 1.1 x cat).
#
# usage: bench/compare_with_cat.sh [BUILD_DIR] [ROUNDS]
#   BUILD_DIR  where bench/scan_folder_tool and bench/make_bench_folder are
#              (default: build)
#   ROUNDS     alternating rounds of the loop (default: 31)
# Environment: QUILTO_BENCH_DIR (scratch folder, default $TMPDIR/quilto-bench
# or /tmp/quilto-bench), QUILTO_BENCH_FILES (default 200),
# QUILTO_BENCH_LAME=1 to add two real lame files (needs sox and lame),
# QUILTO_SCAN_BASELINE=/path/to/another/scan_folder_tool to time a second
# build of the scan as well (before/after a change), QUILTO_BENCH_SMOKE=1 for
# CI's smoke run (tiny files in a smoke subfolder, no hyperfine sessions).
set -euo pipefail

build=${1:-build}
rounds=${2:-31}
scratch=${QUILTO_BENCH_DIR:-${TMPDIR:-/tmp}/quilto-bench}
smoke=${QUILTO_BENCH_SMOKE:-0}
[ "$smoke" = 1 ] && scratch="$scratch/smoke"
folder="$scratch/folder"
count=${QUILTO_BENCH_FILES:-200}
scan="$build/bench/scan_folder_tool"
make="$build/bench/make_bench_folder"

for tool in "$scan" "$make"; do
    [ -x "$tool" ] || { echo "missing $tool: build the bench targets first" >&2; exit 1; }
done

"$make" "$folder" "$count" >/dev/null
if [ "${QUILTO_BENCH_LAME:-0}" = 1 ]; then
    # Real encoder output beside the synthetic files: noise encoded CBR and VBR.
    for kind in cbr vbr; do
        target="$folder/lame_$kind.mp3"
        [ -s "$target" ] && continue
        sox -n -r 44100 -c 2 -b 16 "$scratch/noise.wav" synth 240 pinknoise vol 0.5
        if [ "$kind" = cbr ]; then lame --quiet -b 192 "$scratch/noise.wav" "$target"
        else lame --quiet -V 2 "$scratch/noise.wav" "$target"; fi
        rm -f "$scratch/noise.wav"
    done
fi

files=("$folder"/*.mp3)
total=$(cat "${files[@]}" | wc -c)
awk -v f="$folder" -v n="${#files[@]}" -v b="$total" 'BEGIN { printf "folder %s: %d files, %d bytes (%.0f MB)\n", f, n, b, b / 1e6 }'

# Warm the page cache, and show what the scan counts.
cat "${files[@]}" >/dev/null
cat "${files[@]}" >/dev/null
"$scan" "${files[@]}"

# The commands, each run with the file list as its arguments.
names=(cat read scan)
commands=("cat" "$scan --read-only" "$scan")
if [ -n "${QUILTO_SCAN_BASELINE:-}" ]; then
    names+=(baseline)
    commands+=("$QUILTO_SCAN_BASELINE")
fi

now() { date +%s%N; }
declare -A times
for ((round = 0; round < rounds; round++)); do
    # Rotate the order every round so that no command always runs first.
    for ((k = 0; k < ${#names[@]}; k++)); do
        i=$(((k + round) % ${#names[@]}))
        start=$(now)
        ${commands[$i]} "${files[@]}" >/dev/null
        times[${names[$i]}]+="$(($(now) - start)) "
    done
done

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "loop, $rounds rounds in rotating order, median wall time:"
# shellcheck disable=SC2086  # the times are a space-separated list
cat_median=$(median ${times[cat]})
for name in "${names[@]}"; do
    # shellcheck disable=SC2086  # the times are a space-separated list
    m=$(median ${times[$name]})
    awk -v n="$name" -v m="$m" -v c="$cat_median" -v b="$total" 'BEGIN {
        printf "  %-8s %8.1f ms  %6.2f GB/s  %5.3f x cat\n", n, m / 1e6, b / m, m / c }'
done

if [ "$smoke" != 1 ] && command -v hyperfine >/dev/null; then
    # hyperfine runs each command in a shell and sends its output to
    # /dev/null; three sessions, each timing every command.
    list=$(printf '%q ' "${files[@]}")
    csv="$scratch/hyperfine.csv"
    arguments=()
    for ((i = 0; i < ${#names[@]}; i++)); do arguments+=(-n "${names[$i]}" "${commands[$i]} $list"); done
    for session in 1 2 3; do
        hyperfine --style none --warmup 3 --runs 15 --export-csv "$csv" "${arguments[@]}" >/dev/null
        awk -F, -v s="$session" 'NR > 1 { mean[$1] = $2; order[NR] = $1 } END {
            printf "hyperfine session %d, mean:", s
            for (i = 2; i <= NR; i++) printf "  %s %.1f ms (%.3f x cat)", order[i], mean[order[i]] * 1000, mean[order[i]] / mean["cat"]
            printf "\n"
        }' "$csv"
    done
fi
