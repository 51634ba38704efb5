#!/usr/bin/env bash
# Makes the small sample folder the README's run command opens: a few MP3s of
# varied stream kinds and tags. Needs lame, sox, espeak-ng and id3v2; the
# results are committed, so nobody else needs these tools.
set -euo pipefail
cd "$(dirname "$0")/.."
out=samples
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rm -f "$out"/*.mp3

espeak-ng -w "$work/hello.wav" "Hello. This is a sample track of Quiltotrackery."
sox "$work/hello.wav" -r 44100 -c 2 "$work/hello44.wav"
sox -n -r 48000 -c 2 "$work/chord48.wav" synth 4 sine 262 sine 330 remix 1 2 gain -6
sox -n -r 32000 -c 1 "$work/tone32.wav" synth 3 sine 440 fade 0.1 3 0.5 gain -6

# CBR 128 kbps with an Info header; tags written by the id3v2 tool (v2.3 + v1.1).
lame --quiet --noreplaygain -b 128 "$work/hello44.wav" "$out/01 Hello.mp3"
id3v2 -a "Sample Speaker" -t "Hello" -A "Quilto Samples" -T 1 -y 2026 -g 101 -c "spoken sample" "$out/01 Hello.mp3"

# VBR with a Xing header; lame's own UTF-16 tag with a Japanese title.
lame --quiet --noreplaygain -V 4 --id3v2-only --id3v2-utf16 --ta "Sample Band" --tt "和音 (Chord)" \
    --tl "Quilto Samples" --tn 2 --ty 2026 --tg Ambient "$work/chord48.wav" "$out/02 Chord.mp3"

# Mono 32 kHz at 64 kbps with only an ID3v1 tag.
lame --quiet --noreplaygain -m m -b 64 --id3v1-only --ta "Sample Band" --tt "Tone" --tl "Quilto Samples" \
    --tn 3 --ty 2026 --tg Techno "$work/tone32.wav" "$out/03 Tone.mp3"

# Dual channel, CRC-protected frames, no tag at all.
lame --quiet --noreplaygain -m d -p -b 160 "$work/hello44.wav" "$out/04 Untagged.mp3"

ls -l "$out"
