#include "core/NumberText.h"

#include <charconv>
#include <clocale>

namespace quilto::core {

InvalidNumber::InvalidNumber(std::string_view text)
    : std::runtime_error("'" + std::string(text) + "' is not a valid integer value") {}

std::optional<std::int32_t> TryParseInt32(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;  // from_chars would take "+-5" as -5
    }
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::int32_t ParseInt32(std::string_view text) {
    if (auto value = TryParseInt32(text)) return *value;
    throw InvalidNumber(text);
}

namespace {
std::string& SeparatorSlot() {
    static std::string separator = ",";
    return separator;
}
}  // namespace

const std::string& ThousandsSeparator() { return SeparatorSlot(); }

void SetThousandsSeparator(std::string separator) { SeparatorSlot() = std::move(separator); }

void UseLocaleThousandsSeparator() {
    std::setlocale(LC_NUMERIC, "");
    const std::lconv* conventions = std::localeconv();
    if (conventions && conventions->thousands_sep && *conventions->thousands_sep) {
        SetThousandsSeparator(conventions->thousands_sep);
    }
    std::setlocale(LC_NUMERIC, "C");
}

std::string GroupThousands(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    const std::string& separator = ThousandsSeparator();
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 * separator.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out += separator;
        out.push_back(digits[i]);
    }
    return out;
}

std::optional<std::uint64_t> ParseGrouped(std::string_view text) {
    std::string digits;
    const std::string& separator = ThousandsSeparator();
    for (std::size_t i = 0; i < text.size();) {
        if (!separator.empty() && text.substr(i, separator.size()) == separator) {
            i += separator.size();
        } else if (text[i] == ',') {
            ++i;
        } else {
            digits.push_back(text[i++]);
        }
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

std::string ZeroPadded(std::int64_t value, int width) {
    // Same as printf's "%0*d": the sign counts towards the width.
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string digits = std::to_string(magnitude);
    const int wanted = negative ? width - 1 : width;
    if (static_cast<int>(digits.size()) < wanted) digits.insert(0, static_cast<std::size_t>(wanted) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

}  // namespace quilto::core
