// CRC-32 of ZIP members (the zlib checksum).
#pragma once

#include <cstdint>

#include "core/Bytes.h"

namespace quilto::pack {

// Continues a checksum over more data; start with 0.
std::uint32_t Crc32Update(std::uint32_t crc, core::ByteView data);

inline std::uint32_t Crc32(core::ByteView data) { return Crc32Update(0, data); }

}  // namespace quilto::pack
