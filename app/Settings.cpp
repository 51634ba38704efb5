#include "app/Settings.h"

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>

#include "core/AsciiCase.h"

namespace quilto::app {

namespace {

// ------------------------------------------------------------------ location

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) home = entry->pw_dir;
    }
    return home;
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// ------------------------------------------------------------ section Window

enum class Range { Any, NonNegative, Page };

struct ColumnKey {
    std::string_view name;
    int width;
    std::size_t column;
};

// Calls visit(name, default, value, range) for every integer key of section
// Window, in the order they are read; storeOrder moves SplitR before the
// rename list's columns, the order they are written in.
template <class Settings, class Visit>
void VisitWindowKeys(Settings& s, bool storeOrder, Visit&& visit) {
    auto columns = [&](auto& widths, std::size_t firstColumn, std::initializer_list<ColumnKey> keys) {
        for (const ColumnKey& key : keys) visit(key.name, key.width, widths[key.column - firstColumn], Range::NonNegative);
    };
    visit("Top", 0, s.top, Range::Any);
    visit("Left", 0, s.left, Range::Any);
    visit("Height", 480, s.height, Range::NonNegative);
    visit("Width", 640, s.width, Range::NonNegative);
    visit("Split1", 200, s.split1, Range::NonNegative);
    // Title is read before Artist although Artist is the column to its left.
    columns(s.fileColumns, 1,
            {{"ClmFName", 80, 1},    {"ClmFSize", 80, 2},    {"ClmFDate", 80, 3},  {"ClmFTag", 38, 4},
             {"ClmFTitle", 60, 6},   {"ClmFArtist", 60, 5},  {"ClmFAlbum", 60, 7}, {"ClmFNo", 30, 8},
             {"ClmFYear", 42, 9},    {"ClmFGenre", 80, 10},  {"ClmFTime", 50, 11}, {"ClmFFrames", 54, 12},
             {"ClmFKbps", 42, 13},   {"ClmFCBRVBR", 36, 14}, {"ClmFHz", 48, 15},   {"ClmFMode", 80, 16},
             {"ClmFBytes", 0, 17},   {"ClmFXing", 0, 18},    {"ClmFXFrames", 0, 19}, {"ClmFXBytes", 0, 20}});
    visit("Split2", 200, s.split2, Range::NonNegative);
    columns(s.packHeaderColumns, 1,
            {{"ClmP1Title", 100, 1}, {"ClmP1Performer", 100, 2}, {"ClmP1Time", 60, 3}, {"ClmP1Frames", 60, 4},
             {"ClmP1Kbps", 60, 5},   {"ClmP1Hz", 60, 6},         {"ClmP1File", 100, 7}});
    columns(s.packCueColumns, 2, {{"ClmP2Title", 100, 2}, {"ClmP2Performer", 100, 3}, {"ClmP2Index", 60, 4}});
    visit("SplitP", 300, s.splitP, Range::NonNegative);
    columns(s.packListColumns, 1,
            {{"ClmP3Name", 100, 1}, {"ClmP3Tag", 45, 2},   {"ClmP3Artist", 100, 3}, {"ClmP3Title", 150, 4},
             {"ClmP3Time", 38, 5},  {"ClmP3Frames", 50, 6}, {"ClmP3Kbps", 38, 7},   {"ClmP3CBRVBR", 35, 8},
             {"ClmP3Hz", 48, 9},    {"ClmP3Mode", 80, 10},  {"ClmP3Bytes", 0, 11},  {"ClmP3Xing", 0, 12}});
    columns(s.unpackHeaderColumns, 1,
            {{"ClmU1Title", 100, 1}, {"ClmU1Performer", 100, 2}, {"ClmU1Time", 60, 3}, {"ClmU1Frames", 60, 4},
             {"ClmU1Kbps", 60, 5},   {"ClmU1Hz", 60, 6},         {"ClmU1File", 100, 7}, {"ClmU1Path", 200, 8}});
    columns(s.unpackCueColumns, 2, {{"ClmU2Title", 100, 2}, {"ClmU2Performer", 100, 3}, {"ClmU2Index", 60, 4}});
    visit("SplitU", 300, s.splitU, Range::NonNegative);
    columns(s.unpackListColumns, 1,
            {{"ClmU3Name", 100, 1}, {"ClmU3Tag", 45, 2},   {"ClmU3Artist", 100, 3}, {"ClmU3Title", 150, 4},
             {"ClmU3Time", 38, 5},  {"ClmU3Frames", 50, 6}, {"ClmU3Kbps", 38, 7},   {"ClmU3CBRVBR", 35, 8},
             {"ClmU3Hz", 48, 9},    {"ClmU3Mode", 80, 10},  {"ClmU3Bytes", 0, 11},  {"ClmU3Xing", 0, 12}});
    // Title before Artist again: the ID3v1 list shows Artist in column 2.
    columns(s.id3v1Columns, 1,
            {{"Clm1Name", 80, 1}, {"Clm1Title", 60, 3}, {"Clm1Artist", 60, 2},   {"Clm1Album", 60, 4},
             {"Clm1No", 25, 5},   {"Clm1Year", 38, 6},  {"Clm1Comment", 100, 7}, {"Clm1Genre", 80, 8}});
    columns(s.id3v2Columns, 1,
            {{"Clm2Name", 80, 1},        {"Clm2Artist", 60, 2},       {"Clm2Title", 60, 3},     {"Clm2Album", 60, 4},
             {"Clm2No", 25, 5},          {"Clm2Year", 38, 6},         {"Clm2Comment", 100, 7},  {"Clm2Genre", 80, 8},
             {"Clm2Composer", 100, 9},   {"Clm2OrigArtist", 105, 10}, {"Clm2Copyright", 100, 11}, {"Clm2URL", 50, 12},
             {"Clm2Encoded", 100, 13},   {"Clm2Encoder", 120, 14}});
    columns(s.renameFormatColumns, 1, {{"ClmRFItem", 100, 1}, {"ClmRFParam", 100, 2}});
    columns(s.replaceColumns, 0, {{"ClmRRName", 60, 0}, {"ClmRRFrom", 80, 1}, {"ClmRRTo", 80, 2}});
    if (storeOrder) visit("SplitR", 250, s.splitR, Range::NonNegative);
    columns(s.renameColumns, 1, {{"ClmR3Name", 160, 1}, {"ClmR3RepCnv", 160, 2}});
    if (!storeOrder) visit("SplitR", 250, s.splitR, Range::NonNegative);
    visit("Page", 2, s.page, Range::Page);
}

bool InRange(int value, Range range) {
    switch (range) {
    case Range::Any: return true;
    case Range::NonNegative: return value >= 0;
    case Range::Page: return value >= 0 && value < kPageCount;
    }
    return false;
}

constexpr std::string_view kOriginalEditor = "C:\\WINDOWS\\Notepad.exe";

std::string GenreKey(std::size_t number) {
    char key[8];
    std::snprintf(key, sizeof key, "%03zu", number);
    return key;
}

}  // namespace

SettingsLocation LocateSettings(const std::string& programFolder) {
    const std::string chosen = Environment("QUILTO_CONFIG_DIR");
    if (!chosen.empty()) return {WithoutTrailingSlash(chosen), false};

    // Portable only when the file can really be rewritten there: a safe save
    // needs the folder writable too, for the new file beside the old one.
    const std::string beside = WithoutTrailingSlash(programFolder);
    const std::string besideIni = beside + "/" + std::string(kSettingsFileName);
    if (!beside.empty() && ::access(besideIni.c_str(), W_OK) == 0 && ::access(beside.c_str(), W_OK) == 0) {
        return {beside, true};
    }

    // XDG: a relative XDG_CONFIG_HOME is to be ignored.
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') config = HomeFolder() + "/.config";
    return {WithoutTrailingSlash(config) + "/quilto", false};
}

SettingsLocation LocateSettings() {
    return LocateSettings(QCoreApplication::applicationDirPath().toStdString());
}

bool SaveSettings(const core::IniFile& file, const SettingsLocation& where, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(where.folder, ec);
    if (ec) {
        if (error) *error = "Cannot create " + where.folder + ": " + ec.message();
        return false;
    }
    return file.save(where.iniPath(), error);
}

WindowSettings::WindowSettings() {
    VisitWindowKeys(*this, false, [](std::string_view, int def, int& value, Range) { value = def; });
}

void WindowSettings::load(const core::IniFile& file) {
    VisitWindowKeys(*this, false, [&](std::string_view key, int def, int& value, Range range) {
        const int read = file.readInt(kWindowSection, key, def);
        value = InRange(read, range) ? read : def;
    });
    dir = file.readString(kWindowSection, "Dir", "");
}

void WindowSettings::store(core::IniFile& file) const {
    VisitWindowKeys(*this, true, [&](std::string_view key, int, const int& value, Range) {
        file.writeInt(kWindowSection, key, value);
    });
    file.write(kWindowSection, "Dir", dir);
}

void GeneralOptions::load(const core::IniFile& file) {
    syncSafe = file.readBool(kGeneralSection, "SyncSafe", true);
    cueSheet = file.readBool(kGeneralSection, "CueSheet", true);
    backup = file.readBool(kGeneralSection, "Backup", true);
    supportTag = file.readBool(kGeneralSection, "SupportTag", false);
    editor = file.readString(kGeneralSection, "Editor", "");
    if (core::EqualIgnoringCase(editor, kOriginalEditor)) editor.clear();
    player = file.readString(kGeneralSection, "Player", "");
    playerPrm = file.readString(kGeneralSection, "PlayerPrm", "");
    unicodeTag = file.readBool(kGeneralSection, "UnicodeTag", false);
    codePage = core::UsableCodePage(file.readString(kGeneralSection, "CodePage", std::string(core::TextCodec::kDefaultCodePage)));
}

void GeneralOptions::store(core::IniFile& file) const {
    file.writeBool(kGeneralSection, "SyncSafe", syncSafe);
    file.writeBool(kGeneralSection, "CueSheet", cueSheet);
    file.writeBool(kGeneralSection, "Backup", backup);
    file.writeBool(kGeneralSection, "SupportTag", supportTag);
    file.write(kGeneralSection, "Editor", editor);
    file.write(kGeneralSection, "Player", player);
    file.write(kGeneralSection, "PlayerPrm", playerPrm);
    file.writeBool(kGeneralSection, "UnicodeTag", unicodeTag);
    file.write(kGeneralSection, "CodePage", codePage);
}

core::GenreTable LoadGenreTable(const core::IniFile& file) {
    const bool extended = file.readBool(kGenreSection, "Ext", false);
    const std::size_t count = extended ? core::kGenreCount : core::kStandardGenreCount;
    std::map<int, std::string> custom;
    for (std::size_t i = 0; i < count; ++i) {
        if (auto name = file.value(kGenreSection, GenreKey(i))) custom.emplace(static_cast<int>(i), std::move(*name));
    }
    return core::GenreTable(extended, custom);
}

GenreSettings GenreSettings::From(const core::GenreTable& active, const core::IniFile& file) {
    GenreSettings result;
    result.extended = active.extended();
    const std::vector<std::string>& names = active.id3v2Names();
    for (std::size_t i = 0; i < core::kGenreCount; ++i) {
        result.names[i] = i < names.size()
                              ? names[i]
                              : file.readString(kGenreSection, GenreKey(i), core::BuiltInGenreNames()[i]);
    }
    return result;
}

void GenreSettings::store(core::IniFile& file) const {
    file.writeBool(kGenreSection, "Ext", extended);
    for (std::size_t i = 0; i < core::kGenreCount; ++i) file.write(kGenreSection, GenreKey(i), names[i]);
}

core::GenreTable GenreSettings::table() const {
    std::map<int, std::string> custom;
    for (std::size_t i = 0; i < core::kGenreCount; ++i) custom.emplace(static_cast<int>(i), names[i]);
    return core::GenreTable(extended, custom);
}

void RenamePageSettings::load(const core::IniFile& file) {
    steps = rename::LoadFormatSteps(file);
    history = rename::LoadReplaceHistory(file);
    pairs.clear();
    const int count = std::clamp(file.readInt(rename::kRenameSection, "RLCount", 0), 0, kMaxSavedReplacePairs);
    for (int n = 1; n <= count; ++n) {
        const std::string number = std::to_string(n);
        pairs.push_back({file.readWrapped(rename::kRenameSection, "RLC-" + number, ""),
                         file.readWrapped(rename::kRenameSection, "RLF-" + number, ""),
                         file.readWrapped(rename::kRenameSection, "RLT-" + number, "")});
    }
}

void RenamePageSettings::store(core::IniFile& file) const {
    file.eraseSection(rename::kRenameSection);
    rename::StoreFormatSteps(file, steps);
    rename::StoreReplaceHistory(file, history);
    file.writeInt(rename::kRenameSection, "RLCount", static_cast<int>(pairs.size()));
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        file.writeWrapped(rename::kRenameSection, "RLC-" + number, pairs[i].name);
        file.writeWrapped(rename::kRenameSection, "RLF-" + number, pairs[i].from);
        file.writeWrapped(rename::kRenameSection, "RLT-" + number, pairs[i].to);
    }
}

int LoadCueCheck(const core::IniFile& file) {
    const int value = file.readInt(kPackOptionSection, "CueCheck", 1);
    return value == 0 ? 0 : 1;
}

void StoreCueCheck(core::IniFile& file, int cueCheck) {
    file.writeInt(kPackOptionSection, "CueCheck", cueCheck == 0 ? 0 : 1);
}

std::string SettingsSaveFailure(const SettingsLocation& where, const std::string& error) {
    return QCoreApplication::translate("Settings", "The settings could not be saved to %1:\n%2")
        .arg(QString::fromStdString(where.iniPath()), QString::fromStdString(error))
        .toStdString();
}

void SaveSettingsOrWarn(QWidget* owner, const core::IniFile& file, const SettingsLocation& where) {
    std::string error;
    if (SaveSettings(file, where, &error)) return;
    QMessageBox::warning(owner, owner ? owner->windowTitle() : QString(),
                         QString::fromStdString(SettingsSaveFailure(where, error)));
}

}  // namespace quilto::app
