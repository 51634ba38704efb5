// The choices of the pack and extract option dialogs: their stored settings
// (sections PackOption and ExtractOption of the settings file), the per-run
// presets the pack writer gives the pack dialog, and which controls are
// enabled. Everything here is decided without a window; the dialogs in
// pack/ui only show it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/IniFile.h"
#include "pack/TrackLists.h"

namespace quilto::pack {

inline constexpr std::string_view kPackOptionSection = "PackOption";
inline constexpr std::string_view kExtractOptionSection = "ExtractOption";

// The numbers are the stored values and the packed file's format codes.
enum class PackFormat : int { Bind = 0, Pack = 1, Zip = 2, Lha = 3 };
inline constexpr int kPackFormatCount = 4;

enum class CueSheetChoice : int { ExportToCueFile = 0, EmbeddedInMp3 = 1, Cancel = 2 };

// The commands that run the pack writer.
enum class SaveMode : int { Create = 0, Save = 1, SaveAs = 2, SaveSelectionAs = 3 };

// Silent frame counters: 1 to 99, no wrap.
inline constexpr int kSilentCountMin = 1;
inline constexpr int kSilentCountMax = 99;

// Bits of the option word a packed file keeps (its PackBlock flags).
inline constexpr std::uint32_t kOptionEntire = 0x02;
inline constexpr std::uint32_t kOptionAddXing = 0x08;
inline constexpr std::uint32_t kOptionSilentTop = 0x10;
inline constexpr std::uint32_t kOptionSilentLast = 0x20;

// What the pack option dialog stores in [PackOption] when confirmed.
struct PackOptions {
    PackFormat format = PackFormat::Pack;
    bool formatExt = false;  // "Ext": the format's double extension
    bool removeId3v1 = true;
    bool removeId3v2 = true;
    bool removeXing = false;
    bool id3v2Tag = true;  // write TIT2/TPE1 into the head tag
    CueSheetChoice cueSheet = CueSheetChoice::EmbeddedInMp3;
    bool addXing = false;
    bool silentTop = false;
    int silentTopNo = 1;
    bool silentLast = false;
    int silentLastNo = 1;

    bool operator==(const PackOptions&) const = default;

    // Missing or broken values keep the default; a format outside 0..3 reads
    // as Pack, a cue sheet value other than 1 or 2 as "Export to CueFile",
    // counts are clamped to 1..99.
    void load(const core::IniFile& file);
    // Every key of the section but CueCheck, which the main window owns.
    void store(core::IniFile& file) const;
};

// What the pack writer sets for one run before showing the pack dialog.
struct PackPreset {
    // "Save" rewrites the opened file in its own format: the format buttons
    // other than the checked one, the format notes and "Ext" are disabled and
    // there is no extension text.
    bool formatLocked = false;
    bool cueGroupEnabled = true;
    bool entireAvailable = false;  // the track list can be cut by the cue list
    std::string artist;            // head tag texts, from the CueHeader
    std::string title;

    bool operator==(const PackPreset&) const = default;
};

// The enabled state of every pack dialog control that can be disabled.
struct PackControlStates {
    std::array<bool, kPackFormatCount> formatButtons{};
    bool formatNotes = true;
    bool entire = false;
    bool ext = false;
    bool artistTitle = false;  // the Artist and Title fields
    bool cueGroup = false;
    bool addXing = false;
    bool top = false;
    bool topCount = false;
    bool last = false;
    bool lastCount = false;

    bool operator==(const PackControlStates&) const = default;
};

PackControlStates PackEnabling(const PackOptions& options, const PackPreset& preset);

// The extension the output name gets: ".pac.mp3", ".zip.mp3" or ".lzh.mp3"
// when "Ext" is enabled and checked, else ".mp3"; empty while the format is
// locked (the file keeps its own name).
std::string PackExtensionText(const PackOptions& options, const PackPreset& preset);

// The pack dialog's result after OK, as the pack writer reads it.
struct PackChoices {
    PackOptions options;
    bool entire = false;  // "Entire (by Cue Sheet)" checked and enabled
    std::string extension;
    std::string artist;
    std::string title;
    bool cueGroupEnabled = false;
    bool topCounterEnabled = false;
    bool lastCounterEnabled = false;

    bool operator==(const PackChoices&) const = default;
};

// The result for the options and presets as they stand: what OK hands over
// when the user changes nothing. `entireChecked` is the check box's state.
PackChoices MakePackChoices(const PackOptions& options, const PackPreset& preset, bool entireChecked);

// Presets for one run from the page the run starts on. Modes other than
// Create take the format from the opened file's "Cue" code ("2" Zip, "3" Lha,
// "1" and "4" Pack, anything else keeps the stored one) and, for Pack, the
// added Xing frame and silent counts from its option word. `options` starts
// as loaded from the settings and is changed in place.
PackPreset PresetPackRun(PackOptions& options, const TrackPage& page, SaveMode mode, std::uint32_t optionWord);

// The pack commands' menu state.
struct PackCommandStates {
    bool create = false;  // "Create Packed MP3" (Pack page) or "Save as" (UnPack page)
    bool saveSelectionAs = false;
    bool save = false;

    bool operator==(const PackCommandStates&) const = default;
};
PackCommandStates PackCommandEnabling(const TrackPage& page);

// ---------------------------------------------------------------- extraction

// What the extract option dialog stores in [ExtractOption] when confirmed.
struct ExtractOptions {
    bool makeDir = true;
    bool id3v2Tag = true;
    bool id3v2Artist = true;
    bool id3v2Title = true;
    bool id3v2Album = false;
    bool id3v2Track = false;

    bool operator==(const ExtractOptions&) const = default;
    void load(const core::IniFile& file);
    void store(core::IniFile& file) const;
};

struct ExtractControlStates {
    bool folderName = false;  // the "Name" field
    bool tagItems = false;    // "Artist", "Title", "Album", "Track"

    bool operator==(const ExtractControlStates&) const = default;
};
ExtractControlStates ExtractEnabling(const ExtractOptions& options);

// The extract dialog's result after OK.
struct ExtractChoices {
    ExtractOptions options;
    std::string folderName;
    bool selectAll = false;

    bool operator==(const ExtractChoices&) const = default;
};

}  // namespace quilto::pack
