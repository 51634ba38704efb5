#include "pack/DosDateTime.h"

#include <ctime>

namespace quilto::pack {

namespace {

constexpr std::uint32_t kDosLast = (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;

}  // namespace

std::uint32_t DosDateTimeFromUnix(std::int64_t secondsSinceEpoch) {
    const auto time = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    if (!localtime_r(&time, &local)) return kDosEpoch;
    const int year = local.tm_year + 1900;
    if (year < 1980) return kDosEpoch;
    if (year > 1980 + 127) return kDosLast;
    const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    const auto clock = static_cast<std::uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    return (date << 16) | clock;
}

std::int64_t UnixFromDosDateTime(std::uint32_t dosDateTime) {
    std::tm local{};
    local.tm_year = static_cast<int>((dosDateTime >> 25) & 0x7Fu) + 80;
    local.tm_mon = static_cast<int>((dosDateTime >> 21) & 0x0Fu) - 1;
    local.tm_mday = static_cast<int>((dosDateTime >> 16) & 0x1Fu);
    local.tm_hour = static_cast<int>((dosDateTime >> 11) & 0x1Fu);
    local.tm_min = static_cast<int>((dosDateTime >> 5) & 0x3Fu);
    local.tm_sec = static_cast<int>((dosDateTime & 0x1Fu) * 2);
    local.tm_isdst = -1;  // the zone's own rule for that day
    return static_cast<std::int64_t>(std::mktime(&local));
}

std::uint32_t NormalizeDosDateTime(std::uint32_t dosDateTime) {
    const std::uint32_t month = (dosDateTime >> 21) & 0x0Fu;
    const std::uint32_t day = (dosDateTime >> 16) & 0x1Fu;
    return (month == 0 || month > 12 || day == 0) ? kDosEpoch : dosDateTime;
}

}  // namespace quilto::pack
