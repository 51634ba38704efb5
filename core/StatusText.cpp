// Texts of the main window's status panels.
#include "core/StatusText.h"

#include <algorithm>
#include <limits>

#include "core/CueTime.h"
#include "core/NumberText.h"

namespace quilto::core {

std::string SelectionSummary(const FolderRows& rows) {
    std::size_t selected = 0;
    std::uint64_t bytes = 0;
    std::uint64_t seconds = 0;
    for (const FileRecord& record : rows.files) {
        if (!record.selected) continue;
        ++selected;
        bytes += record.fileSize;
        seconds += record.playSeconds();
    }
    return "[" + std::to_string(selected) + "/" + std::to_string(rows.size()) + "]   " + TrackCountLine(bytes, seconds);
}

std::string FrameScanSummary(std::size_t chosen, std::size_t rows) {
    return "[" + std::to_string(chosen) + "/" + std::to_string(rows) + "]  Frame Scan ...";
}

std::string TrackCountLine(std::uint64_t bytes, std::uint64_t seconds) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return GroupThousands(bytes) + "  " + SecondsToPlayTime(static_cast<std::int64_t>(std::min(seconds, kMax)));
}

std::string TagCountLine(std::size_t tagged, std::size_t edited, std::size_t total) {
    return "Tag:" + std::to_string(tagged) + "  Edit:" + std::to_string(edited) + "  Total:" + std::to_string(total);
}

std::string RenameCountLine(std::size_t errors, std::size_t edited, std::size_t total) {
    return "Error:" + std::to_string(errors) + "  Edit:" + std::to_string(edited) + "  Total:" + std::to_string(total);
}

}  // namespace quilto::core
