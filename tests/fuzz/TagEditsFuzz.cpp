// The text an external editor hands back for a tag column, read onto rows
// built here. The first byte picks the list, whether the second row is
// excluded and how many rows there are; the second the column. A text read
// back must be valid UTF-8 in the cells, and reading back the column's own
// exchange text must change nothing.
#include <cstdlib>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/Utf.h"
#include "tags/TagEdits.h"

using namespace quilto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static const core::GenreTable genres;
    const tags::TagList list = data[0] & 1 ? tags::TagList::Id3v2 : tags::TagList::Id3v1;
    const auto column = static_cast<tags::TagColumn>(data[1] % tags::ColumnCount(list));
    const std::size_t rowCount = (data[0] >> 2) % 8;
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

    core::FolderRows rows;
    rows.folder = "/music/";
    for (std::size_t i = 0; i < rowCount; ++i) {
        core::FileRecord record;
        record.text(core::FileColumn::FileName) = "song" + std::to_string(i) + ".mp3";
        rows.append(record);
    }
    if ((data[0] & 2) && rowCount > 1) {
        rows.id3v1[1].image = core::kExcludedImage;
        rows.id3v2[1].image = core::kExcludedImage;
    }

    std::vector<std::size_t> changed;
    std::string error;
    if (!tags::ReadBackColumn({rows, genres}, list, column, text, changed, error)) {
        if (!changed.empty() || error.empty()) std::abort();
        return 0;
    }
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (!core::IsValidUtf8(tags::CellText(rows, list, row, column))) std::abort();
    }
    const std::string exchange = tags::ColumnExchangeText(rows, list, column);
    if (!tags::ReadBackColumn({rows, genres}, list, column, exchange, changed, error) || !changed.empty()) std::abort();
    return 0;
}
