// Sorting the file list by a column click, with the sort mark in the column
// captions; the three companion lists follow the new order.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/FileRows.h"

namespace quilto::core {

// Column 0 is the narrow marker/image column; 1..20 are the FileColumn texts.
inline constexpr std::size_t kFileListColumnCount = kFileColumnCount + 1;
// Clicks on this column or further right do not sort.
inline constexpr int kFirstUnsortableColumn = 17;

struct SortState {
    int sortMode = 0;  // 2 × column − 2 ascending, + 1 descending
    std::optional<int> lastColumn;
    std::array<std::string, kFileListColumnCount> captions;  // " " then the kFileColumnCaptions

    SortState();
    // The captions as created, without a sort mark (after every folder scan).
    void resetCaptions();
};

// Whether a column's sort mark stands at its first character (right-aligned
// columns) rather than its last.
bool IsRightAligned(int column);

// Handles a click on a column header; returns whether the rows were sorted.
// Ignored for a packed-file node and for columns 17 and up.
bool ClickColumn(SortState& state, FolderRows& rows, int column, bool packedFileNode);

// The row comparison: negative, 0 or positive, for rows a and b at their
// current indexes, under the given sort mode.
int CompareFileRows(const FileRecord& a, std::size_t indexA, const FileRecord& b, std::size_t indexB, int sortMode);

}  // namespace quilto::core
