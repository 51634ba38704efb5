#include "core/Id3v2Frame.h"

#include <algorithm>

#include "core/SizeCodec.h"

namespace quilto::core {

namespace {

bool IsFrameIdChar(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Where a frame may plausibly follow: the end of the tag, padding, or an ID.
bool LooksLikeFrameStart(ByteView tag, std::uint64_t offset) {
    if (offset == tag.size()) return true;
    if (offset + 4 > tag.size()) return false;
    if (tag[offset] == 0) return true;
    return std::all_of(tag.begin() + static_cast<std::ptrdiff_t>(offset), tag.begin() + static_cast<std::ptrdiff_t>(offset + 4),
                       IsFrameIdChar);
}

}  // namespace

Id3v2FrameLayout Id3v2FrameLayout::ForMajorVersion(int major) {
    const int version = major == 2 || major == 4 ? major : 3;
    return {version, version == 2 ? 3u : 4u, version == 2 ? 6u : 10u};
}

Bytes RemoveUnsynchronisation(ByteView data) {
    Bytes out;
    out.reserve(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && i + 1 < data.size() && data[i + 1] == 0x00) ++i;
    }
    return out;
}

Bytes TagWithoutUnsynchronisation(ByteView tag, const Id3v2FrameLayout& layout) {
    constexpr std::size_t kHeader = 10;
    if (layout.version == 4 || tag.size() < kHeader || !(tag[5] & kId3v2TagUnsynchronised)) {
        return Bytes(tag.begin(), tag.end());
    }
    Bytes undone(tag.begin(), tag.begin() + kHeader);
    const Bytes body = RemoveUnsynchronisation(tag.subspan(kHeader));
    undone.insert(undone.end(), body.begin(), body.end());
    return undone;
}

std::size_t FirstFrameOffset(ByteView tag, const Id3v2FrameLayout& layout) {
    constexpr std::size_t kHeader = 10;
    std::size_t pos = kHeader;
    if (layout.version >= 3 && tag.size() >= kHeader + 4 && (tag[5] & kId3v2TagExtendedHeader)) {
        const ByteView sizeBytes = tag.subspan(kHeader, 4);
        // 2.3 counts the header without its size field, 2.4 with it (syncsafe).
        const std::int64_t size = layout.version == 3 ? 4 + DecodeSize(SizeEncoding::Plain, sizeBytes)
                                                      : DecodeSize(SizeEncoding::Syncsafe, sizeBytes);
        // A size that cannot be right is ignored: the walk then slides over the header.
        if (size > 0 && static_cast<std::uint64_t>(size) <= tag.size() - pos) pos += static_cast<std::size_t>(size);
    }
    return pos;
}

std::int64_t FrameSize(ByteView tag, std::size_t pos, const Id3v2FrameLayout& layout) {
    const ByteView sizeBytes = tag.subspan(pos + layout.idSize, layout.idSize);
    if (layout.version == 2) return ReadBe24(sizeBytes.data());
    const std::int64_t plain = DecodeSize(SizeEncoding::Plain, sizeBytes);
    if (layout.version != 4) return plain;
    const bool syncsafeForm = std::none_of(sizeBytes.begin(), sizeBytes.end(), [](std::uint8_t b) { return b & 0x80; });
    if (!syncsafeForm) return plain;
    const std::int64_t syncsafe = DecodeSize(SizeEncoding::Syncsafe, sizeBytes);
    if (syncsafe < 0x80) return syncsafe;
    const auto next = [&](std::int64_t size) { return pos + layout.headerSize + static_cast<std::uint64_t>(size); };
    if (!LooksLikeFrameStart(tag, next(syncsafe)) && LooksLikeFrameStart(tag, next(plain))) return plain;
    return syncsafe;
}

}  // namespace quilto::core
