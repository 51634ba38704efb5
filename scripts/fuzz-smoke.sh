#!/usr/bin/env bash
# Short fuzzing run for CI: builds every libFuzzer harness of tests/fuzz with
# clang under AddressSanitizer and UndefinedBehaviorSanitizer and runs each
# for a while over its seed corpus (and the hostile corpus for the readers
# of files). Fails on the first crash, leak, sanitizer report, or an
# allocation above the limit. Reproducers land in build-fuzz/artifacts/.
#   scripts/fuzz-smoke.sh [seconds per harness, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
dir=build-fuzz

if ! command -v clang++ >/dev/null; then
    echo "fuzz-smoke: clang++ is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$PWD")}"
    export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Only the harnesses and the engine: the rest of the tree is not fuzzed.
CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" -DQUILTO_FUZZ=ON \
    -DQUILTO_BUILD_TESTS=OFF -DQUILTO_BUILD_BENCH=OFF -DQUILTO_BUILD_GUI=OFF >/dev/null
cmake --build "$dir" --target fuzz_targets --parallel

# Harnesses whose input is a whole file also get the hostile corpus.
file_readers=" fuzz_tags fuzz_frame_scan fuzz_pack_block fuzz_archive fuzz_open_packed "
mkdir -p "$dir/artifacts"
failed=()
for binary in "$dir"/tests/fuzz/fuzz_*; do
    [ -x "$binary" ] || continue
    name="$(basename "$binary")"
    seeds="tests/fuzz/corpus/$name"
    if [ ! -d "$seeds" ]; then
        echo "fuzz-smoke: $name has no seed corpus in $seeds" >&2
        exit 1
    fi
    # New inputs go to a scratch folder, never into the committed seeds.
    scratch="$dir/scratch/$name"
    mkdir -p "$scratch"
    inputs=("$scratch" "$seeds")
    [[ "$file_readers" == *" $name "* ]] && inputs+=(tests/hostile)
    echo "== $name (${seconds}s)"
    if ! "$binary" -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=1024 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/$name-" "${inputs[@]}" \
        >"$dir/artifacts/$name.log" 2>&1; then
        tail -n 40 "$dir/artifacts/$name.log" >&2
        failed+=("$name")
    else
        grep -E "^#[0-9]+.*DONE" "$dir/artifacts/$name.log" | tail -n 1 || true
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz-smoke: crashes in ${failed[*]} (reproducers in $dir/artifacts/)" >&2
    exit 1
fi
echo "fuzz-smoke: every harness ran clean."
