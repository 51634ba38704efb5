// File modification times as the file list shows them.
#pragma once

#include <cstdint>
#include <string>

namespace quilto::core {

// Local time as "yyyy/mm/dd hh:mm:ss" (24-hour clock).
std::string FormatFileDate(std::int64_t secondsSinceEpoch);

}  // namespace quilto::core
