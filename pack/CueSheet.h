// Cue sheets: the text form of a page's CueHeader and CueList, written to
// ".cue" files and embedded in packed files, and read back from both.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/TextCodec.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

// Limits of a sheet read from a file: a sheet is a few kilobytes, and more
// tracks than this cannot come from a real disc or packed file.
inline constexpr std::size_t kMaxCueSheetBytes = 16 * 1024 * 1024;
inline constexpr std::size_t kMaxCueTracks = 999;

// Fills an empty album performer (and, when asked, an empty file name);
// returns whether the tracks' performers differ.
bool CueDefaults(CueHeader& header, const CueList& cues, bool fillFileName);

// Appends the sheet's lines (UTF-8, no line ends). `remLines` is the general
// option "CueSheet".
void WriteCueSheet(std::vector<std::string>& lines, bool performersDiffer, const CueHeader& header,
                   const CueList& cues, bool remLines);

// Fills the header and appends cue rows from UTF-8 lines.
void ReadCueSheet(const std::vector<std::string>& lines, CueHeader& header, CueList& cues);

// File forms. Writing: the legacy code page, CR LF, written beside the target
// and renamed into place; false with a message in `error` on failure.
bool SaveCueSheetFile(const std::string& path, const std::vector<std::string>& lines, std::string& error,
                      const core::TextCodec& codec = core::LegacyCodec());
// Reading accepts UTF-8 (with or without BOM) or the code page, CR LF or LF.
bool LoadCueSheetFile(const std::string& path, std::vector<std::string>& lines, std::string& error,
                      const core::TextCodec& codec = core::LegacyCodec());
// The decoding of LoadCueSheetFile: the file's bytes as UTF-8 lines.
std::vector<std::string> CueSheetLines(std::string bytes, const core::TextCodec& codec = core::LegacyCodec());

// The commands without their dialogs: Export writes the page's sheet to
// `path` (`performersDiffer` from CueDefaults, or the pack writer's choice);
// Import clears the page's cue part, reads the file and recomputes lengths.
bool ExportCueSheet(const TrackPage& page, const std::string& path, bool performersDiffer, bool remLines,
                    std::string& error);
bool ImportCueSheet(TrackPage& page, const std::string& path, std::string& error);

}  // namespace quilto::pack
