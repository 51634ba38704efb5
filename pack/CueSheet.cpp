#include "pack/CueSheet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <optional>
#include <string_view>

#include "core/CueTime.h"
#include "core/NumberText.h"
#include "core/Utf.h"

namespace quilto::pack {

namespace {

constexpr std::string_view kEndMarker = "ENDCUEINFO";
constexpr std::string_view kLineEnd = "\r\n";

// A line break inside a value (tags may hold one) would end the line early and
// let the rest be read as a keyword line of its own; it becomes a blank.
std::string Quoted(std::string value) {
    std::replace_if(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return "\"" + value + "\"";
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) < 0x21) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 0x21) text.remove_suffix(1);
    return text;
}

std::string_view TrimLeadingBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

// A value of a TITLE or PERFORMER line: the opening quote goes, and the
// closing one only when there is one (a lone `"` or an unclosed value keeps
// all its characters).
std::string Unquote(std::string_view value) {
    if (value.empty() || value.front() != '"') return std::string(value);
    value.remove_prefix(1);
    if (!value.empty() && value.back() == '"') value.remove_suffix(1);
    return std::string(value);
}

std::string FileValue(std::string_view rest) {
    // A quoted name is taken whole, whatever type word follows it.
    if (!rest.empty() && rest.front() == '"') {
        const std::size_t close = rest.find('"', 1);
        if (close != std::string_view::npos) return std::string(rest.substr(1, close - 1));
    }
    const std::size_t space = rest.rfind(' ');
    if (space != std::string_view::npos) rest = rest.substr(0, space);
    return Unquote(rest);
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// "m:ss:ff" with one to three minute digits, seconds below 60 and frames
// below 75, as the list's own "%02d:%02d:%02d"; nothing for anything else.
std::optional<std::string> ParseIndexTime(std::string_view text) {
    const std::size_t first = text.find(':');
    if (first == std::string_view::npos || first == 0 || first > 3) return std::nullopt;
    const std::string_view rest = text.substr(first + 1);
    if (rest.size() != 5 || rest[2] != ':') return std::nullopt;
    const std::string_view minutes = text.substr(0, first);
    const std::string_view seconds = rest.substr(0, 2);
    const std::string_view frames = rest.substr(3, 2);
    if (!AllDigits(minutes) || !AllDigits(seconds) || !AllDigits(frames)) return std::nullopt;
    const core::CueTime time{std::stoi(std::string(minutes)), std::stoi(std::string(seconds)),
                             std::stoi(std::string(frames))};
    if (time.seconds >= 60 || time.frames >= core::kCueFramesPerSecond) return std::nullopt;
    return core::FormatCueTime(time);
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string ErrorText(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes the complete content beside the target and renames it into place,
// so a failed write leaves an existing sheet as it was.
bool ReplaceFile(const std::string& linkOrPath, std::string_view content, std::string& error) {
    // Renaming over a symbolic link would replace the link by a plain file.
    std::string path = linkOrPath;
    std::error_code ec;
    if (std::filesystem::is_symlink(linkOrPath, ec)) {
        const std::filesystem::path resolved = std::filesystem::canonical(linkOrPath, ec);
        if (!ec) path = resolved.string();
    }
    struct stat old {};
    const bool hadOld = ::stat(path.c_str(), &old) == 0;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            error = ErrorText("Cannot create", temp, errno);
            return false;
        }
    }
    if (fd < 0) {
        error = ErrorText("Cannot create", temp, EEXIST);
        return false;
    }
    auto abandon = [&](const std::string& what, const std::string& name) {
        const int code = errno;
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        error = ErrorText(what, name, code);
        return false;
    };
    if (hadOld) (void)::fchmod(fd, old.st_mode & 07777);  // keep the owner's choice of access
    if (!WriteAll(fd, content)) return abandon("Cannot write", temp);
    if (::fsync(fd) != 0) return abandon("Cannot write", temp);
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0) return abandon("Cannot write", temp);
    if (::rename(temp.c_str(), path.c_str()) != 0) return abandon("Cannot replace", path);
    return true;
}

}  // namespace

bool CueDefaults(CueHeader& header, const CueList& cues, bool fillFileName) {
    bool differ = false;
    for (std::size_t i = 1; i < cues.size() && !differ; ++i) differ = cues[i].performer != cues[i - 1].performer;
    if (header.performer.empty()) {
        if (differ) {
            header.performer = "Various";
        } else if (!cues.empty()) {
            header.performer = cues.front().performer;
        } else {
            header.performer = "Unknown";
            differ = true;
        }
    }
    if (fillFileName && header.file.empty()) {
        const std::string prefix = differ && header.performer == "Various" ? std::string() : header.performer + " - ";
        header.file = prefix + header.title + ".mp3";
    }
    return differ;
}

void WriteCueSheet(std::vector<std::string>& lines, bool performersDiffer, const CueHeader& header,
                   const CueList& cues, bool remLines) {
    lines.push_back("TITLE " + Quoted(header.title));
    lines.push_back("PERFORMER " + Quoted(header.performer));
    if (remLines) {
        lines.emplace_back("REM *** Generated by Quiltotrackery ***");
        const std::string kbps = header.kbps == "VBR" ? header.kbps : header.kbps + "Kbps";
        lines.push_back("REM " + kbps + " " + header.hz + "Hz " + header.frames + "frames");
        lines.push_back("REM Total Time " + header.time);
    }
    lines.push_back("FILE " + Quoted(header.file) + " MP3");
    for (std::size_t i = 0; i < cues.size(); ++i) {
        const CueRow& row = cues[i];
        lines.push_back("  TRACK " + core::ZeroPadded(static_cast<std::int64_t>(i + 1), 2) + " AUDIO");
        lines.push_back("    TITLE " + Quoted(row.title));
        if (performersDiffer) lines.push_back("    PERFORMER " + Quoted(row.performer));
        if (i == 0) lines.emplace_back("    PREGAP 00:00:00");
        lines.push_back("    INDEX 01 " + row.index);
    }
}

void ReadCueSheet(const std::vector<std::string>& lines, CueHeader& header, CueList& cues) {
    // Rows appended by this read; the track a TITLE, PERFORMER or INDEX line
    // belongs to is the last of them. Before the first TRACK there is none,
    // and only the album values are taken there.
    const std::size_t firstRow = cues.size();
    bool inTracks = false;
    bool titleRead = false;
    bool performerRead = false;
    bool badIndex = false;
    for (const std::string& line : lines) {
        const std::string_view text = Trim(line);
        if (StartsWith(text, "TRACK")) {
            // Past the cap the rest of the sheet is dropped, so no line of a
            // dropped track lands on the last kept one.
            if (cues.size() - firstRow >= kMaxCueTracks) break;
            inTracks = true;
            CueRow row;
            row.number = std::to_string(cues.size() - firstRow + 1);
            row.performer = header.performer;
            cues.push_back(std::move(row));
        } else if (StartsWith(text, "TITLE")) {
            const std::string value = Unquote(TrimLeadingBlanks(text.substr(5)));
            if (inTracks) {
                cues.back().title = value;
            } else if (!titleRead) {
                header.title = value;
                titleRead = true;
            }
        } else if (StartsWith(text, "PERFORMER")) {
            const std::string value = Unquote(TrimLeadingBlanks(text.substr(9)));
            if (inTracks) {
                cues.back().performer = value;
            } else if (!performerRead) {
                header.performer = value;
                performerRead = true;
            }
        } else if (StartsWith(text, "INDEX")) {
            const std::string_view rest = TrimLeadingBlanks(text.substr(5));
            if (!inTracks || !StartsWith(rest, "01")) continue;
            if (const std::optional<std::string> index = ParseIndexTime(TrimLeadingBlanks(rest.substr(2)))) {
                cues.back().index = *index;
            } else {
                cues.back().index = "00:00:00";
                badIndex = true;
            }
        } else if (StartsWith(text, "FILE")) {
            header.file = FileValue(TrimLeadingBlanks(text.substr(4)));
        }
    }
    if (badIndex || lines.empty() || Trim(lines.back()) != kEndMarker) {
        header.check = CueCheck::None;
        header.notFitting = true;
    }
}

bool SaveCueSheetFile(const std::string& path, const std::vector<std::string>& lines, std::string& error,
                      const core::TextCodec& codec) {
    std::string content;
    for (const std::string& line : lines) {
        content += codec.encode(line).bytes;
        content += kLineEnd;
    }
    return ReplaceFile(path, content, error);
}

bool LoadCueSheetFile(const std::string& path, std::vector<std::string>& lines, std::string& error,
                      const core::TextCodec& codec) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = ErrorText("Cannot open", path, errno);
        return false;
    }
    // A sheet is a few kilobytes; a huge file is not one and is not read into memory.
    std::string bytes(kMaxCueSheetBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        error = ErrorText("Cannot read", path, errno);
        return false;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxCueSheetBytes) {
        error = "Not a cue sheet (larger than " + std::to_string(kMaxCueSheetBytes) + " bytes): " + path;
        return false;
    }

    std::string text;
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (StartsWith(bytes, kBom)) {
        text = core::SanitizeUtf8(std::string_view(bytes).substr(kBom.size()));
    } else {
        const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        // Valid UTF-8 with non-ASCII bytes is practically never code page text.
        text = !ascii && core::IsValidUtf8(bytes) ? std::move(bytes) : codec.decode(bytes);
    }

    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return true;
}

bool ExportCueSheet(const TrackPage& page, const std::string& path, bool performersDiffer, bool remLines,
                    std::string& error) {
    std::vector<std::string> lines;
    WriteCueSheet(lines, performersDiffer, page.header, page.cues, remLines);
    return SaveCueSheetFile(path, lines, error);
}

bool ImportCueSheet(TrackPage& page, const std::string& path, std::string& error) {
    // Read first: a file that cannot be read leaves the page's cue part as it was.
    std::vector<std::string> lines;
    if (!LoadCueSheetFile(path, lines, error)) return false;
    ClearLists(page, ClearWhat::Cue);
    ReadCueSheet(lines, page.header, page.cues);
    RecomputeCueLengths(page, true);
    return true;
}

}  // namespace quilto::pack
