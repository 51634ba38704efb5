#include "rename/FormatSteps.h"

#include <algorithm>

#include "core/CueTime.h"

namespace quilto::rename {

namespace {

std::string_view TrimRightBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

const std::string& Id3v1Field(const core::Id3v1Record& tag, std::size_t index) {
    switch (index) {
    case 0: return tag.artist;
    case 1: return tag.title;
    case 2: return tag.album;
    case 3: return tag.track;
    case 4: return tag.year;
    case 5: return tag.comment;
    default: return tag.genre;
    }
}

constexpr std::array<core::FileColumn, kMp3Parameters.size()> kMp3Columns = {
    core::FileColumn::Frames, core::FileColumn::Kbps, core::FileColumn::CV, core::FileColumn::Hz,
    core::FileColumn::ChanelMode};

std::string StepText(FormatItem item, std::size_t p, const core::FolderRows& rows, std::size_t row,
                     std::string_view timeSeparator) {
    const core::Id3v2Record& v2 = rows.id3v2[row].tag;
    const core::Id3v1Record& v1 = rows.id3v1[row].tag;
    switch (item) {
    case FormatItem::Text: return {};
    case FormatItem::TagV2: return v2.field(p);
    case FormatItem::TagV2V1: return !v2.field(p).empty() ? v2.field(p) : Id3v1Field(v1, p);
    case FormatItem::TagV1V2: return !Id3v1Field(v1, p).empty() ? Id3v1Field(v1, p) : v2.field(p);
    case FormatItem::TagV1: return Id3v1Field(v1, p);
    case FormatItem::Time: return FormatPlayTime(p, rows.files[row].playSeconds(), timeSeparator);
    case FormatItem::Mp3: return rows.files[row].text(kMp3Columns[p]);
    }
    return {};
}

// Where a composed name is cut: before its last line break, with CR LF
// counted as one break (cutting between them would keep the CR).
void CutAtLastLineBreak(std::string& name) {
    std::size_t at = name.find_last_of("\r\n");
    if (at == std::string::npos) return;
    if (name[at] == '\n' && at > 0 && name[at - 1] == '\r') --at;
    name.resize(at);
}

std::string NumberedKey(std::string_view prefix, std::size_t n) { return std::string(prefix) + std::to_string(n); }

std::size_t StoredCount(const core::IniFile& file) {
    const int count = file.readInt(kRenameSection, "FCount", 0);
    return count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), kMaxFormatSteps);
}

}  // namespace

std::string_view ItemName(FormatItem item) { return kFormatItemNames[static_cast<std::size_t>(item)]; }

std::optional<FormatItem> ItemFromName(std::string_view name) {
    const auto found = std::find(kFormatItemNames.begin(), kFormatItemNames.end(), name);
    if (found == kFormatItemNames.end()) return std::nullopt;
    return static_cast<FormatItem>(found - kFormatItemNames.begin());
}

std::array<std::string, kTimeParameterCount> TimeParameters(std::string_view timeSeparator) {
    const std::string sep(timeSeparator);
    return {"sss", "mmm" + sep + "ss", "h" + sep + "mm" + sep + "ss"};
}

std::vector<std::string> ParameterNames(FormatItem item, std::string_view timeSeparator) {
    switch (item) {
    case FormatItem::Text: return {};
    case FormatItem::TagV2: return {kTagV2Parameters.begin(), kTagV2Parameters.end()};
    case FormatItem::TagV2V1:
    case FormatItem::TagV1V2:
    case FormatItem::TagV1: return {kTagV2Parameters.begin(), kTagV2Parameters.begin() + kTagV1ParameterCount};
    case FormatItem::Time: {
        const auto names = TimeParameters(timeSeparator);
        return {names.begin(), names.end()};
    }
    case FormatItem::Mp3: return {kMp3Parameters.begin(), kMp3Parameters.end()};
    }
    return {};
}

FormatStep FormatStep::Make(FormatItem item, std::string parameter) {
    return FormatStep{std::string(ItemName(item)), std::move(parameter)};
}

std::optional<FormatItem> ItemOf(const FormatStep& step) { return ItemFromName(step.item); }

std::optional<std::size_t> ParameterIndexOf(const FormatStep& step, std::string_view timeSeparator) {
    const auto item = ItemOf(step);
    if (!item || *item == FormatItem::Text) return std::nullopt;
    const std::vector<std::string> names = ParameterNames(*item, timeSeparator);
    const auto found = std::find(names.begin(), names.end(), step.parameter);
    if (found == names.end()) return std::nullopt;
    return static_cast<std::size_t>(found - names.begin());
}

std::vector<FormatStep> LoadFormatSteps(const core::IniFile& file) {
    const std::size_t count = StoredCount(file);
    std::vector<FormatStep> steps;
    steps.reserve(count);
    for (std::size_t n = 1; n <= count; ++n) {
        FormatStep step;
        step.item = file.readString(kRenameSection, NumberedKey("FI-", n), "");
        const auto item = ItemFromName(step.item);
        if (item == FormatItem::Text) {
            step.parameter = file.readWrapped(kRenameSection, NumberedKey("FP-", n), "");
        } else {
            step.parameter = file.readString(kRenameSection, NumberedKey("FP-", n), "");
            // Settings files drop the blanks at the end of a value, and two
            // MP3 parameters end in one: give them back their list text.
            if (item && !ParameterIndexOf(step, "")) {
                for (const std::string& name : ParameterNames(*item, "")) {
                    if (name != step.parameter && TrimRightBlanks(name) == step.parameter) step.parameter = name;
                }
            }
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

void StoreFormatSteps(core::IniFile& file, const std::vector<FormatStep>& steps) {
    const std::size_t oldCount = StoredCount(file);
    const std::size_t count = std::min(steps.size(), kMaxFormatSteps);
    file.writeInt(kRenameSection, "FCount", static_cast<int>(count));
    for (std::size_t n = 1; n <= count; ++n) {
        const FormatStep& step = steps[n - 1];
        file.write(kRenameSection, NumberedKey("FI-", n), step.item);
        if (ItemOf(step) == FormatItem::Text) {
            file.writeWrapped(kRenameSection, NumberedKey("FP-", n), step.parameter);
        } else {
            file.write(kRenameSection, NumberedKey("FP-", n), step.parameter);
        }
    }
    for (std::size_t n = count + 1; n <= oldCount; ++n) {
        file.eraseKey(kRenameSection, NumberedKey("FI-", n));
        file.eraseKey(kRenameSection, NumberedKey("FP-", n));
    }
}

std::string FormatPlayTime(std::size_t mode, std::uint64_t seconds, std::string_view timeSeparator) {
    if (mode == 0) return std::to_string(seconds);
    if (mode == 1) {
        const std::uint64_t rest = seconds % 60;
        return std::to_string(seconds / 60) + std::string(timeSeparator) + (rest < 10 ? "0" : "") + std::to_string(rest);
    }
    const std::string time = core::SecondsToPlayTime(static_cast<std::int64_t>(std::min<std::uint64_t>(seconds, INT64_MAX)));
    std::string out;
    for (const char c : time) {
        if (c == ':') {
            out += timeSeparator;
        } else {
            out += c;
        }
    }
    return out;
}

std::string ComposeName(const std::vector<FormatStep>& steps, const core::FolderRows& rows, std::size_t row,
                        std::string_view timeSeparator) {
    std::string name;
    if (row >= rows.size()) return name;
    for (const FormatStep& step : steps) {
        const auto item = ItemOf(step);
        if (!item) continue;
        if (*item == FormatItem::Text) {
            name += step.parameter;
        } else if (const auto p = ParameterIndexOf(step, timeSeparator)) {
            name += StepText(*item, *p, rows, row, timeSeparator);
        }
    }
    CutAtLastLineBreak(name);
    return name;
}

std::size_t ComposeNames(const std::vector<FormatStep>& steps, core::FolderRows& rows,
                         const std::vector<std::size_t>& selectedRows, std::string_view timeSeparator) {
    if (steps.empty()) return 0;
    std::size_t changed = 0;
    for (const std::size_t row : selectedRows) {
        if (row >= rows.size() || rows.rename[row].excluded()) continue;
        std::string name = ComposeName(steps, rows, row, timeSeparator);
        core::RenameRow& target = rows.rename[row];
        if (name == target.fileName) continue;
        target.fileName = std::move(name);
        target.stateImage = core::kNoImage;
        target.image = core::kEditedImage;
        ++changed;
    }
    return changed;
}

std::vector<PreviewSegment> FormatPreview(const std::vector<FormatStep>& steps) {
    std::vector<PreviewSegment> segments;
    segments.reserve(steps.size());
    for (const FormatStep& step : steps) {
        PreviewKind kind = PreviewKind::Unknown;
        if (const auto item = ItemOf(step)) {
            switch (*item) {
            case FormatItem::Text: kind = PreviewKind::Text; break;
            case FormatItem::TagV2:
            case FormatItem::TagV2V1:
            case FormatItem::TagV1V2:
            case FormatItem::TagV1: kind = PreviewKind::Tag; break;
            case FormatItem::Time: kind = PreviewKind::Time; break;
            case FormatItem::Mp3: kind = PreviewKind::Mp3; break;
            }
        }
        segments.push_back({step.parameter, kind});
    }
    return segments;
}

std::optional<std::uint32_t> PreviewColour(PreviewKind kind) {
    switch (kind) {
    case PreviewKind::Tag: return 0x0000FF;
    case PreviewKind::Time: return 0xFF00FF;
    case PreviewKind::Mp3: return 0x008000;
    case PreviewKind::Text:
    case PreviewKind::Unknown: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace quilto::rename
