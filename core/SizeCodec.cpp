#include "core/SizeCodec.h"

#include <algorithm>

namespace quilto::core {

std::int64_t DecodeSize(SizeEncoding encoding, ByteView bytes) {
    std::int64_t value = 0;
    for (const std::uint8_t byte : bytes.first(std::min<std::size_t>(bytes.size(), 4))) {
        if (encoding == SizeEncoding::Syncsafe) {
            value = value * 128 + static_cast<std::int8_t>(byte);
        } else {
            value = value * 256 + byte;
        }
    }
    return value;
}

std::array<std::uint8_t, 4> EncodeSize(SizeEncoding encoding, std::uint32_t value, std::size_t byteCount) {
    std::array<std::uint8_t, 4> bytes{};
    const unsigned bits = encoding == SizeEncoding::Syncsafe ? 7 : 8;
    const std::uint32_t mask = (1u << bits) - 1;
    if (byteCount == 0 || byteCount > 4) return bytes;
    for (std::size_t i = byteCount - 1; i > 0; --i) {
        bytes[i] = static_cast<std::uint8_t>(value & mask);
        value >>= bits;
    }
    // The first byte is not masked, as the stored formats were written.
    bytes[0] = static_cast<std::uint8_t>(value);
    return bytes;
}

}  // namespace quilto::core
