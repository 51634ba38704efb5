#include "core/FileDate.h"

#include <cstdio>
#include <ctime>

namespace quilto::core {

std::string FormatFileDate(std::int64_t secondsSinceEpoch) {
    const auto time = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    if (!localtime_r(&time, &local)) return {};
    char text[80];  // room for any int fields, so the format cannot truncate
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

}  // namespace quilto::core
