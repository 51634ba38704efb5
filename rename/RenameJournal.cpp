#include "rename/RenameJournal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/FilePlacement.h"
#include "pack/OutputFile.h"

namespace quilto::rename {

namespace {

constexpr std::string_view kJournalHeader = "quilto rename journal 1";
// A journal is a few lines per renamed file; anything far larger is not ours.
constexpr std::uintmax_t kMaxJournalBytes = 256u << 20;

// Names may hold any byte but NUL and "/"; tabs and line breaks must not
// split the journal's fields and lines.
std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        unsigned value = 0;
        for (std::size_t k = 1; k <= 2; ++k) {
            const char h = text[i + k];
            value <<= 4;
            if (h >= '0' && h <= '9') value |= static_cast<unsigned>(h - '0');
            else if (h >= 'A' && h <= 'F') value |= static_cast<unsigned>(h - 'A' + 10);
            else return std::nullopt;
        }
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    if (text.empty()) return false;
    std::istringstream in{std::string(text)};
    in >> value;
    return !in.fail() && in.eof();
}

std::string Joined(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::string DefaultJournalPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return std::string(data) + "/quilto/rename-journal";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.local/share/quilto/rename-journal";
    return {};
}

void AddToJournal(RenameJournal& journal, const std::string& folder, const ApplyOutcome& applied) {
    for (const AppliedRename& done : applied.applied) {
        journal.entries.push_back({folder, done.from, done.to, done.facts});
    }
}

std::string JournalText(const RenameJournal& journal) {
    std::string text(kJournalHeader);
    text += '\n';
    for (const JournalEntry& e : journal.entries) {
        text += Escape(e.folder) + '\t' + Escape(e.oldName) + '\t' + Escape(e.newName) + '\t' +
                std::to_string(e.facts.device) + '\t' + std::to_string(e.facts.inode) + '\t' +
                std::to_string(e.facts.size) + '\t' + std::to_string(e.facts.modifiedNs) + '\n';
    }
    return text;
}

bool WriteJournal(const std::string& path, const RenameJournal& journal, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(core::FolderOf(path), ec);
    if (ec) {
        error = "Cannot make the folder of " + path + ": " + ec.message();
        return false;
    }
    const std::string text = JournalText(journal);
    const std::string temp = core::TempPathBeside(path);
    std::optional<pack::DiskOutputFile> out = pack::DiskOutputFile::CreateNew(temp, &error);
    if (!out) return false;
    const bool written = out->write(std::string_view(text)) && out->close();
    const int writeError = out->lastError();
    out.reset();
    // The journal is ours alone: replacing the previous one is the point.
    if (!written || std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "Cannot write " + path + ": " + std::strerror(written ? errno : writeError);
        std::remove(temp.c_str());
        return false;
    }
    core::SyncFolder(path);
    return true;
}

std::optional<RenameJournal> ReadJournal(const std::string& path, std::string& error) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "No rename to undo (" + path + ": " + ec.message() + ")";
        return std::nullopt;
    }
    if (size > kMaxJournalBytes) {
        error = path + " is too large to be a rename journal";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        error = "Cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::string problem;
    std::optional<RenameJournal> journal = ParseJournal(text, problem);
    if (!journal) error = path + " " + problem;
    return journal;
}

std::optional<RenameJournal> ParseJournal(std::string_view text, std::string& problem) {
    // Lines end at LF; a last line without one still counts.
    std::size_t at = 0;
    auto nextLine = [&](std::string_view& line) {
        if (at >= text.size()) return false;
        const std::size_t end = std::min(text.find('\n', at), text.size());
        line = text.substr(at, end - at);
        at = end + 1;
        return true;
    };
    std::string_view line;
    if (!nextLine(line) || line != kJournalHeader) {
        problem = "is not a rename journal";
        return std::nullopt;
    }
    RenameJournal journal;
    while (nextLine(line)) {
        const std::vector<std::string_view> f = Fields(line);
        JournalEntry e;
        std::optional<std::string> folder, oldName, newName;
        if (f.size() != 7 || !(folder = Unescape(f[0])) || !(oldName = Unescape(f[1])) ||
            !(newName = Unescape(f[2])) || !ParseNumber(f[3], e.facts.device) ||
            !ParseNumber(f[4], e.facts.inode) || !ParseNumber(f[5], e.facts.size) ||
            !ParseNumber(f[6], e.facts.modifiedNs)) {
            problem = "is damaged; nothing was undone";
            return std::nullopt;
        }
        e.folder = std::move(*folder);
        e.oldName = std::move(*oldName);
        e.newName = std::move(*newName);
        journal.entries.push_back(std::move(e));
    }
    return journal;
}

UndoOutcome UndoRenames(const RenameJournal& journal, const RenameFileSystem& fileSystem) {
    UndoOutcome outcome;
    for (auto it = journal.entries.rbegin(); it != journal.entries.rend(); ++it) {
        const JournalEntry& e = *it;
        const std::string current = Joined(e.folder, e.newName);
        const std::string previous = Joined(e.folder, e.oldName);
        auto refuse = [&](const std::string& why) {
            outcome.refused.insert(outcome.refused.begin(), e);
            outcome.messages.push_back(current + ": " + why);
        };
        const std::optional<FileFacts> now = fileSystem.facts(current);
        if (!now) {
            refuse("is gone; not renamed back");
            continue;
        }
        if (*now != e.facts) {
            refuse("has changed since it was renamed; not renamed back");
            continue;
        }
        const std::optional<FileFacts> taken = fileSystem.facts(previous);
        if (taken && (taken->device != now->device || taken->inode != now->inode)) {
            refuse(e.oldName + " is taken; not renamed back");
            continue;
        }
        if (const int error = RenameOne(e.folder, e.newName, e.oldName, fileSystem); error != 0) {
            refuse("cannot be renamed back to " + e.oldName + " (" + std::to_string(error) + ")");
            continue;
        }
        ++outcome.reverted;
    }
    return outcome;
}

}  // namespace quilto::rename
