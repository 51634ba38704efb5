// Synthetic MPEG-1 Layer III frames and ID3v2 tags for tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/MpegHeader.h"
#include "support/ByteBuilder.h"

namespace quilto::test {

struct FrameFields {
    unsigned bitRateIndex = 9;     // 128 kbps
    unsigned sampleRateIndex = 0;  // 44100 Hz
    unsigned padding = 0;
    unsigned mode = 1;  // JointStereo
    bool crc = false;
    unsigned version = 3;  // the two version bits: 3 is MPEG-1
    unsigned layer = 1;    // the two layer bits: 1 is Layer III
};

inline std::uint32_t HeaderWord(const FrameFields& f) {
    return 0xFFE00000u | (f.version << 19) | (f.layer << 17) | ((f.crc ? 0u : 1u) << 16) | (f.bitRateIndex << 12) |
           (f.sampleRateIndex << 10) | (f.padding << 9) | (f.mode << 6);
}

// One whole frame of FrameLength bytes: header, then zeros.
inline std::vector<std::uint8_t> Frame(const FrameFields& f) {
    const std::uint32_t length = core::FrameLength(f.bitRateIndex, f.sampleRateIndex, f.padding);
    ByteBuilder b;
    b.u32be(HeaderWord(f)).padTo(length);
    return b;
}

// A first frame that carries a VBR header ("Xing" or "Info") with both fields.
// crcShift: lame puts the tag 2 bytes early in CRC-protected frames.
inline std::vector<std::uint8_t> VbrFrame(const FrameFields& f, std::string_view tag, std::uint32_t frames,
                                          std::uint32_t bytes, bool lameCrcPlacement = false) {
    const std::uint32_t length = core::FrameLength(f.bitRateIndex, f.sampleRateIndex, f.padding);
    const unsigned side = f.mode == 3 ? 17 : 32;
    ByteBuilder b;
    b.u32be(HeaderWord(f));
    if (f.crc && !lameCrcPlacement) b.u16be(0);  // CRC
    b.fill(side);
    b.text(tag).u32be(3).u32be(frames).u32be(bytes).padTo(length);
    return b;
}

inline void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

inline std::vector<std::uint8_t> Frames(const FrameFields& f, std::size_t count) {
    std::vector<std::uint8_t> out;
    const std::vector<std::uint8_t> one = Frame(f);
    for (std::size_t i = 0; i < count; ++i) Append(out, one);
    return out;
}

// An ID3v2 frame in the 2.3 layout (plain size) or 2.4 layout (syncsafe size).
inline std::vector<std::uint8_t> Id3Frame(std::string_view id, const std::vector<std::uint8_t>& body,
                                          unsigned version = 3, std::uint16_t flags = 0) {
    ByteBuilder b;
    b.text(id);                                   // frame ID
    if (version == 4) b.syncsafe32(std::uint32_t(body.size()));
    else b.u32be(std::uint32_t(body.size()));     // frame size
    b.u16be(flags);                               // flags
    b.raw(body);
    return b;
}

// A text frame body: encoding byte then the bytes as given.
inline std::vector<std::uint8_t> TextBody(std::uint8_t encoding, std::string_view bytes) {
    ByteBuilder b;
    b.u8(encoding).text(bytes);
    return b;
}

// A whole tag: header with the syncsafe size of frames + padding.
inline std::vector<std::uint8_t> Id3Tag(const std::vector<std::vector<std::uint8_t>>& frames, unsigned version = 3,
                                        std::uint8_t flags = 0, std::size_t padding = 0) {
    std::vector<std::uint8_t> body;
    for (const auto& frame : frames) Append(body, frame);
    body.insert(body.end(), padding, 0);
    ByteBuilder b;
    b.text("ID3").u8(std::uint8_t(version)).u8(0).u8(flags).syncsafe32(std::uint32_t(body.size())).raw(body);
    return b;
}

}  // namespace quilto::test
