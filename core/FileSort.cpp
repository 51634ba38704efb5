// Column-click sorting of the file list.
#include "core/FileSort.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "core/NumberText.h"

namespace quilto::core {

namespace {

// How a column's text is made comparable byte by byte.
enum class Normalise {
    None,
    PadRight,     // blanks on the right
    PadLeftZero,  // zeros on the left
    FileSize,     // the byte count, zero-padded
    Track,        // blanks trimmed, then zeros on the left
    Time,         // ":" removed, then zeros on the left
};

struct ColumnKey {
    Normalise how = Normalise::None;
    std::size_t width = 0;
};

// Indexed by list column (0 is the image column).
constexpr std::array<ColumnKey, kFileListColumnCount> kColumnKeys = {{
    {Normalise::None, 0},          // 0: image key, always three digits
    {Normalise::PadRight, 256},    // 1 FileName
    {Normalise::FileSize, 20},     // 2 FileSize
    {Normalise::None, 0},          // 3 FileDate: "yyyy/mm/dd hh:mm:ss" already sorts
    {Normalise::PadRight, 4},      // 4 Tag
    {Normalise::PadRight, 256},    // 5 Artist
    {Normalise::PadRight, 256},    // 6 Title
    {Normalise::PadRight, 256},    // 7 Album
    {Normalise::Track, 10},        // 8 №
    {Normalise::PadRight, 20},     // 9 Year
    {Normalise::PadRight, 20},     // 10 Genre
    {Normalise::Time, 10},         // 11 Time
    {Normalise::PadLeftZero, 10},  // 12 Frames
    {Normalise::PadLeftZero, 10},  // 13 Kbps
    {Normalise::PadRight, 3},      // 14 C/V
    {Normalise::PadLeftZero, 10},  // 15 Hz
    {Normalise::PadRight, 20},     // 16 ChanelMode
    {Normalise::None, 0},          // 17.. are not sortable
    {Normalise::None, 0},
    {Normalise::None, 0},
    {Normalise::None, 0},
}};

constexpr std::array<int, 9> kRightAligned = {2, 8, 11, 12, 13, 15, 17, 19, 20};

constexpr std::size_t kIndexDigits = 10;

void PadLeft(std::string& text, std::size_t width, char fill) {
    if (text.size() < width) text.insert(0, width - text.size(), fill);
}

void PadRight(std::string& text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
}

// The row's image, cue overlay and (absent) state image as one sortable number.
std::string ImageKey(const FileRecord& record) {
    constexpr int kNoStateImage = -1;  // the file list has no state images
    const int image = static_cast<int>(record.icon);
    const int overlay = record.cueMark ? 1 : 0;
    return ZeroPadded(100 * image + 10 * overlay + (1 - kNoStateImage) + 110, 3);
}

std::string SortKey(const FileRecord& record, std::size_t index, int sortMode) {
    std::string key;
    if (sortMode < 0) {
        key = ImageKey(record);
    } else {
        const auto column = static_cast<std::size_t>(sortMode / 2 + 1);
        if (column >= kFileListColumnCount) return ZeroPadded(static_cast<std::int64_t>(index), kIndexDigits);
        const ColumnKey rule = kColumnKeys[column];
        key = record.texts[column - 1];
        switch (rule.how) {
            case Normalise::None: break;
            case Normalise::PadRight: PadRight(key, rule.width); break;
            case Normalise::PadLeftZero: PadLeft(key, rule.width, '0'); break;
            case Normalise::FileSize:
                // The number, not the text: the text's separator is the locale's.
                key = std::to_string(record.fileSize);
                PadLeft(key, rule.width, '0');
                break;
            case Normalise::Track: {
                const std::size_t first = key.find_first_not_of(' ');
                key = first == std::string::npos ? std::string() : key.substr(first, key.find_last_not_of(' ') - first + 1);
                PadLeft(key, rule.width, '0');
                break;
            }
            case Normalise::Time:
                std::erase(key, ':');
                PadLeft(key, rule.width, '0');
                break;
        }
    }
    // The present index breaks ties, so equal keys keep their order ascending
    // and reverse it descending.
    key += ZeroPadded(static_cast<std::int64_t>(index), kIndexDigits);
    return key;
}

int Compare(const std::string& a, const std::string& b, int sortMode) {
    const int order = a.compare(b);  // char_traits<char> compares bytes as unsigned
    const int sign = order < 0 ? -1 : order > 0 ? 1 : 0;
    return sortMode % 2 != 0 ? -sign : sign;
}

}  // namespace

SortState::SortState() { resetCaptions(); }

void SortState::resetCaptions() {
    captions[0].assign(1, ' ');  // not = " ": GCC 12 warns falsely (-Wrestrict) on that assignment
    for (std::size_t i = 0; i < kFileColumnCount; ++i) captions[i + 1] = std::string(kFileColumnCaptions[i]);
    lastColumn.reset();
}

bool IsRightAligned(int column) {
    return std::find(kRightAligned.begin(), kRightAligned.end(), column) != kRightAligned.end();
}

int CompareFileRows(const FileRecord& a, std::size_t indexA, const FileRecord& b, std::size_t indexB, int sortMode) {
    return Compare(SortKey(a, indexA, sortMode), SortKey(b, indexB, sortMode), sortMode);
}

bool ClickColumn(SortState& state, FolderRows& rows, int column, bool packedFileNode) {
    if (packedFileNode || column < 0 || column >= kFirstUnsortableColumn) return false;

    auto markPosition = [](std::string& caption, int col) -> char& {
        return IsRightAligned(col) ? caption.front() : caption.back();
    };
    if (state.lastColumn && *state.lastColumn != column) {
        const int previous = *state.lastColumn;
        std::string& caption = state.captions[static_cast<std::size_t>(previous)];
        if (!caption.empty()) markPosition(caption, previous) = ' ';
    }
    state.lastColumn = column;
    state.sortMode = 2 * column - 2;
    char& mark = markPosition(state.captions[static_cast<std::size_t>(column)], column);
    if (mark != '+') {
        mark = '+';
    } else {
        mark = '-';
        state.sortMode += 1;
    }

    // Keys built once per row rather than twice per comparison.
    std::vector<std::string> keys;
    keys.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) keys.push_back(SortKey(rows.files[i], i, state.sortMode));
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const int sortMode = state.sortMode;
    std::stable_sort(order.begin(), order.end(), [&keys, sortMode](std::size_t a, std::size_t b) {
        return Compare(keys[a], keys[b], sortMode) < 0;
    });
    rows.reorder(order);
    return true;
}

}  // namespace quilto::core
