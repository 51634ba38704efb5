#include "pack/HeadTag.h"

#include <algorithm>
#include <utility>

#include "core/Id3v2Reader.h"
#include "core/Id3v2Writer.h"
#include "pack/CueText.h"
#include "pack/PackFields.h"

namespace quilto::pack {

namespace {

using core::SizeEncoding;

constexpr std::size_t kFrameHeaderSize = 10;
constexpr std::uint64_t kMaxTagBody = 0x0FFFFFFF;  // what four syncsafe bytes hold
constexpr std::uint8_t kExtendedHeaderFlag = 0x40;

std::string_view TrimBelow0x21(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) < 0x21) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 0x21) text.remove_suffix(1);
    return text;
}

void AppendFrame(core::Bytes& out, std::string_view id, std::string_view body) {
    out.insert(out.end(), id.begin(), id.end());
    AppendSize(out, SizeEncoding::Plain, static_cast<std::uint32_t>(body.size()));
    out.push_back(0x00);  // flags
    out.push_back(0x00);
    out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::optional<core::Bytes> BuildHeadTag(const HeadTagInput& input, std::string* error, const core::TextCodec& codec) {
    std::uint64_t bodySize = 0;
    std::vector<std::pair<std::string_view, core::Id3v2Text>> textFrames;
    if (input.textFrames) {
        for (const auto& [id, text] : {std::pair{"TIT2", &input.title}, std::pair{"TPE1", &input.artist}}) {
            textFrames.emplace_back(id, core::EncodeId3v2Text(TrimBelow0x21(*text), codec, input.unicodeText));
            bodySize += kFrameHeaderSize + 1 + textFrames.back().second.bytes.size();
        }
    }
    if (input.cueText) bodySize += kFrameHeaderSize + kCueGeobOverhead + input.cueText->size();
    if (bodySize > kMaxTagBody) {
        if (error) *error = "the cue text is too large for the head tag";
        return std::nullopt;
    }

    core::Bytes tag{'I', 'D', '3', 0x03, 0x00, 0x00};
    tag.reserve(static_cast<std::size_t>(core::kId3v2HeaderSize + bodySize));
    AppendSize(tag, SizeEncoding::Syncsafe, static_cast<std::uint32_t>(bodySize));
    for (const auto& [id, text] : textFrames) {
        AppendFrame(tag, id, std::string(1, static_cast<char>(text.encoding)) + text.bytes);
    }
    if (input.cueText) {
        std::string body(1, '\0');  // encoding
        body += kCueGeobMark;
        body += *input.cueText;
        AppendFrame(tag, "GEOB", body);
    }
    return tag;
}

std::optional<std::vector<std::string>> FindCueText(core::ByteView tag, const core::TextCodec& codec) {
    if (tag.size() < core::kId3v2HeaderSize || !core::StartsWith(tag, "ID3")) return std::nullopt;
    // A tag cut short is walked as far as it was read.
    const std::uint64_t tagSize = std::min<std::uint64_t>(core::TagLength(tag), tag.size());
    std::uint64_t position = core::kId3v2HeaderSize;
    if (tag[3] >= 3 && (tag[5] & kExtendedHeaderFlag) && tagSize >= core::kId3v2HeaderSize + 4) {
        position += core::ReadBe32(tag.data() + core::kId3v2HeaderSize);
    }
    while (tagSize >= kFrameHeaderSize && position < tagSize - kFrameHeaderSize) {
        const auto at = static_cast<std::size_t>(position);
        const std::string_view id = core::AsChars(tag.subspan(at, 4));
        const auto size = static_cast<std::int32_t>(core::ReadBe32(tag.data() + at + 4));
        // Unlikely frame headers are slid over a byte at a time, and only a
        // frame that fits in the tag is taken.
        if (size < 0 || static_cast<std::uint64_t>(size) > tagSize - kFrameHeaderSize - position ||
            tag[at + kFrameHeaderSize] != 0x00 || TrimBelow0x21(id).size() != 4) {
            position += 1;
            continue;
        }
        const auto body = tag.subspan(at + kFrameHeaderSize, static_cast<std::size_t>(size));
        if (id == "GEOB" && body.size() >= kCueGeobOverhead && core::AsChars(body.subspan(1, kCueGeobMark.size())) == kCueGeobMark) {
            return DecodeCueText(core::AsChars(body.subspan(kCueGeobOverhead)), codec);
        }
        position += kFrameHeaderSize + static_cast<std::uint64_t>(size);
    }
    return std::nullopt;
}

}  // namespace quilto::pack
