// The integer fields of the packed layout, written and read back strictly.
#pragma once

#include <cstdint>
#include <optional>

#include "core/Bytes.h"
#include "core/SizeCodec.h"

namespace quilto::pack {

inline void AppendSize(core::Bytes& out, core::SizeEncoding encoding, std::uint32_t value, std::size_t byteCount = 4) {
    const auto bytes = core::EncodeSize(encoding, value, byteCount);
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(byteCount));
}

// A syncsafe field whose bytes all have their top bit clear; any other is
// damage (our writers never overflow the first byte).
inline std::optional<std::uint32_t> ReadSyncsafe(core::ByteView bytes) {
    std::uint32_t value = 0;
    for (const std::uint8_t byte : bytes) {
        if (byte & 0x80) return std::nullopt;
        value = value * 128 + byte;
    }
    return value;
}

}  // namespace quilto::pack
