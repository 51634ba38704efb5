// UTF-8 and UTF-16 conversions that never fail: invalid input becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quilto::core {

void AppendUtf8(std::string& out, char32_t codePoint);

// Length in bytes of the valid UTF-8 sequence at the start of text, or 0 when
// it does not start with one.
std::size_t Utf8SequenceLength(std::string_view text);

// Copies valid UTF-8 through and replaces every invalid byte with U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

enum class Utf16Order { LittleEndian, BigEndian };

// Decodes UTF-16 without a byte order mark; a lone surrogate or a trailing odd
// byte becomes U+FFFD.
std::string DecodeUtf16(std::string_view bytes, Utf16Order order);

// UTF-16LE code units of a UTF-8 text, without mark or terminator; invalid
// UTF-8 bytes become U+FFFD.
std::string EncodeUtf16Le(std::string_view utf8);

}  // namespace quilto::core
