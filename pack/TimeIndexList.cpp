#include "pack/TimeIndexList.h"

#include <algorithm>

#include "core/CueTime.h"
#include "core/TextLines.h"

namespace quilto::pack {

namespace {

constexpr std::string_view kZeroTime = "00:00:00";
constexpr char kTab = '\t';

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == kTab)) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == kTab)) text.remove_suffix(1);
    return text;
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string* CellOf(TimeIndexRow& row, TimeIndexColumn column) {
    return column == TimeIndexColumn::Title ? &row.title : &row.performer;
}

}  // namespace

TimeIndexList FillTimeIndex(const TrackPage& page) {
    TimeIndexList list;
    for (const CueRow& cue : page.cues) {
        TimeIndexRow row;
        row.title = cue.title;
        row.performer = cue.performer;
        row.time = cue.length;
        row.index = cue.index;
        list.rows.push_back(std::move(row));
    }
    list.totalTime = page.header.time;
    if (!list.rows.empty()) list.endTime = SafeCueTimeAdd(list.rows.back().index, list.rows.back().time);
    return list;
}

void IndexFromTime(TimeIndexList& list) {
    auto& rows = list.rows;
    for (std::size_t i = 1; i < rows.size(); ++i) rows[i].index = SafeCueTimeAdd(rows[i - 1].time, rows[i - 1].index);
    list.endTime = rows.empty() ? std::string(kZeroTime) : SafeCueTimeAdd(rows.back().time, rows.back().index);
}

void TimeFromIndex(TimeIndexList& list) {
    auto& rows = list.rows;
    if (rows.empty()) return;
    for (std::size_t i = 1; i < rows.size(); ++i) rows[i - 1].time = SafeCueTimeDiff(rows[i - 1].index, rows[i].index);
    rows.back().time = SafeCueTimeDiff(rows.back().index, list.endTime);
}

void AddTimeIndexRow(TimeIndexList& list) { list.rows.emplace_back(); }

void DeleteTimeIndexRows(TimeIndexList& list, const std::vector<std::size_t>& rows) {
    std::vector<bool> gone(list.rows.size(), false);
    for (const std::size_t row : rows) {
        if (row < gone.size()) gone[row] = true;
    }
    std::vector<TimeIndexRow> kept;
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        if (!gone[i]) kept.push_back(std::move(list.rows[i]));
    }
    list.rows = std::move(kept);
    IndexFromTime(list);
}

void ClearTimeIndex(TimeIndexList& list) {
    list.rows.clear();
    list.endTime = std::string(kZeroTime);
}

std::vector<std::string*> TimeIndexCells(TimeIndexList& list, TimeIndexColumn column,
                                         const std::vector<std::size_t>& rows) {
    std::vector<std::string*> cells;
    for (const std::size_t row : rows) {
        if (row < list.rows.size()) cells.push_back(CellOf(list.rows[row], column));
    }
    return cells;
}

void SetAllTimeIndex(TimeIndexList& list, TimeIndexColumn column, const std::vector<std::size_t>& rows,
                     std::string_view value, bool append) {
    for (std::string* cell : TimeIndexCells(list, column, rows)) {
        if (append) {
            cell->append(value);
        } else {
            cell->assign(value);
        }
    }
}

void ClearTimeIndexColumn(TimeIndexList& list, TimeIndexColumn column) {
    for (TimeIndexRow& row : list.rows) {
        std::string* cell = CellOf(row, column);
        if (cell->empty()) continue;
        cell->clear();
        row.cleared = true;
    }
}

void SaveTimeIndex(const TimeIndexList& list, TrackPage& page, bool setTotalTime) {
    ClearLists(page, ClearWhat::Cue);
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        const TimeIndexRow& row = list.rows[i];
        CueRow cue;
        cue.length = row.time;
        cue.number = std::to_string(i + 1);
        cue.title = row.title;
        cue.performer = row.performer;
        cue.index = row.index;
        page.cues.push_back(std::move(cue));
    }
    if (setTotalTime) page.header.time = list.endTime;
    // The lengths stay as edited; only the fit against the total is checked.
    RecomputeCueLengths(page, false);
}

std::string ReadCueTimeLeniently(std::string_view text) {
    text = TrimBlanks(text);
    const std::size_t first = text.find(':');
    if (first == std::string_view::npos) return {};
    const std::size_t second = text.find(':', first + 1);
    if (second == std::string_view::npos) return {};
    const std::string_view minutes = text.substr(0, first);
    const std::string_view seconds = text.substr(first + 1, second - first - 1);
    const std::string_view frames = text.substr(second + 1);
    const auto fits = [](std::string_view digits, std::size_t most) {
        return !digits.empty() && digits.size() <= most && AllDigits(digits);
    };
    if (!fits(minutes, 3) || !fits(seconds, 2) || !fits(frames, 2)) return {};
    // The time editor's own form: three minute digits, two each after.
    const auto padded = [](std::string_view digits, std::size_t width) {
        return std::string(width - digits.size(), '0') + std::string(digits);
    };
    return core::NormalizeCueTimeText(padded(minutes, 3) + ":" + padded(seconds, 2) + ":" + padded(frames, 2));
}

bool TimeIndexExchangeText(const TimeIndexList& list, std::string& text, std::string& error) {
    text.clear();
    error.clear();
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        const TimeIndexRow& row = list.rows[i];
        for (const std::string* cell : {&row.title, &row.performer}) {
            if (cell->find_first_of("\t\r\n") != std::string::npos) {
                error = "Row " + std::to_string(i + 1) + ": a " + (cell == &row.title ? "Title" : "Performer") +
                        " holding a tab or line break cannot be handed to the editor";
                return false;
            }
        }
        lines.push_back(row.time + kTab + row.performer + kTab + row.title);
    }
    text = core::JoinCrLfLines(lines);
    return true;
}

void ReadBackTimeIndex(TimeIndexList& list, std::string_view text) {
    // The lines carry no start: the album's first start is kept rather than
    // every start moving back to zero.
    const std::string firstIndex = list.rows.empty() ? std::string(kZeroTime) : list.rows.front().index;
    list.rows.clear();
    for (const std::string& line : core::SplitTextLines(text)) {
        TimeIndexRow row;
        row.time.clear();
        const std::size_t first = line.find(kTab);
        if (first == std::string::npos) {
            row.title = line;
        } else {
            const std::string_view typed = std::string_view(line).substr(0, first);
            row.time = ReadCueTimeLeniently(typed);
            // Kept as typed when it is no time, so the user sees what to mend;
            // it counts as zero in the arithmetic.
            if (row.time.empty()) row.time = std::string(typed);
            const std::size_t second = line.find(kTab, first + 1);
            if (second == std::string::npos) {
                row.title = line.substr(first + 1);
            } else {
                row.performer = line.substr(first + 1, second - first - 1);
                row.title = line.substr(second + 1);
            }
        }
        list.rows.push_back(std::move(row));
    }
    if (list.rows.empty()) return;
    list.rows.front().index = firstIndex;
    const std::string end = list.endTime;
    IndexFromTime(list);
    list.endTime = end;
}

void TimeIndexSettings::load(const core::IniFile& file) {
    const TimeIndexSettings defaults;
    const auto size = [&](std::string_view key, int def) {
        const int value = file.readInt(kTimeIndexSection, key, def);
        return value > 0 ? value : def;
    };
    height = size("Height", defaults.height);
    width = size("Width", defaults.width);
    titleWidth = size("ClmTitle", defaults.titleWidth);
    // The key's spelling is what earlier settings files hold.
    performerWidth = size("Clmerformer", defaults.performerWidth);
    timeWidth = size("ClmTime", defaults.timeWidth);
    indexWidth = size("ClmIndex", defaults.indexWidth);
    setTotalTime = file.readBool(kTimeIndexSection, "TotalTime", defaults.setTotalTime);
}

void TimeIndexSettings::store(core::IniFile& file) const {
    file.writeInt(kTimeIndexSection, "Height", height);
    file.writeInt(kTimeIndexSection, "Width", width);
    file.writeInt(kTimeIndexSection, "ClmTitle", titleWidth);
    file.writeInt(kTimeIndexSection, "Clmerformer", performerWidth);
    file.writeInt(kTimeIndexSection, "ClmTime", timeWidth);
    file.writeInt(kTimeIndexSection, "ClmIndex", indexWidth);
    file.writeBool(kTimeIndexSection, "TotalTime", setTotalTime);
}

}  // namespace quilto::pack
