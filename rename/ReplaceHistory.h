// The From and To texts of earlier replace requests, newest first, and the
// "U/L Case" choice that goes with them; kept in section "ReName".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/IniFile.h"

namespace quilto::rename {

inline constexpr std::size_t kHistoryLimit = 20;

struct ReplaceHistory {
    std::vector<std::string> from;
    std::vector<std::string> to;
    bool matchCase = false;

    bool operator==(const ReplaceHistory&) const = default;
};

// Puts text first in a newest-first history: an entry equal to it regardless
// of case is replaced by it (in the case just typed); the list keeps at most
// kHistoryLimit entries. An empty text is not kept.
void AddToHistory(std::vector<std::string>& history, std::string_view text);

// "RFCount" with "RF-0".., "RTCount" with "RT-0".., "RUL". Counts beyond
// kHistoryLimit read as the limit.
ReplaceHistory LoadReplaceHistory(const core::IniFile& file);
// Writes those keys and drops entries a longer history had left behind.
void StoreReplaceHistory(core::IniFile& file, const ReplaceHistory& history);

}  // namespace quilto::rename
