#include "tags/TagEdits.h"

#include <algorithm>
#include <cstdio>

#include "core/Id3v1.h"
#include "core/TextLines.h"
#include "core/Utf.h"

namespace quilto::tags {

namespace {

using core::FolderRows;

int ColumnIndex(TagColumn column) { return static_cast<int>(column); }

// The ID3v1 record's fields in column order (Artist..Genre).
template <class Record>
auto* Id3v1Field(Record& tag, TagColumn column) {
    using Text = decltype(&tag.artist);
    switch (column) {
        case TagColumn::Artist: return &tag.artist;
        case TagColumn::Title: return &tag.title;
        case TagColumn::Album: return &tag.album;
        case TagColumn::Track: return &tag.track;
        case TagColumn::Year: return &tag.year;
        case TagColumn::Comment: return &tag.comment;
        case TagColumn::Genre: return &tag.genre;
        default: return Text{nullptr};
    }
}

template <class Rows>
auto* CellOf(Rows& rows, TagList list, std::size_t row, TagColumn column) {
    using Text = decltype(&rows.id3v1[row].tag.artist);
    if (row >= rows.size() || !IsEditableColumn(list, column)) return Text{nullptr};
    if (list == TagList::Id3v1) return Id3v1Field(rows.id3v1[row].tag, column);
    return &rows.id3v2[row].tag.field(static_cast<std::size_t>(ColumnIndex(column) - 2));
}

bool Excluded(const FolderRows& rows, TagList list, std::size_t row) {
    return list == TagList::Id3v1 ? rows.id3v1[row].excluded() : rows.id3v2[row].excluded();
}

void MarkEdited(FolderRows& rows, TagList list, std::size_t row, bool setTagMark) {
    if (list == TagList::Id3v1) {
        if (setTagMark) rows.id3v1[row].tagMark = 1;
        rows.id3v1[row].image = core::kEditedImage;
    } else {
        if (setTagMark) rows.id3v2[row].tagMark = 1;
        rows.id3v2[row].image = core::kEditedImage;
    }
}

// The rows a command acts on: the given ones in list order, or all rows.
std::vector<std::size_t> TargetRows(const FolderRows& rows, std::vector<std::size_t> chosen) {
    if (chosen.empty()) {
        chosen.resize(rows.size());
        for (std::size_t i = 0; i < chosen.size(); ++i) chosen[i] = i;
        return chosen;
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    chosen.erase(std::remove_if(chosen.begin(), chosen.end(), [&](std::size_t i) { return i >= rows.size(); }),
                 chosen.end());
    return chosen;
}

bool IsBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
}

std::string TrimBlanksAndControls(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
    return std::string(text);
}

// The leading digits of a number field: "3/12" is track 3 and "2001-05-03"
// the year 2001; letters never reach a field the block stores as digits.
std::string LeadingDigits(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
    std::size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    return std::string(text.substr(0, n));
}

std::string FileNameWithoutExtension(const std::string& name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string SourceField(const FolderRows& rows, std::size_t row, CopySource source, CopyField field) {
    switch (source) {
        case CopySource::FileName: return FileNameWithoutExtension(rows.files[row].fileName());
        case CopySource::Id3v1: {
            if (rows.id3v1[row].excluded()) return {};
            const auto& tag = rows.id3v1[row].tag;
            return field == CopyField::Artist ? tag.artist : field == CopyField::Title ? tag.title : tag.album;
        }
        case CopySource::Id3v2: {
            if (rows.id3v2[row].excluded()) return {};
            const auto& tag = rows.id3v2[row].tag;
            return field == CopyField::Artist ? tag.artist : field == CopyField::Title ? tag.title : tag.album;
        }
    }
    return {};
}

}  // namespace

int ColumnCount(TagList list) { return list == TagList::Id3v1 ? kId3v1ColumnCount : kId3v2ColumnCount; }

bool IsEditableColumn(TagList list, TagColumn column) {
    const int index = ColumnIndex(column);
    return index >= ColumnIndex(TagColumn::Artist) && index < ColumnCount(list);
}

std::string CellText(const FolderRows& rows, TagList list, std::size_t row, TagColumn column) {
    if (row >= rows.size()) return {};
    if (column == TagColumn::FileName) {
        return list == TagList::Id3v1 ? rows.id3v1[row].fileName : rows.id3v2[row].fileName;
    }
    const std::string* cell = CellOf(rows, list, row, column);
    return cell ? *cell : std::string();
}

std::string FitId3v1Text(std::string_view text, TagColumn column, const core::GenreTable& genres,
                         const core::TextCodec& codec) {
    switch (column) {
        case TagColumn::Artist:
        case TagColumn::Title:
        case TagColumn::Album:
            return TrimBlanksAndControls(codec.truncateToBytes(text, core::kId3v1TextWidth));
        case TagColumn::Track: return LeadingDigits(text).substr(0, 2);
        case TagColumn::Year: return LeadingDigits(text).substr(0, core::kId3v1YearWidth);
        case TagColumn::Comment: {
            const std::string_view firstLine = text.substr(0, text.find_first_of("\r\n"));
            return TrimBlanksAndControls(codec.truncateToBytes(firstLine, core::kId3v1CommentWidth));
        }
        case TagColumn::Genre: {
            const std::string name = TrimBlanksAndControls(text);
            if (name.empty()) return {};
            const auto& names = genres.id3v1Names();
            return std::find(names.begin(), names.end(), name) != names.end() ? name : std::string();
        }
        default: return {};
    }
}

bool SetCell(TagRows target, TagList list, std::size_t row, TagColumn column, std::string_view text) {
    std::string* cell = CellOf(target.rows, list, row, column);
    if (!cell || Excluded(target.rows, list, row)) return false;
    std::string value = list == TagList::Id3v1 ? FitId3v1Text(text, column, target.genres, target.codec)
                                               : std::string(text);
    if (value == *cell) return false;
    *cell = std::move(value);
    MarkEdited(target.rows, list, row, true);
    return true;
}

void ToggleAllTagMarks(FolderRows& rows, TagList list) {
    bool anySet = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (Excluded(rows, list, i)) continue;
        const int mark = list == TagList::Id3v1 ? rows.id3v1[i].tagMark : rows.id3v2[i].tagMark;
        anySet = anySet || mark == 1;
    }
    const int newMark = anySet ? 0 : 1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (Excluded(rows, list, i)) continue;
        int& mark = list == TagList::Id3v1 ? rows.id3v1[i].tagMark : rows.id3v2[i].tagMark;
        if (mark == newMark) continue;
        mark = newMark;
        MarkEdited(rows, list, i, false);
    }
}

void ToggleTagMark(FolderRows& rows, TagList list, std::size_t row) {
    if (row >= rows.size() || Excluded(rows, list, row)) return;
    int& mark = list == TagList::Id3v1 ? rows.id3v1[row].tagMark : rows.id3v2[row].tagMark;
    mark = mark == 1 ? 0 : 1;
    MarkEdited(rows, list, row, false);
}

void ClearEditMark(FolderRows& rows, TagList list, std::size_t row) {
    if (row >= rows.size() || Excluded(rows, list, row)) return;
    (list == TagList::Id3v1 ? rows.id3v1[row].image : rows.id3v2[row].image) = core::kNoImage;
}

bool HasEditedRows(const FolderRows& rows, TagList list) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int image = list == TagList::Id3v1 ? rows.id3v1[i].image : rows.id3v2[i].image;
        if (image == core::kEditedImage) return true;
    }
    return false;
}

std::vector<std::size_t> SetAll(TagRows target, TagList list, TagColumn column, std::vector<std::size_t> rows,
                                std::string_view value, bool append) {
    std::vector<std::size_t> changed;
    if (!IsEditableColumn(list, column)) return changed;
    for (const std::size_t row : TargetRows(target.rows, std::move(rows))) {
        const std::string text = append ? CellText(target.rows, list, row, column) + std::string(value)
                                        : std::string(value);
        if (SetCell(target, list, row, column, text)) changed.push_back(row);
    }
    return changed;
}

std::vector<std::size_t> SetAllNumbers(TagRows target, TagList list, std::vector<std::size_t> rows,
                                       const Numbering& numbering) {
    std::vector<std::size_t> changed;
    const bool id3v1 = list == TagList::Id3v1;
    // The ID3v1 field holds two digits, so its numbers wrap and stay padded.
    const bool zero = id3v1 || numbering.zero;
    long long number = numbering.start;
    for (const std::size_t row : TargetRows(target.rows, std::move(rows))) {
        if (Excluded(target.rows, list, row)) continue;
        char digits[32];
        std::snprintf(digits, sizeof digits, zero ? "%02lld" : "%lld", number);
        const std::string text = id3v1 ? std::string(digits) : numbering.forward + digits + numbering.backward;
        if (SetCell(target, list, row, TagColumn::Track, text)) changed.push_back(row);
        number += numbering.countUp;
        if (id3v1) number = ((number % 100) + 100) % 100;
    }
    return changed;
}

std::vector<std::size_t> CopyFromOtherTag(TagRows target, TagList into, std::vector<std::size_t> rows) {
    std::vector<std::size_t> changed;
    FolderRows& all = target.rows;
    const TagList from = into == TagList::Id3v1 ? TagList::Id3v2 : TagList::Id3v1;
    for (const std::size_t row : TargetRows(all, std::move(rows))) {
        if (Excluded(all, into, row) || Excluded(all, from, row)) continue;
        const int sourceMark = from == TagList::Id3v1 ? all.id3v1[row].tagMark : all.id3v2[row].tagMark;
        if (sourceMark == 0) continue;
        bool any = false;
        for (int c = ColumnIndex(TagColumn::Artist); c <= ColumnIndex(TagColumn::Genre); ++c) {
            const auto column = static_cast<TagColumn>(c);
            const std::string source = CellText(all, from, row, column);
            if (source.empty()) continue;
            // An ID3v1 cell takes the text as the block can store it; a
            // text that fits to nothing erases nothing.
            if (into == TagList::Id3v1 && FitId3v1Text(source, column, target.genres, target.codec).empty()) continue;
            any = SetCell(target, into, row, column, source) || any;
        }
        if (any) changed.push_back(row);
    }
    return changed;
}

std::vector<std::size_t> CopyFromSource(TagRows target, TagList list, TagColumn column, std::vector<std::size_t> rows,
                                        CopySource source, CopyField field, bool append) {
    std::vector<std::size_t> changed;
    if (!IsEditableColumn(list, column)) return changed;
    for (const std::size_t row : TargetRows(target.rows, std::move(rows))) {
        if (Excluded(target.rows, list, row)) continue;
        // Rows of one index describe one file, so the source is the same row.
        const std::string value = SourceField(target.rows, row, source, field);
        if (value.empty()) continue;
        const std::string text = append ? CellText(target.rows, list, row, column) + value : value;
        if (SetCell(target, list, row, column, text)) changed.push_back(row);
    }
    return changed;
}

void ClearColumn(FolderRows& rows, TagList list, TagColumn column) {
    for (std::size_t row = 0; row < rows.size(); ++row) {
        std::string* cell = CellOf(rows, list, row, column);
        if (!cell || cell->empty() || Excluded(rows, list, row)) continue;
        cell->clear();
        MarkEdited(rows, list, row, false);
    }
}

std::string ColumnExchangeText(const FolderRows& rows, TagList list, TagColumn column) {
    std::vector<std::string> lines;
    for (std::size_t row = 0; row < rows.size(); ++row) lines.push_back(CellText(rows, list, row, column));
    return core::JoinCrLfLines(lines);
}

bool ReadBackColumn(TagRows target, TagList list, TagColumn column, std::string_view text,
                    std::vector<std::size_t>& changed, std::string& error) {
    changed.clear();
    error.clear();
    if (!IsEditableColumn(list, column)) {
        error = "This column cannot be edited";
        return false;
    }
    const std::vector<std::string> lines = core::SplitTextLines(text);
    // A line more or less would shift every following text onto the wrong
    // file, so nothing is taken unless the counts agree.
    if (lines.size() != target.rows.size()) {
        error = "The edited text has " + std::to_string(lines.size()) + " lines but the list has " +
                std::to_string(target.rows.size()) + " rows; nothing was changed";
        return false;
    }
    if (list == TagList::Id3v1) {
        for (std::size_t row = 0; row < lines.size(); ++row) {
            if (!Excluded(target.rows, list, row) && !target.codec.encode(lines[row]).lossless) {
                error = "Line " + std::to_string(row + 1) + " holds characters the code page " +
                        target.codec.codePage() + " cannot store; nothing was changed";
                return false;
            }
        }
    }
    for (std::size_t row = 0; row < lines.size(); ++row) {
        if (SetCell(target, list, row, column, lines[row])) changed.push_back(row);
    }
    return true;
}

}  // namespace quilto::tags
