#include "core/VbrHeader.h"

namespace quilto::core {

namespace {

VbrHeaderKind KindAt(ByteView frame, std::size_t offset) {
    if (offset + 4 > frame.size()) return VbrHeaderKind::None;
    const ByteView tag = frame.subspan(offset, 4);
    if (StartsWith(tag, "Xing")) return VbrHeaderKind::Xing;
    if (StartsWith(tag, "Info")) return VbrHeaderKind::Info;
    return VbrHeaderKind::None;
}

std::uint32_t FieldAt(ByteView frame, std::size_t offset) {
    return offset + 4 <= frame.size() ? ReadBe32(frame.data() + offset) : 0;
}

}  // namespace

VbrHeader ParseVbrHeader(ByteView frame, FrameHeader header) {
    std::size_t offset = 4 + (header.hasCrc() ? 2u : 0u) + header.sideInfoSize();
    VbrHeader result;
    result.kind = KindAt(frame, offset);
    // lame writes the tag of a CRC-protected frame where it would stand without
    // the CRC; without this every such file shows its Info frame as audio.
    if (result.kind == VbrHeaderKind::None && header.hasCrc()) {
        offset -= 2;
        result.kind = KindAt(frame, offset);
    }
    if (result.kind == VbrHeaderKind::None) return result;
    const std::uint32_t flags = FieldAt(frame, offset + 4);
    std::size_t field = offset + 8;
    if (flags & 1) {
        result.frames = FieldAt(frame, field);
        field += 4;
    }
    if (flags & 2) result.bytes = FieldAt(frame, field);
    return result;
}

}  // namespace quilto::core
