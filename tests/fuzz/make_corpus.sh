#!/usr/bin/env bash
# Rewrites the seed corpora under tests/fuzz/corpus/<harness>/ from the test
# fixtures and from packed files written by quilto-cli in every format.
# Seeds are kept small (a few KB each): the fuzzer mutates what it is given,
# and short inputs run many times faster.
#   tests/fuzz/make_corpus.sh build/cli/quilto-cli
set -euo pipefail
cd "$(dirname "$0")/../.."
cli="$(realpath "${1:?usage: make_corpus.sh path/to/quilto-cli}")"
corpus=tests/fuzz/corpus
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

rm -rf "$corpus"
mkdir -p "$corpus"

# Short tracks: the head of a fixture (its tag and a few frames) and its
# ID3v1 block, so packed files stay a few KB.
/usr/bin/python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
for name, keep in [("tag_mutagen_v23", 2600), ("tag_id3v2tool_v23_v1", 2600), ("cbr64_mono_info", 1400)]:
    data = open(f"tests/fixtures/{name}.mp3", "rb").read()
    tail = data[-128:] if data[-128:-125] == b"TAG" else b""
    head = data[:keep]
    open(os.path.join(work, f"{name}.mp3"), "wb").write(head + tail)
PY
tracks=("$work/tag_mutagen_v23.mp3" "$work/tag_id3v2tool_v23_v1.mp3" "$work/cbr64_mono_info.mp3")
pack() {
    local out="$work/$1.mp3"
    shift
    "$cli" pack -o "$out" --overwrite --album "Fuzz Album" --performer "Seeds" "$@" "${tracks[@]}" >/dev/null
}
pack pack_cue --format pack
pack pack_plain --format pack --plain-offsets --cue none
pack pack_xing --format pack --add-xing --top 2 --last 1 --keep-id3v1 --keep-id3v2
pack zip_cue --format zip
pack zip_plain --format zip --cue none --no-head-tag
pack lha_cue --format lha
pack lha_plain --format lha --cue none --keep-id3v2
pack bind_cue --format bind
"$cli" cue export -o "$work/album.cue" "${tracks[@]}"

/usr/bin/python3 - "$work" "$corpus" <<'PY'
import glob, os, shutil, sys
work, corpus = sys.argv[1:3]

def put(harness, name, data):
    os.makedirs(os.path.join(corpus, harness), exist_ok=True)
    open(os.path.join(corpus, harness, name), "wb").write(data)

def tag_length(data):
    if len(data) < 10 or data[:3] != b"ID3":
        return 0
    size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
    return min(len(data), 10 + size + (10 if data[5] & 0x10 else 0))

packed = {os.path.basename(p)[:-4]: open(p, "rb").read() for p in sorted(glob.glob(f"{work}/*_*.mp3"))
          if not os.path.basename(p).startswith(("tag_", "cbr"))}
kinds = {"pack": 1, "zip": 2, "lha": 3, "bind": 0xFF}  # bind: a plain stream

# Tags and frame scans: heads (and ID3v1 blocks) of the fixtures.
for path in sorted(glob.glob("tests/fixtures/*.mp3")):
    data = open(path, "rb").read()
    name = os.path.basename(path)
    head = data[:tag_length(data) + 1200]
    put("fuzz_tags", name, head + (data[-128:] if data[-128:-125] == b"TAG" else b""))
    if name.startswith(("cbr", "vbr", "crc")):
        put("fuzz_frame_scan", name, head)

for name, data in packed.items():
    put("fuzz_pack_block", name, data)
    put("fuzz_archive", name, data)
    flags = kinds[name.split("_")[0]]
    marked = 0x80 if name.endswith("_cue") else 0
    kind = {1: 2, 2: 3, 3: 4, 0xFF: 0}[flags]  # data[0] % 7 - 1 gives the kind
    put("fuzz_open_packed", name, bytes([kind | marked]) + data)
    head = data[:tag_length(data)]
    if name.endswith("_cue") and head:
        put("fuzz_head_cue", name, head)

sheet = open(os.path.join(work, "album.cue"), "rb").read()
put("fuzz_cue_sheet", "album.cue", sheet)
put("fuzz_cue_sheet", "album_utf8_bom.cue",
    b"\xef\xbb\xbfTITLE \"\xe3\x82\xa2\xe3\x83\xab\xe3\x83\x90\xe3\x83\xa0\"\nPERFORMER \"A\"\nFILE \"x.mp3\" MP3\n"
    b"  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 123:59:74\nENDCUEINFO\n")
put("fuzz_cue_sheet", "album_cp932.cue",
    b"TITLE \x83\x41\x83\x8b\x83\x6f\x83\x80\r\nFILE x.mp3 MP3\r\n  TRACK 01 AUDIO\r\n    PERFORMER \"B\r\n    INDEX 01 1:02:03\r\n")

put("fuzz_text", "ascii", b"\x10Artist - Title")
put("fuzz_text", "utf8", b"\x1e\xe3\x81\x82\xe3\x81\x84\xe3\x81\x86 abc")
put("fuzz_text", "cp932", b"\x05\x82\xa0\x82\xa2\x82\xa4")
put("fuzz_cue_time", "times", b"01:02:03\x0000:59:74\x00\xff\xfb\x90\x64" + b"\x00" * 60)
put("fuzz_cue_time", "play", b"1:02:03\x00" + b"75\x00")

put("fuzz_settings", "settings.ini",
    b"[PackOption]\r\nFormat=2\r\nFormatExt=1\r\nCueSheet=2\r\nRemoveXing=0\r\nAddXing=1\r\nSilentTop=1\r\n"
    b"SilentTopNo=5\r\nSilentLast=0\r\nSilentLastNo=99\r\n[ExtractOption]\r\nMakeDir=0\r\n"
    b"[OptionRen]\r\nTimeSep=/-/\r\nDelimiter=/ _-/\r\nExtension=2\r\nRep1=/_/\r\nRep9=//\r\n"
    b"[ReName]\r\nFCount=3\r\nFI-1=Tag (v2)\r\nFP-1=Artist\r\nFI-2=Text\r\nFP-2=/ - /\r\nFI-3=Time\r\nFP-3=mmm-ss\r\n"
    b"RFCount=2\r\nRF-0=a\r\nRF-1=b\r\nRTCount=1\r\nRT-0=c\r\nRUL=1\r\n; comment\r\n[Other]\r\nx = y \r\n")
put("fuzz_settings", "cp932.ini", b"[ReName]\nFCount=1\nFI-1=Text\nFP-1=/\x83\x65\x83\x58\x83\x67/\n")

put("fuzz_template", "artist_title", b"{v2:Artist} - {v2>v1:Title}")
put("fuzz_template", "separator", b"-\n{time:mmm-ss} {mp3:Bitrate} {{x}} {v1:Track}")
put("fuzz_template", "handover", b"/music/a.mp3\r\n/music/b.mp3\r\n\x00tail")

put("fuzz_tag_edits", "id3v2_title", bytes([0x0D, 3]) + b"One\r\nTwo\r\nThree\r\n")
put("fuzz_tag_edits", "id3v1_year", bytes([0x0E, 6]) + b"1999\n20x4\nabc\n")
put("fuzz_tag_edits", "id3v2_genre", bytes([0x09, 8]) + b"Rock\n(12)Other\n")

put("fuzz_journal", "journal",
    b"quilto rename journal 1\n/music\told.mp3\tnew.mp3\t2049\t1234\t4096\t1700000000000000000\n"
    b"/m%09x\ta%25b.mp3\tc%0Ad.mp3\t1\t2\t3\t4\n")
PY
du -sh "$corpus"
