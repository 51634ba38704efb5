// The settings file format: "[Section]" lines, each followed by "key=value"
// lines. Read and written by us rather than a platform service, so that keys
// come out in the order the program writes them and every line we do not know
// (other sections, other keys, comments, blank lines) survives a rewrite.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilto::core {

// Section and key names compare without regard to ASCII letter case, and
// blanks around keys and values are dropped, as the settings files of the
// original platform behave; texts that must keep outer blanks are stored
// wrapped ("/ text /", see readWrapped). With duplicate sections or keys the
// first one counts.
class IniFile {
public:
    // A missing or unreadable file gives an empty one. A file that is not
    // valid UTF-8 was written on the original platform and is read in the
    // legacy code page; one that starts with a UTF-16 byte order mark is
    // read as UTF-16.
    static IniFile Load(const std::string& path);
    static IniFile Parse(std::string_view bytes);

    // Writes the whole file beside the old one and renames it over, so a
    // failure (reported in error) leaves the old file as it was. A symbolic
    // link is kept: its target is rewritten.
    bool save(const std::string& path, std::string* error = nullptr) const;

    // The file's text, UTF-8 with "\n" line ends.
    std::string text() const;

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    // A missing key, a value that is not a decimal number or one out of range
    // gives def.
    int readInt(std::string_view section, std::string_view key, int def) const;
    // Any non-zero number is true, 0 is false; anything else gives def.
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    // The value without its first and last character. def (already unwrapped)
    // when the key is missing or its value has fewer than two characters.
    std::string readWrapped(std::string_view section, std::string_view key, std::string_view def) const;

    // Replaces the value of an existing key in place, else adds the key after
    // the last entry of its section, else adds the section at the end. Line
    // breaks and NULs in a value become blanks: they would split the line.
    void write(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);  // 1 or 0
    void writeWrapped(std::string_view section, std::string_view key, std::string_view text);  // "/" + text + "/"

    void eraseKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    void eraseSection(std::string_view section);

private:
    struct Line {
        std::string raw;   // the line as read, or as last written
        std::string key;   // trimmed; empty for lines that are not entries
        std::string value; // trimmed
        bool entry = false;
    };
    struct Section {
        std::string name;
        bool hasHeader = false;  // false only for the lines before the first header
        std::vector<Line> lines;
    };

    const Line* find(std::string_view section, std::string_view key) const;
    Line* find(std::string_view section, std::string_view key);

    std::vector<Section> sections_;
};

}  // namespace quilto::core
