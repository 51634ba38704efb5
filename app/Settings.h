// Where the settings file lives, and the keys and defaults of the sections the
// main window reads at creation: plain values, so the window code only copies
// them into its widgets and back.
//
// Location: a Quilto.ini beside the executable that exists and can be
// rewritten there (portable mode); otherwise $XDG_CONFIG_HOME/quilto/Quilto.ini
// (~/.config/quilto/ by default), the folder being created on the first save.
// The environment variable QUILTO_CONFIG_DIR names another folder instead
// (tests, or a second profile). The external editor's exchange file
// ~Quilto~.txt lives in the same folder.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/GenreTable.h"
#include "core/IniFile.h"
#include "core/TextCodec.h"
#include "rename/FormatSteps.h"
#include "rename/RenameOptions.h"
#include "rename/ReplaceHistory.h"

class QWidget;

namespace quilto::app {

inline constexpr std::string_view kSettingsFileName = "Quilto.ini";
inline constexpr std::string_view kExchangeFileName = "~Quilto~.txt";

struct SettingsLocation {
    std::string folder;     // without a trailing "/"
    bool portable = false;  // beside the executable

    std::string iniPath() const { return folder + "/" + std::string(kSettingsFileName); }
    std::string exchangePath() const { return folder + "/" + std::string(kExchangeFileName); }
};

// programFolder: the executable's folder.
SettingsLocation LocateSettings(const std::string& programFolder);
// The same for the running program; needs the QCoreApplication.
SettingsLocation LocateSettings();

// Creates the folder when needed, then saves safely (core::IniFile::save).
bool SaveSettings(const core::IniFile& file, const SettingsLocation& where, std::string* error = nullptr);
// SaveSettings, telling the user in a box over `owner` when it fails.
void SaveSettingsOrWarn(QWidget* owner, const core::IniFile& file, const SettingsLocation& where);
// The text that box shows.
std::string SettingsSaveFailure(const SettingsLocation& where, const std::string& error);

// ------------------------------------------------------------ section Window

inline constexpr std::string_view kWindowSection = "Window";
inline constexpr int kPageCount = 5;  // Pack, UnPack, ID3v1 Tag, ID3v2 Tag, ReName

// Every array holds column widths by column number: element 0 is the first
// column the keys size, which is column 1 unless noted. A width, splitter or
// window size below 0 in the file gives the default, a page outside 0..4 too.
struct WindowSettings {
    int top, left, height, width;
    int split1;                               // left panel width
    std::array<int, 20> fileColumns;          // file list columns 1..20
    int split2;                               // upper panel height
    std::array<int, 7> packHeaderColumns;     // Pack CueHeader columns 1..7
    std::array<int, 3> packCueColumns;        // Pack CueList columns 2..4 ([0] = column 2)
    int splitP;                               // Pack CueList width
    std::array<int, 12> packListColumns;      // PackList columns 1..12
    std::array<int, 8> unpackHeaderColumns;   // UnPack CueHeader columns 1..8
    std::array<int, 3> unpackCueColumns;      // UnPack CueList columns 2..4 ([0] = column 2)
    int splitU;                               // UnPack CueList width
    std::array<int, 12> unpackListColumns;    // UnPackList columns 1..12
    std::array<int, 8> id3v1Columns;          // ID3v1 list columns 1..8
    std::array<int, 14> id3v2Columns;         // ID3v2 list columns 1..14
    std::array<int, 2> renameFormatColumns;   // rename-format list columns 1, 2
    std::array<int, 3> replaceColumns;        // replace-table list columns 0..2 ([0] = column 0)
    std::array<int, 2> renameColumns;         // rename list columns 1, 2
    int splitR;                               // rename page's left page control width
    int page;                                 // active page index
    std::string dir;                          // current folder

    WindowSettings();  // every default
    bool operator==(const WindowSettings&) const = default;

    // Missing keys and garbage keep the default.
    void load(const core::IniFile& file);
    // The keys in the order they are read, except that SplitR comes before
    // ClmR3Name and ClmR3RepCnv; Page and Dir last.
    void store(core::IniFile& file) const;
};

// ------------------------------------------------------- section OptionGen

inline constexpr std::string_view kGeneralSection = "OptionGen";

// Read at creation; the general options dialog writes them.
struct GeneralOptions {
    bool syncSafe = true;
    bool cueSheet = true;
    bool backup = true;
    bool supportTag = false;
    // The external text editor. Empty means the default editor (see
    // EditorProgram). A file from the original platform holding its default,
    // Notepad, reads as empty too.
    std::string editor;
    std::string player;
    std::string playerPrm;
    // ID3v2 texts beyond ASCII written as UTF-16 rather than in the code page.
    bool unicodeTag = false;
    // The legacy code page of the byte formats; a stored name that is not
    // offered (core::OfferedCodePages) reads as the default.
    std::string codePage = std::string(core::TextCodec::kDefaultCodePage);

    bool operator==(const GeneralOptions&) const = default;
    void load(const core::IniFile& file);
    void store(core::IniFile& file) const;
};

// ----------------------------------------------------------- section Genre

inline constexpr std::string_view kGenreSection = "Genre";

// "Ext" and the names of the active numbers ("000".."255").
core::GenreTable LoadGenreTable(const core::IniFile& file);

// The whole section as the genre dialog edits it: the switch and the name in
// effect of every number 0..255.
struct GenreSettings {
    bool extended = false;
    std::array<std::string, core::kGenreCount> names;

    bool operator==(const GenreSettings&) const = default;
    // The active numbers' names from the running table (its ID3v2 list, which
    // keeps the name of 255); the others from the file, else built in, so that
    // switching the extended genres off and on again loses no name.
    static GenreSettings From(const core::GenreTable& active, const core::IniFile& file);
    // "Ext", then all 256 names.
    void store(core::IniFile& file) const;
    // The table the window works with; byte 255 keeps meaning "no genre" in
    // the ID3v1 list, as after a start.
    core::GenreTable table() const;
};

// -------------------------------------------------------- section OptionRen

// The rename options live with the rename engine, which reads them with the
// checks a name part needs.
using RenameOptions = rename::RenameOptions;

// ----------------------------------------------------------- section ReName

// A replace pair the user saved on the rename page's Replace tab.
struct SavedReplacePair {
    std::string name, from, to;
    bool operator==(const SavedReplacePair&) const = default;
};

// More pairs than anyone keeps by hand; a damaged count cannot make us read
// without end.
inline constexpr int kMaxSavedReplacePairs = 1000;

// The rename page's section: the format rows, the replace histories with
// "U/L Case", and the saved pairs ("RLCount", "RLC-n", "RLF-n", "RLT-n").
struct RenamePageSettings {
    std::vector<rename::FormatStep> steps;
    rename::ReplaceHistory history;
    std::vector<SavedReplacePair> pairs;

    bool operator==(const RenamePageSettings&) const = default;
    void load(const core::IniFile& file);
    // Erases the section first: rows, entries and pairs removed since stay gone.
    void store(core::IniFile& file) const;
};

// ------------------------------------------------------- section PackOption

inline constexpr std::string_view kPackOptionSection = "PackOption";

// The Pack page's CueHeader check state, 0 or 1; anything else reads as 1.
int LoadCueCheck(const core::IniFile& file);
void StoreCueCheck(core::IniFile& file, int cueCheck);

}  // namespace quilto::app
