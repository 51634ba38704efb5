#include "bench/SyntheticMp3.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/MpegHeader.h"

namespace quilto::bench {

namespace {

constexpr unsigned kSampleRate44100 = 0;
constexpr unsigned kJointStereo = 1;
constexpr unsigned kSideInfoStereo = 32;
constexpr std::uint64_t kSampleRateHz = 44100;

void PutBe32(core::Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutText(core::Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

std::uint32_t HeaderWord(unsigned bitRateIndex, unsigned padding) {
    // Sync, MPEG-1 (11), Layer III (01), no CRC (protection bit set).
    return 0xFFE00000u | (3u << 19) | (1u << 17) | (1u << 16) | (bitRateIndex << 12) | (kSampleRate44100 << 10) |
           (padding << 9) | (kJointStereo << 6);
}

// Appends frames to one buffer. Payload bytes are random but never 0xFF, so
// no sync pattern appears inside a frame: the walk steps from header to
// header either way, and this keeps a failed walk from being hidden by a
// lucky resync.
class StreamWriter {
public:
    StreamWriter(core::Bytes& out, Random& random) : out_(out), random_(random) {}

    std::uint32_t frame(unsigned bitRateIndex, unsigned padding) {
        const std::uint32_t length = core::FrameLength(bitRateIndex, kSampleRate44100, padding);
        const std::size_t start = out_.size();
        PutBe32(out_, HeaderWord(bitRateIndex, padding));
        out_.resize(start + length);
        for (std::size_t i = start + 4; i < out_.size(); i += 8) {
            std::uint64_t bits = random_.next();
            for (std::size_t k = i; k < std::min(i + 8, out_.size()); ++k, bits >>= 8) {
                const auto byte = static_cast<std::uint8_t>(bits);
                out_[k] = byte == 0xFF ? 0x7F : byte;
            }
        }
        return length;
    }

    // Frame whose padding keeps the running average at the nominal rate,
    // as encoders pad a 44.1 kHz stream.
    std::uint32_t paddedFrame(unsigned bitRateIndex) {
        const std::uint64_t numerator = 144ULL * core::kBitRateKbps[bitRateIndex] * 1000;
        remainder_ += numerator % kSampleRateHz;
        unsigned padding = 0;
        if (remainder_ >= kSampleRateHz) {
            remainder_ -= kSampleRateHz;
            padding = 1;
        }
        return frame(bitRateIndex, padding);
    }

    // A first frame holding a VBR header with frames and bytes fields; the
    // fields are patched by finishVbrHeader once the stream is complete.
    void vbrHeaderFrame(unsigned bitRateIndex, std::string_view tag) {
        const std::uint32_t length = core::FrameLength(bitRateIndex, kSampleRate44100, 0);
        vbrHeaderAt_ = out_.size();
        streamStart_ = out_.size();
        PutBe32(out_, HeaderWord(bitRateIndex, 0));
        out_.resize(out_.size() + kSideInfoStereo);
        PutText(out_, tag);
        PutBe32(out_, 3);  // flags: frames and bytes present
        PutBe32(out_, 0);
        PutBe32(out_, 0);
        out_.resize(streamStart_ + length);
    }

    void startWithoutVbrHeader() { streamStart_ = out_.size(); }

    void finishVbrHeader(std::uint64_t audioFrames) {
        if (!vbrHeaderAt_) return;
        const std::size_t fields = *vbrHeaderAt_ + 4 + kSideInfoStereo + 8;
        const auto put = [this](std::size_t at, std::uint64_t value) {
            for (int i = 0; i < 4; ++i) out_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
        };
        put(fields, audioFrames);
        put(fields + 4, out_.size() - streamStart_);
    }

private:
    core::Bytes& out_;
    Random& random_;
    std::uint64_t remainder_ = 0;
    std::optional<std::size_t> vbrHeaderAt_;
    std::size_t streamStart_ = 0;
};

core::Bytes Id3v2Frame(std::string_view id, const core::Bytes& body) {
    core::Bytes frame;
    PutText(frame, id);
    PutBe32(frame, static_cast<std::uint32_t>(body.size()));
    frame.push_back(0);  // flags
    frame.push_back(0);
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

core::Bytes Id3v2Tag(const std::vector<core::Bytes>& frames, std::size_t padding) {
    core::Bytes body;
    for (const auto& frame : frames) body.insert(body.end(), frame.begin(), frame.end());
    body.resize(body.size() + padding);
    const auto size = static_cast<std::uint32_t>(body.size());
    core::Bytes tag;
    PutText(tag, "ID3");
    tag.push_back(3);  // version 2.3
    tag.push_back(0);
    tag.push_back(0);  // flags
    for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(static_cast<std::uint8_t>((size >> shift) & 0x7F));
    tag.insert(tag.end(), body.begin(), body.end());
    return tag;
}

// A text in one of three forms: encoding 0 plain ASCII, encoding 0 with
// CP932 bytes, encoding 1 (UTF-16LE with BOM) holding the same kana.
enum class TextForm { Ascii, Cp932, Utf16 };

core::Bytes TextBody(TextForm form, std::string_view ascii) {
    core::Bytes body;
    switch (form) {
        case TextForm::Ascii:
            body.push_back(0);
            PutText(body, ascii);
            break;
        case TextForm::Cp932:
            body.push_back(0);
            PutText(body, ascii);
            PutText(body, " \x83\x65\x83\x58\x83\x67");  // katakana "tesuto"
            break;
        case TextForm::Utf16: {
            body.push_back(1);
            body.push_back(0xFF);
            body.push_back(0xFE);
            std::vector<char16_t> units(ascii.begin(), ascii.end());
            units.insert(units.end(), {u' ', u'\u30C6', u'\u30B9', u'\u30C8'});
            for (const char16_t unit : units) {
                body.push_back(static_cast<std::uint8_t>(unit & 0xFF));
                body.push_back(static_cast<std::uint8_t>(unit >> 8));
            }
            break;
        }
    }
    return body;
}

core::Bytes CommentBody(TextForm form, std::string_view ascii) {
    const core::Bytes text = TextBody(form, ascii);
    core::Bytes body{text[0]};
    PutText(body, "eng");
    // An empty description, terminated in the width of the encoding.
    body.push_back(0);
    if (form == TextForm::Utf16) body.push_back(0);
    body.insert(body.end(), text.begin() + 1, text.end());
    return body;
}

core::Bytes HeadTag(unsigned index, TextForm form, std::size_t padding) {
    const std::string n = std::to_string(index);
    std::vector<core::Bytes> frames = {
        Id3v2Frame("TPE1", TextBody(form, "Artist " + std::to_string(index % 37))),
        Id3v2Frame("TIT2", TextBody(form, "Title of track number " + n)),
        Id3v2Frame("TALB", TextBody(form, "Album " + std::to_string(index / 12))),
        Id3v2Frame("TRCK", TextBody(TextForm::Ascii, std::to_string(index % 12 + 1) + "/12")),
        Id3v2Frame("TYER", TextBody(TextForm::Ascii, std::to_string(1970 + index % 50))),
        Id3v2Frame("TCON", TextBody(TextForm::Ascii, index % 2 ? "(17)" : "(13)Pop")),
        Id3v2Frame("COMM", CommentBody(form, "Comment for file " + n)),
        Id3v2Frame("TENC", TextBody(TextForm::Ascii, "bench")),
    };
    if (index % 3 == 0) frames.push_back(Id3v2Frame("TSSE", TextBody(TextForm::Ascii, "LAME 3.100")));
    return Id3v2Tag(frames, padding);
}

void AppendId3v1(core::Bytes& out, unsigned index) {
    const std::size_t start = out.size();
    out.resize(start + 128);
    auto field = [&](std::size_t offset, std::size_t width, const std::string& text) {
        for (std::size_t i = 0; i < std::min(width, text.size()); ++i) out[start + offset + i] = static_cast<std::uint8_t>(text[i]);
    };
    field(0, 3, "TAG");
    field(3, 30, "Title of track number " + std::to_string(index));
    field(33, 30, "Artist " + std::to_string(index % 37));
    field(63, 30, "Album " + std::to_string(index / 12));
    field(93, 4, std::to_string(1970 + index % 50));
    field(97, 28, "Comment");
    out[start + 126] = static_cast<std::uint8_t>(index % 12 + 1);  // ID3v1.1 track
    out[start + 127] = static_cast<std::uint8_t>(index % 80);      // genre
}

// Bit rates of the variable stream: mostly 128-256 kbps, now and then the
// extremes, so that every frame length differs from its neighbour's often.
unsigned VbrBitRateIndex(Random& random) {
    static constexpr std::array<unsigned, 16> kChoices = {5, 7, 8, 9, 9, 10, 10, 10, 11, 11, 11, 12, 12, 13, 14, 9};
    return kChoices[random.next() % kChoices.size()];
}

std::uint64_t FramesFor(std::uint64_t seconds) {
    return (seconds * kSampleRateHz + core::kSamplesPerFrame / 2) / core::kSamplesPerFrame;
}

}  // namespace

std::uint64_t Random::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

SyntheticFile MakeCbrFile(std::uint64_t seconds, unsigned bitRateIndex, bool infoFrame, Random& random) {
    SyntheticFile file;
    file.bytes = HeadTag(static_cast<unsigned>(seconds), TextForm::Ascii, 1024);
    file.tagLength = file.bytes.size();
    file.audioFrames = FramesFor(seconds);
    file.bytes.reserve(file.bytes.size() + file.audioFrames * (core::FrameLength(bitRateIndex, kSampleRate44100, 1)) + 1024);
    StreamWriter writer(file.bytes, random);
    if (infoFrame) writer.vbrHeaderFrame(bitRateIndex, "Info");
    else writer.startWithoutVbrHeader();
    for (std::uint64_t i = 0; i < file.audioFrames; ++i) writer.paddedFrame(bitRateIndex);
    writer.finishVbrHeader(file.audioFrames);
    AppendId3v1(file.bytes, static_cast<unsigned>(seconds));
    return file;
}

SyntheticFile MakeVbrFile(std::uint64_t seconds, Random& random) {
    SyntheticFile file;
    file.bytes = HeadTag(static_cast<unsigned>(seconds), TextForm::Ascii, 1024);
    file.tagLength = file.bytes.size();
    file.audioFrames = FramesFor(seconds);
    file.bytes.reserve(file.bytes.size() + file.audioFrames * 700);
    StreamWriter writer(file.bytes, random);
    writer.vbrHeaderFrame(9, "Xing");
    for (std::uint64_t i = 0; i < file.audioFrames; ++i) writer.frame(VbrBitRateIndex(random), random.next() % 8 == 0);
    writer.finishVbrHeader(file.audioFrames);
    AppendId3v1(file.bytes, static_cast<unsigned>(seconds));
    return file;
}

SyntheticFile MakeSmallFile(unsigned index, Random& random, std::uint64_t fileBytes) {
    static constexpr std::array<TextForm, 3> kForms = {TextForm::Ascii, TextForm::Cp932, TextForm::Utf16};
    SyntheticFile file;
    // A third of the tags carry no padding, the rest up to 2 KiB.
    const std::size_t padding = index % 3 == 2 ? 0 : static_cast<std::size_t>(random.between(64, 2048));
    file.bytes = HeadTag(index, kForms[index % kForms.size()], padding);
    file.tagLength = file.bytes.size();
    const std::uint64_t drawn = random.between(20'000, 100'000);
    constexpr std::uint64_t kId3v1Size = 128;
    const std::uint64_t tagBytes = file.bytes.size() + kId3v1Size;
    const std::uint64_t audioBytes = fileBytes == 0 ? drawn : fileBytes > tagBytes ? fileBytes - tagBytes : 1;
    const std::size_t audioStart = file.bytes.size();
    StreamWriter writer(file.bytes, random);
    const bool variable = index % 4 == 1;
    const unsigned rate = static_cast<unsigned>(random.between(9, 11));
    switch (index % 4) {
        case 0: writer.vbrHeaderFrame(rate, "Info"); break;
        case 1: writer.vbrHeaderFrame(9, "Xing"); break;
        default: writer.startWithoutVbrHeader(); break;
    }
    while (file.bytes.size() - audioStart < audioBytes) {
        if (variable) writer.frame(VbrBitRateIndex(random), 0);
        else writer.paddedFrame(rate);
        ++file.audioFrames;
    }
    writer.finishVbrHeader(file.audioFrames);
    AppendId3v1(file.bytes, index);
    return file;
}

bool SmokeMode() {
    const char* smoke = std::getenv("QUILTO_BENCH_SMOKE");
    return smoke && std::string_view(smoke) == "1";
}

std::filesystem::path ScratchDirectory() {
    std::filesystem::path directory;
    if (const char* chosen = std::getenv("QUILTO_BENCH_DIR"); chosen && *chosen) {
        directory = chosen;
    } else {
        const char* temp = std::getenv("TMPDIR");
        directory = std::filesystem::path(temp && *temp ? temp : "/tmp") / "quilto-bench";
    }
    if (SmokeMode()) directory /= "smoke";
    std::filesystem::create_directories(directory);
    return directory;
}

void WriteIfMissing(const std::filesystem::path& path, const core::Bytes& bytes) {
    std::error_code error;
    if (std::filesystem::file_size(path, error) == bytes.size() && !error) return;
    std::filesystem::path partial = path;
    partial += ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) throw std::runtime_error("cannot write " + partial.string());
    }
    std::filesystem::rename(partial, path);
}

}  // namespace quilto::bench
