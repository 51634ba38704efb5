#!/usr/bin/env bash
# Writes the folder of real encoder output that the frame scan is timed on:
# 60 lame files, about 240 MB. Twelve distinct encodings (CBR 128/192/256,
# ABR, VBR -V0..-V6, joint stereo, stereo and mono; ID3v2 + ID3v1 tags, the
# "Info"/"Xing" frame lame writes), each copied to five files so that the
# page cache holds sixty distinct files. Existing files are kept.
#
# usage: bench/make_lame_folder.sh [FOLDER]
#   default FOLDER: $QUILTO_BENCH_DIR/lame60 (else $TMPDIR or /tmp/quilto-bench)
# Needs sox and lame.
set -euo pipefail
scratch=${QUILTO_BENCH_DIR:-${TMPDIR:-/tmp}/quilto-bench}
folder=${1:-$scratch/lame60}
for tool in sox lame; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install sox lame)" >&2; exit 1; }
done
mkdir -p "$folder"
settings=(
    "-b 128" "-b 192" "-b 256 -m s" "--abr 160" "-V 0" "-V 2"
    "-V 4" "-V 6" "-b 128 -m m" "-V 2 -m s" "-b 160" "-V 3"
)
seconds=(300 240 180 240 160 190 260 340 360 200 280 230)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in "${!settings[@]}"; do
    first=$(printf '%s/lame_%02d_a.mp3' "$folder" "$i")
    if [ ! -s "$first" ]; then
        # Noise under a slow sweep: the bit rate of the VBR files moves.
        sox -n -r 44100 -c 2 -b 16 "$work/in.wav" synth "${seconds[$i]}" pinknoise vol 0.3 \
            synth "${seconds[$i]}" sine mix 200-4000 vol 0.6 2>/dev/null
        # shellcheck disable=SC2086  # the settings are separate arguments
        lame --quiet ${settings[$i]} --add-id3v2 --tt "Track $i" --ta "Bench" --tl "Lame folder" \
            --tn "$((i + 1))" "$work/in.wav" "$work/out.mp3"
        mv "$work/out.mp3" "$first"
    fi
    for copy in b c d e; do
        target=$(printf '%s/lame_%02d_%s.mp3' "$folder" "$i" "$copy")
        [ -s "$target" ] || cp "$first" "$target"
    done
done
du -sh "$folder"
