// DOS date-times of archive members: date in the high 16 bits
// (year − 1980, month, day), time in the low 16 (hour, minute, second ÷ 2).
#pragma once

#include <cstdint>

namespace quilto::pack {

// 1980-01-01 00:00:00, the earliest date the format can hold.
inline constexpr std::uint32_t kDosEpoch = 0x00210000;

// Local time of seconds since 1970; a time before 1980 becomes kDosEpoch,
// one after 2107 the last second the format holds.
std::uint32_t DosDateTimeFromUnix(std::int64_t secondsSinceEpoch);

// Seconds since 1970 of a DOS date-time read as local time.
std::int64_t UnixFromDosDateTime(std::uint32_t dosDateTime);

// A date with month or day 0 (an unset stamp) becomes kDosEpoch, so that no
// reader sees a date before 1980.
std::uint32_t NormalizeDosDateTime(std::uint32_t dosDateTime);

}  // namespace quilto::pack
