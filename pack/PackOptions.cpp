#include "pack/PackOptions.h"

#include <algorithm>

namespace quilto::pack {

namespace {

int ClampCount(int count) { return std::clamp(count, kSilentCountMin, kSilentCountMax); }

// The format's word in the double extension.
std::string_view FormatWord(PackFormat format) {
    switch (format) {
    case PackFormat::Pack: return ".pac";
    case PackFormat::Zip: return ".zip";
    case PackFormat::Lha: return ".lzh";
    case PackFormat::Bind: break;
    }
    return {};
}

}  // namespace

void PackOptions::load(const core::IniFile& file) {
    const PackOptions defaults;
    const std::string_view s = kPackOptionSection;
    const int storedFormat = file.readInt(s, "Format", static_cast<int>(defaults.format));
    // An unknown format would leave no format button checked.
    format = storedFormat >= 0 && storedFormat < kPackFormatCount ? static_cast<PackFormat>(storedFormat)
                                                                  : defaults.format;
    formatExt = file.readBool(s, "FormatExt", defaults.formatExt);
    switch (file.readInt(s, "CueSheet", static_cast<int>(defaults.cueSheet))) {
    case 1: cueSheet = CueSheetChoice::EmbeddedInMp3; break;
    case 2: cueSheet = CueSheetChoice::Cancel; break;
    default: cueSheet = CueSheetChoice::ExportToCueFile; break;
    }
    id3v2Tag = file.readBool(s, "ID3v2Tag", defaults.id3v2Tag);
    removeId3v1 = file.readBool(s, "RemoveID3v1", defaults.removeId3v1);
    removeId3v2 = file.readBool(s, "RemoveID3v2", defaults.removeId3v2);
    removeXing = file.readBool(s, "RemoveXing", defaults.removeXing);
    addXing = file.readBool(s, "AddXing", defaults.addXing);
    silentTop = file.readBool(s, "SilentTop", defaults.silentTop);
    silentTopNo = ClampCount(file.readInt(s, "SilentTopNo", defaults.silentTopNo));
    silentLast = file.readBool(s, "SilentLast", defaults.silentLast);
    silentLastNo = ClampCount(file.readInt(s, "SilentLastNo", defaults.silentLastNo));
}

void PackOptions::store(core::IniFile& file) const {
    const std::string_view s = kPackOptionSection;
    file.writeInt(s, "Format", static_cast<int>(format));
    file.writeBool(s, "FormatExt", formatExt);
    file.writeInt(s, "CueSheet", static_cast<int>(cueSheet));
    file.writeBool(s, "ID3v2Tag", id3v2Tag);
    file.writeBool(s, "RemoveID3v1", removeId3v1);
    file.writeBool(s, "RemoveID3v2", removeId3v2);
    file.writeBool(s, "RemoveXing", removeXing);
    file.writeBool(s, "AddXing", addXing);
    file.writeBool(s, "SilentTop", silentTop);
    file.writeInt(s, "SilentTopNo", ClampCount(silentTopNo));
    file.writeBool(s, "SilentLast", silentLast);
    file.writeInt(s, "SilentLastNo", ClampCount(silentLastNo));
}

PackControlStates PackEnabling(const PackOptions& options, const PackPreset& preset) {
    PackControlStates c;
    for (int i = 0; i < kPackFormatCount; ++i) {
        c.formatButtons[i] = !preset.formatLocked || static_cast<int>(options.format) == i;
    }
    c.formatNotes = !preset.formatLocked;
    const bool pack = options.format == PackFormat::Pack;
    c.entire = preset.cueGroupEnabled && preset.entireAvailable && pack;
    c.ext = !preset.formatLocked && options.format != PackFormat::Bind;
    c.artistTitle = options.id3v2Tag;
    c.cueGroup = preset.cueGroupEnabled;
    c.addXing = pack;
    c.top = pack;
    c.topCount = pack && options.silentTop;
    c.last = pack;
    c.lastCount = pack && options.silentLast;
    return c;
}

std::string PackExtensionText(const PackOptions& options, const PackPreset& preset) {
    if (preset.formatLocked) return {};
    std::string text;
    if (PackEnabling(options, preset).ext && options.formatExt) text = FormatWord(options.format);
    return text + ".mp3";
}

PackChoices MakePackChoices(const PackOptions& options, const PackPreset& preset, bool entireChecked) {
    const PackControlStates enabled = PackEnabling(options, preset);
    PackChoices choices;
    choices.options = options;
    choices.entire = entireChecked && enabled.entire;
    choices.extension = PackExtensionText(options, preset);
    choices.artist = preset.artist;
    choices.title = preset.title;
    choices.cueGroupEnabled = enabled.cueGroup;
    choices.topCounterEnabled = enabled.topCount;
    choices.lastCounterEnabled = enabled.lastCount;
    return choices;
}

PackPreset PresetPackRun(PackOptions& options, const TrackPage& page, SaveMode mode, std::uint32_t optionWord) {
    PackPreset preset;
    if (mode != SaveMode::Create) {
        const std::string& code = page.header.cue;
        if (code == "2") {
            options.format = PackFormat::Zip;
        } else if (code == "3") {
            options.format = PackFormat::Lha;
        } else if (code == "1" || code == "4") {
            options.format = PackFormat::Pack;
        }
        if (options.format == PackFormat::Pack &&
            (optionWord & (kOptionAddXing | kOptionSilentTop | kOptionSilentLast)) != 0) {
            options.addXing = (optionWord & kOptionAddXing) != 0;
            // The counts sit in 7-bit fields that can hold up to 127; the
            // counters end at 99.
            const int top = static_cast<int>((optionWord >> 24) & 0x7F);
            const int last = static_cast<int>((optionWord >> 16) & 0x7F);
            options.silentTop = top != 0;
            if (top != 0) options.silentTopNo = ClampCount(top);
            options.silentLast = last != 0;
            if (last != 0) options.silentLastNo = ClampCount(last);
        }
    }
    preset.formatLocked = mode == SaveMode::Save;
    preset.cueGroupEnabled = page.header.check == CueCheck::Checked && !page.cues.empty();
    preset.entireAvailable = mode == SaveMode::Create ? preset.cueGroupEnabled && page.tracks.size() == 1
                                                      : (optionWord & kOptionEntire) != 0;
    preset.artist = page.header.performer;
    preset.title = page.header.title;
    return preset;
}

PackCommandStates PackCommandEnabling(const TrackPage& page) {
    PackCommandStates c;
    c.create = !page.header.title.empty() && !page.tracks.empty() && page.header.hz != "-";
    c.saveSelectionAs = c.create && page.page == Page::UnPack;
    // A foreign container ("4") can be written out anew, never rewritten in place.
    c.save = c.saveSelectionAs && page.header.cue != "4";
    return c;
}

// ---------------------------------------------------------------- extraction

void ExtractOptions::load(const core::IniFile& file) {
    const ExtractOptions defaults;
    const std::string_view s = kExtractOptionSection;
    makeDir = file.readBool(s, "MakeDir", defaults.makeDir);
    id3v2Tag = file.readBool(s, "ID3v2Tag", defaults.id3v2Tag);
    id3v2Artist = file.readBool(s, "ID3v2Artist", defaults.id3v2Artist);
    id3v2Title = file.readBool(s, "ID3v2Title", defaults.id3v2Title);
    id3v2Album = file.readBool(s, "ID3v2Album", defaults.id3v2Album);
    id3v2Track = file.readBool(s, "ID3v2Track", defaults.id3v2Track);
}

void ExtractOptions::store(core::IniFile& file) const {
    const std::string_view s = kExtractOptionSection;
    file.writeBool(s, "MakeDir", makeDir);
    file.writeBool(s, "ID3v2Tag", id3v2Tag);
    file.writeBool(s, "ID3v2Artist", id3v2Artist);
    file.writeBool(s, "ID3v2Title", id3v2Title);
    file.writeBool(s, "ID3v2Album", id3v2Album);
    file.writeBool(s, "ID3v2Track", id3v2Track);
}

ExtractControlStates ExtractEnabling(const ExtractOptions& options) {
    return {options.makeDir, options.id3v2Tag};
}

}  // namespace quilto::pack
