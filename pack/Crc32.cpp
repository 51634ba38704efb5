#include "pack/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace quilto::pack {

std::uint32_t Crc32Update(std::uint32_t crc, core::ByteView data) {
    // zlib takes an unsigned int length: feed larger spans in pieces.
    uLong value = crc;
    while (!data.empty()) {
        const std::size_t piece = std::min<std::size_t>(data.size(), UINT_MAX);
        value = crc32(value, data.data(), static_cast<uInt>(piece));
        data = data.subspan(piece);
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace quilto::pack
