// The edits of the ID3v1 and ID3v2 tag pages on a folder's rows: cells,
// marks, Set All with numbering, copies between the tags, from other columns
// and from file names, Clear, and a column's round trip through a text
// editor. Every change of a cell marks its row (tag mark 1, edit mark 2)
// unless said otherwise; excluded rows are never changed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/TextCodec.h"

namespace quilto::tags {

enum class TagList { Id3v1 = 1, Id3v2 = 2 };

// Columns of the tag lists: ID3v1 ends with Genre, ID3v2 goes on to Encoder.
enum class TagColumn : int {
    Marks = 0, FileName, Artist, Title, Album, Track, Year, Comment, Genre,
    Composer, OrigArtist, Copyright, Url, EncodedBy, Encoder,
};
inline constexpr int kId3v1ColumnCount = 9;
inline constexpr int kId3v2ColumnCount = 15;
int ColumnCount(TagList list);
// Columns 2.. whose cells the user edits (Artist..Genre, ..Encoder).
bool IsEditableColumn(TagList list, TagColumn column);

// The rows the pages edit, with what they need to check and fit texts.
struct TagRows {
    core::FolderRows& rows;
    const core::GenreTable& genres;
    const core::TextCodec& codec = core::LegacyCodec();
};

std::string CellText(const core::FolderRows& rows, TagList list, std::size_t row, TagColumn column);

// Writes a committed cell: on the ID3v1 list the text is fitted first
// (FitId3v1Text); an ID3v2 genre may be any text. True when the cell changed
// (the row is then marked).
bool SetCell(TagRows target, TagList list, std::size_t row, TagColumn column, std::string_view text);

// An ID3v1 field's text as it can be stored: Artist/Title/Album 30 bytes,
// Track 2 and Year 4 bytes of digits only (anything else dropped), Comment
// the part before the first line break and 28 bytes, Genre kept only when it
// is a name of the genre table; cut in the code page's bytes without
// splitting a character, then blanks and control characters trimmed.
std::string FitId3v1Text(std::string_view text, TagColumn column, const core::GenreTable& genres,
                         const core::TextCodec& codec = core::LegacyCodec());

// Marks. The header of column 0: every row's tag mark becomes 0 when any
// is 1, else 1 (rows whose mark changes get edit mark 2).
void ToggleAllTagMarks(core::FolderRows& rows, TagList list);
void ToggleTagMark(core::FolderRows& rows, TagList list, std::size_t row);  // and edit mark 2
void ClearEditMark(core::FolderRows& rows, TagList list, std::size_t row);
bool HasEditedRows(const core::FolderRows& rows, TagList list);

// Set All: `rows` are the selected rows (empty: all). `append` adds the
// value behind each cell's text. Returns the rows changed.
std::vector<std::size_t> SetAll(TagRows target, TagList list, TagColumn column, std::vector<std::size_t> rows,
                                std::string_view value, bool append);

struct Numbering {
    int start = 1;
    int countUp = 1;
    bool zero = true;       // "%02d"
    std::string forward;    // ID3v2 only: text before the number
    std::string backward;   // ID3v2 only: text after it
};
// Set All on "№" (the number page): on the ID3v1 list the number is taken
// modulo 100 after each step and the forward/backward texts are not used.
std::vector<std::size_t> SetAllNumbers(TagRows target, TagList list, std::vector<std::size_t> rows,
                                       const Numbering& numbering);

// "Copy From ID3v1" into the ID3v2 list (or the mirror), rows matched by
// index: for each selected row (empty: all) whose source tag mark is not 0,
// every field of Artist..Genre whose source text is not empty and differs.
std::vector<std::size_t> CopyFromOtherTag(TagRows target, TagList into, std::vector<std::size_t> rows);

// Copy From / Append From items of the column menu on the tag pages.
enum class CopySource { FileName = 1, Id3v1 = 4, Id3v2 = 5 };
enum class CopyField { Artist = 1, Title = 2, Album = 3 };  // ignored for FileName
std::vector<std::size_t> CopyFromSource(TagRows target, TagList list, TagColumn column, std::vector<std::size_t> rows,
                                        CopySource source, CopyField field, bool append);

// Clear: empties the column in every row (selected or not) that is not
// excluded, setting the edit mark only.
void ClearColumn(core::FolderRows& rows, TagList list, TagColumn column);

// The external editor's exchange: one line per row, CR LF after each.
std::string ColumnExchangeText(const core::FolderRows& rows, TagList list, TagColumn column);
// Reads the edited text back (CR LF or LF; bytes that are not UTF-8 become
// U+FFFD); refused with a message when its
// line count differs from the rows' or a line cannot be stored. Returns the
// rows changed.
bool ReadBackColumn(TagRows target, TagList list, TagColumn column, std::string_view text,
                    std::vector<std::size_t>& changed, std::string& error);

}  // namespace quilto::tags
