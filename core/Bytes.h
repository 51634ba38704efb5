// Byte buffers and big-endian field access shared by the binary readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quilto::core {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Callers check the bounds; these only assemble the value.
inline std::uint32_t ReadBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

inline std::uint32_t ReadBe24(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

inline std::string_view AsChars(ByteView bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

inline bool StartsWith(ByteView bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && AsChars(bytes.first(prefix.size())) == prefix;
}

}  // namespace quilto::core
