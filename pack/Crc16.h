// CRC-16/ARC (reflected polynomial 0xA001, start 0, no final XOR): the
// checksum of an LZH member's data.
#pragma once

#include <cstdint>

#include "core/Bytes.h"

namespace quilto::pack {

// Continues a checksum over more data; start with 0.
std::uint16_t Crc16Update(std::uint16_t crc, core::ByteView data);

inline std::uint16_t Crc16(core::ByteView data) { return Crc16Update(0, data); }

}  // namespace quilto::pack
