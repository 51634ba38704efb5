#!/usr/bin/env bash
# Peak resident memory (ru_maxrss, by /usr/bin/time) of the write paths over
# small and big files: packing two files in each format, one file cut by a
# cue sheet (Entire), extracting the tracks of a packed file, and saving the
# ID3v2 tag of one file; each with files of SMALL and of BIG bytes. Every
# path but Entire copies through a fixed chunk, so its peak must not grow
# with the files; Entire holds the one source's audio while it cuts.
#
# usage: bench/memory_bounds.sh [BUILD_DIR] [SMALL] [BIG]
#   (defaults: build, 50000000, 500000000; needs about 8 x BIG of disk)
# Environment: QUILTO_BENCH_DIR (scratch folder).
set -euo pipefail

build=${1:-build}
small=${2:-50000000}
big=${3:-500000000}
cli="$build/cli/quilto-cli"
make="$build/bench/make_bench_folder"
for tool in "$cli" "$make" /usr/bin/time; do
    [ -x "$tool" ] || { echo "missing $tool (apt-get install time for /usr/bin/time)" >&2; exit 1; }
done
scratch=${QUILTO_BENCH_DIR:-${TMPDIR:-/tmp}/quilto-bench}/memory
mkdir -p "$scratch"

# Peak RSS in MiB of one command, which must succeed.
peak() {
    local out
    out=$(/usr/bin/time -f '%M' "$@" 2>&1 >/dev/null) || { echo "failed: $*" >&2; echo "$out" >&2; exit 1; }
    awk '{ last = $0 } END { printf "%.1f", last / 1024 }' <<<"$out"
}

cat >"$scratch/cut.cue" <<'EOF'
TITLE "Memory"
PERFORMER "Bench"
FILE "source.mp3" MP3
  TRACK 01 AUDIO
    TITLE "One"
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    TITLE "Two"
    INDEX 01 10:00:00
  TRACK 03 AUDIO
    TITLE "Three"
    INDEX 01 30:00:00
EOF

declare -A result
for size in "$small" "$big"; do
    folder="$scratch/$size"
    "$make" --small "$folder" 2 "$size" >/dev/null
    files=("$folder"/00000.mp3 "$folder"/00001.mp3)
    out="$scratch/out-$size"
    rm -rf "$out" && mkdir -p "$out"
    for format in bind pack zip lha; do
        result["pack $format,$size"]=$(peak "$cli" pack --format "$format" --album Memory -o "$out/$format.mp3" "${files[@]}")
        rm -f "$out/$format.mp3"
    done
    result["entire,$size"]=$(peak "$cli" pack --entire "$scratch/cut.cue" --album Memory -o "$out/entire.mp3" "${files[0]}")
    rm -f "$out/entire.mp3"
    "$cli" pack --album Memory -o "$out/packed.mp3" "${files[@]}"
    result["extract,$size"]=$(peak "$cli" extract --no-make-dir -d "$out" "$out/packed.mp3")
    rm -f "$out/packed.mp3"
    result["tag save,$size"]=$(peak "$cli" tag set --v2 --title "Memory $RANDOM" "${files[0]}")
    rm -rf "$out"
done

# The baseline: the program doing nothing but starting.
idle=$(peak "$cli" --help)
printf '| path | peak RSS, files of %s MB | peak RSS, files of %s MB | growth |\n' $((small / 1000000)) $((big / 1000000))
echo "| --- | --- | --- | --- |"
echo "| quilto-cli --help | $idle MiB | | |"
for path in "pack bind" "pack pack" "pack zip" "pack lha" entire extract "tag save"; do
    a=${result["$path,$small"]}
    b=${result["$path,$big"]}
    awk -v p="$path" -v a="$a" -v b="$b" 'BEGIN { printf "| %s | %.1f MiB | %.1f MiB | %+.1f MiB |\n", p, a, b, b - a }'
done
