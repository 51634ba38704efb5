#include "cli/InfoCommand.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/JsonWriter.h"
#include "core/FileAnalysis.h"
#include "core/FileColumns.h"
#include "core/FileRows.h"
#include "core/TextCodec.h"

namespace quilto::cli {

namespace fs = std::filesystem;

namespace {

struct InfoOptions {
    bool full = false;
    bool json = false;
    std::vector<std::string> paths;
};

// A folder stands for its "*.mp3" files, listed as the file list lists them.
bool ExpandPath(const std::string& argument, std::vector<std::string>& files, std::ostream& err) {
    std::error_code error;
    if (!fs::is_directory(argument, error)) {
        files.push_back(argument);
        return true;
    }
    core::FolderRows rows;
    if (!core::ScanFolder(rows, argument)) {
        err << argument << ": the folder cannot be read\n";
        return false;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) files.push_back(rows.path(i));
    return true;
}

// Tabs and line breaks inside a text would break the table's lines.
std::string TableCell(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

void WriteTableHeader(std::ostream& out) {
    for (std::size_t i = 0; i < core::kFileColumnCount; ++i) {
        std::string_view caption = core::kFileColumnCaptions[i];
        while (!caption.empty() && caption.front() == ' ') caption.remove_prefix(1);
        while (!caption.empty() && caption.back() == ' ') caption.remove_suffix(1);
        out << (i ? "\t" : "") << caption;
    }
    out << '\n';
}

void WriteTableRow(std::ostream& out, const core::FileAnalysis& analysis) {
    const core::FileColumnTexts texts = core::MakeFileColumnTexts(analysis);
    for (std::size_t i = 0; i < texts.size(); ++i) out << (i ? "\t" : "") << TableCell(texts[i]);
    out << '\n';
}

void WriteId3v1(JsonWriter& json, const std::optional<core::Id3v1Record>& v1) {
    if (!v1) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("artist").value(v1->artist);
    json.key("title").value(v1->title);
    json.key("album").value(v1->album);
    json.key("track").value(v1->track);
    json.key("year").value(v1->year);
    json.key("comment").value(v1->comment);
    json.key("genre").value(v1->genre);
    json.endObject();
}

void WriteId3v2(JsonWriter& json, const std::optional<core::Id3v2Record>& v2) {
    if (!v2) {
        json.null();
        return;
    }
    static constexpr std::array<const char*, core::Id3v2Record::kFieldCount> kKeys = {
        "artist", "title", "album", "track", "year", "comment", "genre",
        "composer", "origArtist", "copyright", "url", "encodedBy", "encoder",
    };
    json.beginObject();
    for (std::size_t i = 0; i < kKeys.size(); ++i) json.key(kKeys[i]).value(v2->field(i));
    json.endObject();
}

void WriteStreamInfo(JsonWriter& json, const core::StreamInfo& s) {
    json.beginObject();
    json.key("frames").value(s.frames);
    json.key("otherFrames").value(s.otherFrames);
    json.key("kbps").value(std::uint64_t{s.kbps});
    json.key("rateIndex").value(std::uint64_t{s.rateIndex});
    json.key("isVbr").value(s.isVbr);
    json.key("mode").value(std::uint64_t{s.mode});
    json.key("headerKind").value(std::uint64_t{static_cast<std::uint8_t>(s.headerKind)});
    json.key("streamBytes").value(s.streamBytes);
    json.key("headerFrameLength").value(std::uint64_t{s.headerFrameLength});
    json.key("headerFrames").value(std::uint64_t{s.headerFrames});
    json.key("headerBytes").value(std::uint64_t{s.headerBytes});
    json.key("splitFrames").value(s.splitFrames);
    json.endObject();
}

void WriteJsonFile(JsonWriter& json, const core::FileAnalysis& analysis) {
    static constexpr std::array<const char*, core::kFileColumnCount> kKeys = {
        "fileName", "fileSize", "fileDate", "tag", "artist", "title", "album", "track", "year", "genre",
        "time", "frames", "kbps", "cv", "hz", "mode", "bitStream", "xing", "xFrames", "xBytes",
    };
    const core::FileColumnTexts texts = core::MakeFileColumnTexts(analysis);
    json.beginObject();
    json.key("path").value(analysis.path);
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        json.key(kKeys[i]);
        if (i == static_cast<std::size_t>(core::FileColumn::FileSize)) {
            json.value(analysis.fileSize);
        } else {
            json.value(texts[i]);
        }
    }
    json.key("containerKind").value(std::int64_t{static_cast<int>(analysis.containerKind)});
    json.key("hasCue").value(analysis.hasCue);
    json.key("id3v1");
    WriteId3v1(json, analysis.id3v1);
    json.key("id3v2");
    WriteId3v2(json, analysis.id3v2);
    json.key("stream");
    WriteStreamInfo(json, analysis.stream.info);
    json.endObject();
}

}  // namespace

void PrintInfoHelp(std::ostream& out) {
    out << "Usage: quilto-cli info [--full] [--json] [--code-page NAME] PATH...\n"
           "\n"
           "Lists MP3 files with the twenty columns of the file list: FileName, FileSize,\n"
           "FileDate, Tag, Artist, Title, Album, No., Year, Genre and the ten stream\n"
           "columns Time, Frames, Kbps, C/V, Hz, ChanelMode, BitStream, Xing(Size),\n"
           "=Frames and =BitStream.\n"
           "\n"
           "A PATH is a file or a folder; a folder stands for its *.mp3 files (the\n"
           "extension in any letter case), in name order.\n"
           "\n"
           "Artist to Genre come from the ID3v2 tag when the file has one, else from\n"
           "the ID3v1 tag. The stream columns are estimated from the first frame, as\n"
           "when a folder is first listed.\n"
           "\n"
           "Options:\n"
           "  --full            walk every frame instead of estimating (\"Frame Scan\");\n"
           "                    Frames then shows other bit rates in parentheses\n"
           "  --json            print a JSON array with one object per file, holding the\n"
           "                    twenty texts (fileSize as a number), containerKind,\n"
           "                    hasCue, both tags (id3v1, id3v2; null when absent) and\n"
           "                    the numbers behind the stream columns (stream)\n"
           "  --code-page NAME  code page of ID3v1 and ID3v2 encoding-0 text\n"
           "                    (default CP932, Shift-JIS)\n"
           "  --help            show this text\n"
           "\n"
           "Text output is tab-separated: one header line with the column captions,\n"
           "then one line per file; tabs and line breaks inside texts become blanks.\n"
           "Numbers are grouped with the locale's thousands separator (\",\" without one).\n"
           "\n"
           "Container kinds: -1 plain MP3, 0 no audio found, 1 Pack, 2 ZIP, 3 LZH,\n"
           "4 foreign index, 5 AlbumWrap comment.\n"
           "\n"
           "A file that cannot be read is reported on standard error with its reason;\n"
           "the others are still listed. Exit status: 0 when every file was read,\n"
           "1 when any failed, 2 for a usage error.\n";
}

int RunInfoCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    InfoOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--full") {
            options.full = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--help" || argument == "-h") {
            PrintInfoHelp(out);
            return 0;
        } else if (argument == "--code-page" && i + 1 < arguments.size()) {
            core::SetLegacyCodePage(arguments[++i]);
        } else if (argument == "--") {
            options.paths.insert(options.paths.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                 arguments.end());
            break;
        } else if (argument.size() > 1 && argument[0] == '-') {
            err << "quilto-cli info: unknown option " << argument << "\n\n";
            PrintInfoHelp(err);
            return 2;
        } else {
            options.paths.push_back(argument);
        }
    }
    if (options.paths.empty()) {
        err << "quilto-cli info: no PATH given\n\n";
        PrintInfoHelp(err);
        return 2;
    }

    bool anyFailed = false;
    std::vector<std::string> files;
    for (const std::string& path : options.paths) anyFailed |= !ExpandPath(path, files, err);

    const core::GenreTable genres;
    core::NoProgress progress;
    const auto depth = options.full ? core::ScanDepth::Full : core::ScanDepth::Quick;
    JsonWriter json(out);
    if (options.json) {
        json.beginArray();
    } else {
        WriteTableHeader(out);
    }
    for (const std::string& path : files) {
        const core::FileAnalysis analysis = core::AnalyseFile(path, depth, genres, progress);
        if (!analysis.opened) {
            err << path << ": " << analysis.error << '\n';
            anyFailed = true;
            continue;
        }
        if (options.json) {
            WriteJsonFile(json, analysis);
        } else {
            WriteTableRow(out, analysis);
        }
    }
    if (options.json) json.endArray();
    return anyFailed ? 1 : 0;
}

}  // namespace quilto::cli
