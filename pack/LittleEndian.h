// Little-endian fields of the archive headers.
#pragma once

#include <cstdint>

#include "core/Bytes.h"

namespace quilto::pack {

inline void PutLe16(core::Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutLe32(core::Bytes& out, std::uint32_t value) {
    PutLe16(out, value & 0xFFFFu);
    PutLe16(out, value >> 16);
}

// Callers check the bounds.
inline std::uint16_t ReadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

}  // namespace quilto::pack
