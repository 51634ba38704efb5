#include "rename/ReplaceHistory.h"

#include <algorithm>

#include "rename/FormatSteps.h"
#include "rename/ReplaceConvert.h"

namespace quilto::rename {

namespace {

std::size_t StoredCount(const core::IniFile& file, std::string_view key) {
    const int count = file.readInt(kRenameSection, key, 0);
    return count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), kHistoryLimit);
}

std::vector<std::string> LoadList(const core::IniFile& file, std::string_view countKey, std::string_view prefix) {
    std::vector<std::string> list;
    const std::size_t count = StoredCount(file, countKey);
    for (std::size_t i = 0; i < count; ++i) list.push_back(file.readString(kRenameSection, std::string(prefix) + std::to_string(i), ""));
    return list;
}

void StoreList(core::IniFile& file, std::string_view countKey, std::string_view prefix, const std::vector<std::string>& list) {
    const std::size_t oldCount = StoredCount(file, countKey);
    const std::size_t count = std::min(list.size(), kHistoryLimit);
    file.writeInt(kRenameSection, countKey, static_cast<int>(count));
    for (std::size_t i = 0; i < count; ++i) file.write(kRenameSection, std::string(prefix) + std::to_string(i), list[i]);
    for (std::size_t i = count; i < oldCount; ++i) file.eraseKey(kRenameSection, std::string(prefix) + std::to_string(i));
}

}  // namespace

void AddToHistory(std::vector<std::string>& history, std::string_view text) {
    if (text.empty()) return;
    const auto old = std::find_if(history.begin(), history.end(),
                                  [text](const std::string& entry) { return EqualIgnoringCase(entry, text); });
    if (old != history.end()) history.erase(old);
    history.insert(history.begin(), std::string(text));
    if (history.size() > kHistoryLimit) history.resize(kHistoryLimit);
}

ReplaceHistory LoadReplaceHistory(const core::IniFile& file) {
    ReplaceHistory history;
    history.from = LoadList(file, "RFCount", "RF-");
    history.to = LoadList(file, "RTCount", "RT-");
    history.matchCase = file.readBool(kRenameSection, "RUL", false);
    return history;
}

void StoreReplaceHistory(core::IniFile& file, const ReplaceHistory& history) {
    StoreList(file, "RFCount", "RF-", history.from);
    StoreList(file, "RTCount", "RT-", history.to);
    file.writeBool(kRenameSection, "RUL", history.matchCase);
}

}  // namespace quilto::rename
