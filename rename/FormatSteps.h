// Names composed by format: the rows of the rename page's format list
// (literal texts, tag fields, play time, MPEG properties), their settings
// keys, the coloured preview and the composing of new names for file rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileRows.h"
#include "core/IniFile.h"

namespace quilto::rename {

// The kinds of the format list's Item column, by their code.
enum class FormatItem { Text = 0, TagV2 = 1, TagV2V1 = 2, TagV1V2 = 3, TagV1 = 4, Time = 5, Mp3 = 6 };
inline constexpr std::size_t kFormatItemCount = 7;

inline constexpr std::array<std::string_view, kFormatItemCount> kFormatItemNames = {
    "Text", "Tag (v2)", "Tag (v2>v1)", "Tag (v1>v2)", "Tag (v1)", "Time", "MP3"};

// Parameter lists; a step's parameter is a position in its item's list.
inline constexpr std::array<std::string_view, 13> kTagV2Parameters = {
    "Artist", "Title", "Album", "Track", "Year", "Comments", "Genre",
    "Composer", "Orig.Artist", "Copyright", "URL", "Encoded By", "Encoder"};
// The three mixed and the ID3v1 kinds: the first seven, the ID3v1 fields.
inline constexpr std::size_t kTagV1ParameterCount = 7;
// The trailing blanks of two entries are part of the texts stored in
// settings files; they must stay for those files to keep matching.
inline constexpr std::array<std::string_view, 5> kMp3Parameters = {
    "Frames", "Bitrate", "CBR/VBR ", "Frequency", "ChanelMode "};
inline constexpr std::size_t kTimeParameterCount = 3;

std::string_view ItemName(FormatItem item);
std::optional<FormatItem> ItemFromName(std::string_view name);

// "sss", "mmm" + separator + "ss", "h" + separator + "mm" + separator + "ss".
std::array<std::string, kTimeParameterCount> TimeParameters(std::string_view timeSeparator);

// The drop-down list of an item's Parameter cell; empty for Text, whose
// parameter is free text.
std::vector<std::string> ParameterNames(FormatItem item, std::string_view timeSeparator);

// One row of the format list, as its two cells show it: the Item text and the
// Parameter text (the literal for "Text", else a name of the item's list).
// Texts rather than codes so that a row read from the settings round-trips
// even when it names an item we do not know, or a Time parameter saved with
// another separator; such rows simply contribute nothing.
struct FormatStep {
    std::string item;
    std::string parameter;

    static FormatStep Make(FormatItem item, std::string parameter);
    bool operator==(const FormatStep&) const = default;
};

std::optional<FormatItem> ItemOf(const FormatStep& step);
// Position of the parameter in its item's list; nullopt for Text, for an
// unknown item and for a parameter not in the list.
std::optional<std::size_t> ParameterIndexOf(const FormatStep& step, std::string_view timeSeparator);

// ------------------------------------------------------------- settings

inline constexpr std::string_view kRenameSection = "ReName";
// Far more rows than anyone builds by hand; a damaged count cannot make us
// read or allocate without end.
inline constexpr std::size_t kMaxFormatSteps = 256;

// "FCount", then "FI-n" and "FP-n" for n = 1..FCount; a Text parameter is
// stored between "/" to keep its outer blanks.
std::vector<FormatStep> LoadFormatSteps(const core::IniFile& file);
// Writes those keys and drops the rows a longer list had left behind; the
// section's other keys stay.
void StoreFormatSteps(core::IniFile& file, const std::vector<FormatStep>& steps);

// -------------------------------------------------------------- composing

// The play time of a row in one of the Time parameters' forms, from its
// seconds: 0 total seconds, 1 minutes + separator + two-digit seconds, 2 the
// Time column's "m:ss" or "h:mm:ss" with the separator for ":".
std::string FormatPlayTime(std::size_t mode, std::uint64_t seconds, std::string_view timeSeparator);

// The name the steps give row `row` (without extension), from the row's
// ID3v2 and ID3v1 list rows and its file record. A name holding a line break
// (a multi-line comment) is cut before its last one; CR, LF and CR LF all
// count as line breaks.
std::string ComposeName(const std::vector<FormatStep>& steps, const core::FolderRows& rows, std::size_t row,
                        std::string_view timeSeparator);

// ComposeName for each of the given rows that is not excluded; a row whose
// name changes gets it as its rename FileName, state image none and the
// pending mark. Nothing happens without steps. Returns the rows changed.
std::size_t ComposeNames(const std::vector<FormatStep>& steps, core::FolderRows& rows,
                         const std::vector<std::size_t>& selectedRows, std::string_view timeSeparator);

// --------------------------------------------------------------- preview

enum class PreviewKind { Text, Tag, Time, Mp3, Unknown };

struct PreviewSegment {
    std::string text;
    PreviewKind kind = PreviewKind::Text;
    bool operator==(const PreviewSegment&) const = default;
};

// One segment per step: its Parameter text, coloured by its item.
std::vector<PreviewSegment> FormatPreview(const std::vector<FormatStep>& steps);

// 0xRRGGBB of a kind; nullopt means the window's text colour.
std::optional<std::uint32_t> PreviewColour(PreviewKind kind);

}  // namespace quilto::rename
