#!/usr/bin/env python3
"""Writes the hostile corpus: small files, each named after the failure it
provokes in a reader. Every file is kept forever; add new ones, never change
what an existing name produces. Plain python3, no third-party modules.

    python3 tests/hostile/make_hostile.py   # rewrites the .mp3 files beside it
"""

import os
import random
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

BIT_RATES = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0]
SAMPLE_RATES = [44100, 48000, 32000, 0]


def header_word(bitrate=9, rate=0, padding=0, mode=1, crc=False, version=3, layer=1):
    return (0xFFE00000 | (version << 19) | (layer << 17) | ((0 if crc else 1) << 16)
            | (bitrate << 12) | (rate << 10) | (padding << 9) | (mode << 6))


def frame_length(bitrate, rate, padding):
    bits = 1 if bitrate in (0, 15) else BIT_RATES[bitrate] * 1000
    hz = 1 if rate == 3 else SAMPLE_RATES[rate]
    length = 144 * bits // hz + padding
    return length or 1


def frame(bitrate=9, rate=0, padding=0, mode=1, crc=False, version=3, layer=1, fill=0):
    head = struct.pack(">I", header_word(bitrate, rate, padding, mode, crc, version, layer))
    length = frame_length(bitrate, rate, padding)
    return head + bytes([fill]) * max(0, length - 4)


def frames(count, **fields):
    return frame(**fields) * count


def vbr_frame(tag=b"Xing", flags=3, frame_count=100, byte_count=41700, bitrate=9, rate=0, mode=1, crc=False):
    side = 17 if mode == 3 else 32
    body = struct.pack(">I", header_word(bitrate, rate, 0, mode, crc))
    if crc:
        body += b"\0\0"
    body += b"\0" * side + tag + struct.pack(">III", flags, frame_count, byte_count)
    length = frame_length(bitrate, rate, 0)
    return body + b"\0" * max(0, length - len(body))


def syncsafe(value):
    return bytes([(value >> 21) & 0x7F, (value >> 14) & 0x7F, (value >> 7) & 0x7F, value & 0x7F])


def id3_header(version, flags, size_bytes):
    return b"ID3" + bytes([version, 0, flags]) + size_bytes


def id3_tag(body, version=3, flags=0):
    return id3_header(version, flags, syncsafe(len(body))) + body


def id3_frame(frame_id, data, version=3, flags=0, size=None):
    size = len(data) if size is None else size
    size_bytes = syncsafe(size) if version == 4 else struct.pack(">I", size & 0xFFFFFFFF)
    return frame_id + size_bytes + struct.pack(">H", flags) + data


def id3_frame22(frame_id, data, size=None):
    size = len(data) if size is None else size
    return frame_id + struct.pack(">I", size & 0xFFFFFF)[1:] + data


def text(frame_id, value, version=3, encoding=0):
    return id3_frame(frame_id, bytes([encoding]) + value, version)


def lzh_member(name, data, header_size=None, level=2, first_ext=None, size=None):
    """A stored level-2 LZH member with a name extended header."""
    ext = bytes([1]) + name + b"\0\0"
    size = len(data) if size is None else size
    fixed = (b"-lh0-" + struct.pack("<III", size, len(data), 1072926000) + bytes([0x20, level])
             + struct.pack("<H", 0) + b"M" + struct.pack("<H", len(ext) if first_ext is None else first_ext))
    total = 2 + len(fixed) + len(ext)
    pad = b""
    if total & 0xFF == 0:
        total += 1
        pad = b"\0"
    return struct.pack("<H", total if header_size is None else header_size) + fixed + ext + pad + data


def zip_local(name, data, method=0, flags=0, size=None, name_length=None):
    """A ZIP local header, its name and its data."""
    size = len(data) if size is None else size
    name_length = len(name) if name_length is None else name_length
    return (struct.pack("<IHHHHHIIIHH", 0x04034B50, 10, flags, method, 0x6000, 0x3021, 0, size, size,
                        name_length, 0) + name + data)


def foreign_index(count, records):
    """The foreign container's index: a 12-byte count, then 501-byte records."""
    return count.ljust(12, b" ") + b"".join(r.ljust(501, b" ") for r in records)


def id3v1(title=b"", artist=b"", album=b"", year=b"", comment=b"", track=0, genre=255):
    def field(value, width):
        return value[:width].ljust(width, b"\0")
    block = b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
    block += field(comment, 28) + b"\0" + bytes([track, genre])
    assert len(block) == 128
    return block


def unsynchronise(data):
    return data.replace(b"\xff", b"\xff\x00")


def noise(seed, n):
    rng = random.Random(seed)
    return bytes(rng.randrange(256) for _ in range(n))


def build():
    files = {}

    def add(name, data):
        assert name not in files, name
        assert 0 < len(data) <= 80 * 1024, (name, len(data))
        files[name] = data

    audio = frames(6)  # six 128 kbps frames, 417 bytes each

    # Tag size fields that claim far more than the file holds.
    add("huge_tag_size.mp3", id3_header(3, 0, b"\x7f\x7f\x7f\x7f") + text(b"TIT2", b"Title") + audio)
    add("huge_tag_size_unmasked.mp3", id3_header(3, 0, b"\xff\xff\xff\xff") + text(b"TIT2", b"Title") + audio)
    add("tag_size_top_bits.mp3", id3_header(4, 0, b"\x80\x80\x80\x80") + text(b"TIT2", b"Title", 4) + audio)
    add("tag_length_is_file.mp3", id3_tag(text(b"TIT2", b"Whole") + b"\0" * 200))
    add("truncated_after_header.mp3", id3_header(3, 0, syncsafe(2048)))
    add("truncated_tag_header.mp3", b"ID3\x03\x00")

    # Frame sizes past the tag: the walk must slide, not jump or allocate.
    for name, size in (("frame_size_past_tag.mp3", 0xFFFFFFFF), ("frame_size_7f7f7f7f.mp3", 0x7F7F7F7F),
                       ("frame_size_one_past.mp3", None)):
        title = text(b"TIT2", b"Lost")
        rest = text(b"TPE1", b"Survivor") + b"\0" * 16
        if size is None:
            size = len(title) - 10 + len(rest) + 1  # one byte more than the tag holds
        broken = b"TIT2" + struct.pack(">I", size) + title[8:]
        add(name, id3_tag(broken + rest) + audio)
    add("frame_size_huge_v24.mp3",
        id3_tag(id3_frame(b"TIT2", b"\0Lost", 4, size=0x0FFFFFFF) + text(b"TPE1", b"Survivor", 4), 4) + audio)
    add("frame_size_negative_v24.mp3",
        id3_tag(b"TIT2\xff\xff\xff\xff\0\0\0Lost" + text(b"TPE1", b"Survivor", 4), 4) + audio)
    add("frame_size_huge_v22.mp3",
        id3_tag(id3_frame22(b"TT2", b"\0Lost", size=0xFFFFFF) + id3_frame22(b"TP1", b"\0Survivor"), 2) + audio)
    add("frame_header_cut_by_tag_end.mp3", id3_tag(text(b"TPE1", b"Survivor") + b"TIT2\0\0"))

    # Padding and damage the walk slides over byte by byte.
    add("endless_slide_padding.mp3", id3_tag(b"\0" * 6000) + audio)
    add("endless_slide_ids.mp3", id3_tag(b"TIT2" * 1500) + audio)
    add("slide_into_frame.mp3", id3_tag(b"\x01\x02\x03" + text(b"TIT2", b"Found") + b"\0" * 32) + audio)

    # Extended headers whose size cannot be right.
    for name, version, size_bytes in (("ext_header_size_huge.mp3", 3, b"\xff\xff\xff\xff"),
                                      ("ext_header_size_7f_v24.mp3", 4, b"\x7f\x7f\x7f\x7f"),
                                      ("ext_header_size_negative_v24.mp3", 4, b"\x80\x00\x00\x06"),
                                      ("ext_header_size_zero.mp3", 3, b"\0\0\0\0")):
        body = size_bytes + b"\0\0" + text(b"TIT2", b"After", version) + b"\0" * 16
        add(name, id3_tag(body, version, 0x40) + audio)
    add("ext_header_cut_short.mp3", id3_header(3, 0x40, syncsafe(2)) + b"\0\0")

    # Unsynchronisation and frame format flags.
    add("unsync_trailing_ff.mp3", id3_tag(unsynchronise(text(b"TIT2", b"A\xffB") + b"\xff"), 3, 0x80) + audio)
    add("unsync_all_ff00.mp3", id3_tag(b"\xff\x00" * 700, 3, 0x80) + audio)
    add("unsync_v24_frame_flag.mp3", id3_tag(id3_frame(b"TIT2", b"\0A\xff\x00\xff", 4, flags=0x0002), 4) + audio)
    add("v24_data_length_past_body.mp3", id3_tag(id3_frame(b"TIT2", b"\0A", 4, flags=0x0041) +
                                                 text(b"TPE1", b"Survivor", 4), 4) + audio)
    add("v23_compressed_frames.mp3", id3_tag(id3_frame(b"TIT2", b"\0Zipped", flags=0x0080) +
                                             id3_frame(b"TALB", b"\0Hidden", flags=0x0040)) + audio)
    add("v22_compressed_tag.mp3", id3_tag(id3_frame22(b"TT2", b"\0Title"), 2, 0x40) + audio)
    add("unknown_version_tag.mp3", id3_tag(text(b"TIT2", b"Five"), 5) + audio)

    # Text encodings that end badly.
    add("utf16_odd_length.mp3",
        id3_tag(text(b"TIT2", b"\xff\xfeA\0b\0c", 3, 1) + text(b"TPE1", b"\xfe\xff\xd8\x00", 3, 1) +
                id3_frame(b"COMM", b"\x01eng\xff\xfed\0")) + audio)
    add("utf16_lone_surrogates.mp3",
        id3_tag(text(b"TIT2", b"\xff\xfe\x00\xd8\x00\xdc\x00\xdc\x00\xd8", 3, 1) +
                text(b"TALB", b"\x00\xd8", 3, 2)) + audio)
    add("utf8_invalid_sequences.mp3",
        id3_tag(text(b"TIT2", b"\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe3\x81", 4, 3), 4) + audio)
    add("cp932_cut_lead_byte.mp3",
        id3_tag(text(b"TIT2", b"\x82\xa0\x82") + text(b"TPE1", b"\x81")) +
        audio + id3v1(title=b"\x82" * 30, artist=b"\xff" * 30, comment=b"\x81\x00\x82"))
    # The year of a date cut after four bytes split a character of the code page.
    add("tdrc_year_cut_in_character.mp3", id3_tag(text(b"TDRC", b"20\xb04-05", 4), 4) + audio)
    add("v24_many_values.mp3", id3_tag(text(b"TIT2", b"\0" * 400 + b"a\0b\0\0\0c", 4), 4) + audio)

    # Frames too short for their own fields.
    add("comm_short_frames.mp3",
        id3_tag(id3_frame(b"COMM", b"\0") + id3_frame(b"COMM", b"\0en") + id3_frame(b"COMM", b"\0eng") +
                id3_frame(b"COMM", b"\0AlbumWr") + id3_frame(b"WXXX", b"\0") + id3_frame(b"WXXX", b"\x01") +
                id3_frame(b"TDRC", b"\0") + id3_frame(b"GEOB", b"\0text\0mp3cue")) + audio)
    add("tcon_references.mp3",
        id3_tag(text(b"TCON", b"(") + text(b"TCON", b"()") + text(b"TCON", b"(12") + text(b"TCON", b"(abc)") +
                text(b"TCON", b"(99999999999999999999)") + text(b"TCON", b"(255)")) + audio)
    add("tcon_v24_long_number.mp3", id3_tag(text(b"TCON", b"9" * 300, 4), 4) + audio)

    # Frame sync and the first frame.
    add("sync_only_garbage.mp3", b"\xff" * 3000)
    add("sync_garbage_after_frames.mp3", audio + b"\xff" * 3000)
    add("all_zero.mp3", b"\0" * 4096)
    # A reserved rate makes FrameLength divide by 1: never build such a frame whole.
    reserved = struct.pack(">I", header_word(rate=3, padding=1)) + b"\0" * 413
    add("reserved_rate_first_frame.mp3", reserved + audio)
    add("reserved_rate_only.mp3", reserved * 8)
    add("free_format_frames.mp3", frames(20, bitrate=0, padding=0) + b"\0" * 400)
    add("bitrate_index_15.mp3", b"".join(struct.pack(">I", header_word(bitrate=15)) + b"\0" * 60 for _ in range(30)))
    add("mpeg2_first_frame.mp3", frames(6, version=2) + audio)
    add("layer2_after_frames.mp3", audio + frames(4, layer=2) + audio)
    add("frame_header_at_eof.mp3", audio + b"\xff\xfb")
    add("last_frame_cut.mp3", audio + frame()[:100])
    add("sync_far_away.mp3", b"\0" * 9000 + audio)

    # VBR headers that end early or claim nonsense.
    add("xing_truncated.mp3", vbr_frame()[:4 + 32 + 4 + 2])
    add("xing_flags_only.mp3", vbr_frame()[:4 + 32 + 8])
    add("xing_huge_counts.mp3", vbr_frame(frame_count=0xFFFFFFFF, byte_count=0xFFFFFFFF) + audio)
    add("info_crc_mono_short.mp3", vbr_frame(tag=b"Info", mode=3, crc=True)[:30])
    add("xing_free_format.mp3", vbr_frame(bitrate=0) + audio)
    # The VBR header frame at the reserved rate: its length by the frame
    # formula is millions of bytes, which the full scan adds to the stream.
    xing_reserved = struct.pack(">I", header_word(rate=3)) + b"\0" * 32 + b"Xing" + struct.pack(">III", 3, 6, 2502)
    add("xing_reserved_rate.mp3", xing_reserved + b"\0" * (417 - len(xing_reserved)) + audio)

    # Stacked tags and container signatures.
    add("stacked_id3_tags_loop.mp3", id3_tag(text(b"TIT2", b"Head")) + id3_header(3, 0, b"\0\0\0\0") * 700 + audio)
    add("stacked_id3_huge_size.mp3", id3_tag(text(b"TIT2", b"Head")) + id3_header(3, 0, b"\x7f\x7f\x7f\x7f") + audio)
    add("stacked_id3_truncated.mp3", id3_tag(text(b"TIT2", b"Head")) + b"\0" * 20 + b"ID3\x03\0")
    add("lzh_header_size_far.mp3", b"\xfe\xff-lh0-" + b"\0" * 200 + audio)
    add("lzh_header_size_zero.mp3", b"\0\0-lh0-" + b"\0" * 20 + audio)
    add("lzh_method_cut.mp3", b"\x20\0-lh")
    add("zip_signature_no_audio.mp3", b"PK\x03\x04" + noise(3, 600).replace(b"\xff", b"\0"))
    add("pack_signature_then_audio.mp3", b"Pack" + b"\0" * 60 + audio)
    add("foreign_index_cut.mp3", b"123456789012[][]xx")
    add("foreign_index_one_mark.mp3", b"12345       [][]" + b"\0" * 26 + audio)

    # Track directories behind a head tag that lie about themselves.
    def pack_block(entries, title=b"Album", flags=0, size=None, count=None, end=None):
        body = title + b"\0"
        for offset, name in entries:
            body += syncsafe(offset) + name + b"\0Artist\0Title\0"
        body += syncsafe(end) if end is not None else b""
        d = 12 + len(body) if size is None else size
        n = len(entries) if count is None else count
        return b"Pack" + syncsafe(d) + bytes([n >> 7, n & 0x7F, 0, flags]) + body

    cue_tag = id3_tag(id3_frame(b"GEOB", b"\0text\0mp3cue CueSheet\0" + b"QCUESHEET\r\nTITLE \"A\"\r\n"))
    add("pack_offsets_backwards.mp3", cue_tag + pack_block([(100, b"one.mp3"), (60, b"two.mp3")], end=900) + audio)
    add("pack_name_without_nul.mp3",
        cue_tag + pack_block([(80, b"one.mp3"), (200, b"two.mp3")], size=66, end=900) + audio)
    add("pack_size_too_small.mp3", cue_tag + pack_block([(80, b"one.mp3")], size=16, end=900) + audio)
    add("pack_count_huge.mp3", cue_tag + pack_block([(80, b"one.mp3")], count=16383, end=900) + audio)
    add("pack_offset_past_file.mp3", cue_tag + pack_block([(80, b"one.mp3")], end=0x0FFFFFFF) + audio)
    cue = b"\0text\0mp3cue CueSheet\0QCUESHEET\r\n"
    add("geob_past_tag.mp3", id3_tag(id3_frame(b"GEOB", cue, size=len(cue) + 40)) + audio)
    add("geob_short_then_cue.mp3",
        id3_tag(id3_frame(b"GEOB", b"\0text\0mp3cue Cue") + id3_frame(b"GEOB", cue + b"TITLE \"B\"\r\n")) + audio)

    # Archive members that lie about their sizes, each behind one sound
    # member; the listing keeps the sound one and stops.
    head = id3_tag(text(b"TIT2", b"Head"))
    good_lzh = lzh_member(b"Good.mp3", audio)
    add("lzh_header_size_ten.mp3", head + good_lzh + lzh_member(b"Bad.mp3", audio, header_size=10) + b"\0")
    add("lzh_ext_header_loop.mp3", head + good_lzh + lzh_member(b"Bad.mp3", audio, first_ext=2) + b"\0")
    add("lzh_ext_header_past_header.mp3", head + good_lzh + lzh_member(b"Bad.mp3", audio, first_ext=0x7FFF) + b"\0")
    add("lzh_level_one.mp3", head + good_lzh + lzh_member(b"Bad.mp3", audio, level=1) + b"\0")
    add("lzh_size_past_end.mp3", head + good_lzh + lzh_member(b"Bad.mp3", audio, size=0xFFFFFF00) + b"\0")
    good_zip = zip_local(b"Good.mp3", audio)
    add("zip_deflated_member.mp3", head + good_zip + zip_local(b"Bad.mp3", audio, method=8))
    add("zip_data_descriptor_flag.mp3", head + good_zip + zip_local(b"Bad.mp3", audio, flags=0x08))
    add("zip_size_past_end.mp3", head + good_zip + zip_local(b"Bad.mp3", audio, size=0xFFFFFFF0))
    add("zip_name_past_end.mp3", head + good_zip + zip_local(b"Bad.mp3", b"", name_length=0xFFFF))
    add("foreign_index_garbage.mp3",
        foreign_index(b"3", [b"0.0417[][]0.0[][]Good.mp3", b"0.04x7[][]0.0417[][]Bad.mp3", b"0.1[][]0.2[][]Late.mp3"])
        + audio)
    add("foreign_index_huge_numbers.mp3",
        foreign_index(b"999999999999", [b"99999999999999999999999.9999[][]0.0[][]Huge.mp3"]) + audio)

    # ID3v1 at the end.
    add("id3v1_shorter_than_block.mp3", b"TAG" + b"\xff" * 90)
    add("id3v1_all_ff.mp3", audio + b"TAG" + b"\xff" * 125)

    # Noise, deterministic.
    add("random_noise.mp3", noise(1, 4096))
    add("random_noise_after_tag.mp3", id3_tag(noise(2, 1500), 3, 0xC0) + noise(4, 2500))
    return files


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else HERE
    files = build()
    for name, data in sorted(files.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    print(f"wrote {len(files)} files to {out}")


if __name__ == "__main__":
    main()
