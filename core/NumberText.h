// Number texts: thousands grouping ("%.0n") and strict decimal parsing.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quilto::core {

// A text that had to be a decimal number and was not. Commands let it end the
// command and show its message, as they do for any unexpected error.
class InvalidNumber : public std::runtime_error {
public:
    explicit InvalidNumber(std::string_view text);
};

// Decimal with an optional sign and nothing else; empty or out of range fails.
std::optional<std::int32_t> TryParseInt32(std::string_view text);
std::int32_t ParseInt32(std::string_view text);  // throws InvalidNumber

// Digit filter of numeric editors: control characters (below 32) and the
// digits 0-9 may be typed, nothing else.
constexpr bool PassesDigitFilter(char32_t typed) { return typed < 32 || (typed >= U'0' && typed <= U'9'); }

// Digits grouped by threes with the thousands separator, no decimals.
std::string GroupThousands(std::uint64_t value);

// The separator used by GroupThousands; "," until the shell sets the locale's.
const std::string& ThousandsSeparator();
void SetThousandsSeparator(std::string separator);

// Reads a grouped number back, ignoring the current separator and ","; the
// shell keeps numbers beside their texts, so this is for typed input only.
std::optional<std::uint64_t> ParseGrouped(std::string_view text);

// printf-style "%0*d": decimal, left-padded with zeros to at least width digits.
std::string ZeroPadded(std::int64_t value, int width);

}  // namespace quilto::core
