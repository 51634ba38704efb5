// Big-endian sizes of 1 to 4 bytes: syncsafe (7 bits a byte) or plain (8 bits).
#pragma once

#include <array>
#include <cstdint>

#include "core/Bytes.h"

namespace quilto::core {

enum class SizeEncoding { Syncsafe, Plain };

// Syncsafe bytes are taken as signed 8-bit values and not masked, so a byte
// with its top bit set makes the value smaller (often negative): stored sizes
// with that fault read as invalid rather than as huge.
std::int64_t DecodeSize(SizeEncoding encoding, ByteView bytes);

// Writes value into the first byteCount bytes (1..4). The first byte takes
// whatever is left unmasked, so syncsafe values of 2^(7·byteCount) or more
// overflow it; writers keep below that.
std::array<std::uint8_t, 4> EncodeSize(SizeEncoding encoding, std::uint32_t value, std::size_t byteCount = 4);

}  // namespace quilto::core
