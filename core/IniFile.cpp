#include "core/IniFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include "core/AsciiCase.h"
#include "core/NumberText.h"
#include "core/ReplaceFile.h"
#include "core/TextCodec.h"
#include "core/Utf.h"

namespace quilto::core {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// A line break inside a value would start a new line on the next read.
std::string OneLine(std::string_view text) {
    std::string out(text);
    std::replace_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    return out;
}

std::size_t CountCharacters(std::string_view utf8) {
    std::size_t count = 0;
    while (!utf8.empty()) {
        utf8.remove_prefix(std::max<std::size_t>(1, Utf8SequenceLength(utf8)));
        ++count;
    }
    return count;
}

}  // namespace

IniFile IniFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(bytes);
}

IniFile IniFile::Parse(std::string_view bytes) {
    std::string text;
    if (bytes.starts_with(kUtf16LeBom)) {
        // Notepad's "Unicode", which the original platform's settings service reads too.
        text = DecodeUtf16(bytes.substr(kUtf16LeBom.size()), Utf16Order::LittleEndian);
    } else {
        if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
        text = IsValidUtf8(bytes) ? std::string(bytes) : LegacyCodec().decode(bytes);
    }

    IniFile file;
    file.sections_.push_back(Section{});  // lines before the first header
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);

        const std::string_view trimmed = Trim(line);
        const auto close = trimmed.find(']');
        if (trimmed.starts_with('[') && close != std::string_view::npos) {
            file.sections_.push_back(Section{std::string(Trim(trimmed.substr(1, close - 1))), true, {}});
            file.sections_.back().lines.push_back(Line{std::string(line), {}, {}, false});
            continue;
        }
        Line entry{std::string(line), {}, {}, false};
        const auto equals = line.find('=');
        if (equals != std::string_view::npos) {
            entry.key = Trim(line.substr(0, equals));
            entry.value = Trim(line.substr(equals + 1));
            entry.entry = true;
        }
        file.sections_.back().lines.push_back(std::move(entry));
    }
    return file;
}

std::string IniFile::text() const {
    std::string out;
    for (const Section& section : sections_) {
        for (const Line& line : section.lines) {
            out += line.raw;
            out += '\n';
        }
    }
    return out;
}

bool IniFile::save(const std::string& path, std::string* error) const {
    return ReplaceFileContent(path, text(), error);
}

const IniFile::Line* IniFile::find(std::string_view section, std::string_view key) const {
    for (const Section& s : sections_) {
        if (!s.hasHeader || !EqualIgnoringCase(s.name, section)) continue;
        for (const Line& line : s.lines) {
            if (line.entry && EqualIgnoringCase(line.key, key)) return &line;
        }
    }
    return nullptr;
}

IniFile::Line* IniFile::find(std::string_view section, std::string_view key) {
    return const_cast<Line*>(std::as_const(*this).find(section, key));
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    if (const Line* line = find(section, key)) return line->value;
    return std::nullopt;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
    if (const Line* line = find(section, key)) return line->value;
    return std::string(def);
}

int IniFile::readInt(std::string_view section, std::string_view key, int def) const {
    const Line* line = find(section, key);
    if (!line) return def;
    return TryParseInt32(line->value).value_or(def);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    const Line* line = find(section, key);
    if (!line) return def;
    if (const auto number = TryParseInt32(line->value)) return *number != 0;
    return def;
}

std::string IniFile::readWrapped(std::string_view section, std::string_view key, std::string_view def) const {
    const Line* line = find(section, key);
    if (!line || CountCharacters(line->value) < 2) return std::string(def);
    // Values are valid UTF-8 (checked or converted when parsed): drop one
    // whole character at each end.
    std::string_view text = line->value;
    text.remove_prefix(std::max<std::size_t>(1, Utf8SequenceLength(text)));
    std::size_t last = text.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(text[last]) & 0xC0) == 0x80) --last;
    return std::string(text.substr(0, last));
}

void IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    const std::string cleanKey = OneLine(key);
    const std::string cleanValue = OneLine(value);
    Line line{cleanKey + "=" + cleanValue, std::string(Trim(cleanKey)), std::string(Trim(cleanValue)), true};

    if (Line* existing = find(section, key)) {
        line.raw = existing->raw.substr(0, existing->raw.find('=')) + "=" + cleanValue;  // keep the key's spelling
        *existing = std::move(line);
        return;
    }
    for (Section& s : sections_) {
        if (!s.hasHeader || !EqualIgnoringCase(s.name, section)) continue;
        // After the last line with content, so blank lines that separate this
        // section from the next stay below it.
        auto after = std::find_if(s.lines.rbegin(), s.lines.rend(), [](const Line& l) { return !Trim(l.raw).empty(); });
        s.lines.insert(after.base(), std::move(line));
        return;
    }
    const std::string name = OneLine(section);
    sections_.push_back(Section{name, true, {Line{"[" + name + "]", {}, {}, false}, std::move(line)}});
}

void IniFile::writeInt(std::string_view section, std::string_view key, int value) {
    write(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    write(section, key, value ? "1" : "0");
}

void IniFile::writeWrapped(std::string_view section, std::string_view key, std::string_view text) {
    write(section, key, "/" + std::string(text) + "/");
}

void IniFile::eraseKey(std::string_view section, std::string_view key) {
    for (Section& s : sections_) {
        if (!s.hasHeader || !EqualIgnoringCase(s.name, section)) continue;
        std::erase_if(s.lines, [&](const Line& l) { return l.entry && EqualIgnoringCase(l.key, key); });
    }
}

void IniFile::eraseSection(std::string_view section) {
    std::erase_if(sections_, [&](const Section& s) { return s.hasHeader && EqualIgnoringCase(s.name, section); });
}

}  // namespace quilto::core
