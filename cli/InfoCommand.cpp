// `quilto-cli info`: the file-list columns of MP3 files, as text or JSON.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "cli/CodePageOption.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"
#include "core/FileAnalysis.h"
#include "core/FileColumns.h"
#include "core/FileRows.h"
#include "core/FrameSeries.h"
#include "core/InOrderWork.h"
#include "core/TextCodec.h"

namespace quilto::cli {

namespace fs = std::filesystem;

namespace {

// A folder stands for its "*.mp3" files, listed as the file list lists them.
bool ExpandPath(const std::string& argument, std::vector<std::string>& files, std::ostream& err) {
    std::error_code error;
    if (!fs::is_directory(argument, error)) {
        files.push_back(argument);
        return true;
    }
    if (!core::ListFolderFiles(argument, files)) {
        err << argument << ": the folder cannot be read\n";
        return false;
    }
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

std::string TableRow(const core::FileAnalysis& analysis) {
    const core::FileColumnTexts texts = core::MakeFileColumnTexts(analysis);
    std::string line;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i) line += '\t';
        line += TableCell(texts[i]);
    }
    line += '\n';
    return line;
}

Json Id3v1Json(const std::optional<core::Id3v1Record>& v1) {
    if (!v1) return nullptr;
    Json json = Json::object();
    json["artist"] = JsonText(v1->artist);
    json["title"] = JsonText(v1->title);
    json["album"] = JsonText(v1->album);
    json["track"] = JsonText(v1->track);
    json["year"] = JsonText(v1->year);
    json["comment"] = JsonText(v1->comment);
    json["genre"] = JsonText(v1->genre);
    return json;
}

Json Id3v2Json(const std::optional<core::Id3v2Record>& v2) {
    if (!v2) return nullptr;
    static constexpr std::array<const char*, core::Id3v2Record::kFieldCount> kKeys = {
        "artist", "title", "album", "track", "year", "comment", "genre",
        "composer", "origArtist", "copyright", "url", "encodedBy", "encoder",
    };
    Json json = Json::object();
    for (std::size_t i = 0; i < kKeys.size(); ++i) json[kKeys[i]] = JsonText(v2->field(i));
    return json;
}

Json StreamInfoJson(const core::StreamInfo& s) {
    Json json = Json::object();
    json["frames"] = s.frames;
    json["otherFrames"] = s.otherFrames;
    json["kbps"] = std::uint64_t{s.kbps};
    json["rateIndex"] = std::uint64_t{s.rateIndex};
    json["isVbr"] = s.isVbr;
    json["mode"] = std::uint64_t{s.mode};
    json["headerKind"] = std::uint64_t{static_cast<std::uint8_t>(s.headerKind)};
    json["streamBytes"] = s.streamBytes;
    json["headerFrameLength"] = std::uint64_t{s.headerFrameLength};
    json["headerFrames"] = std::uint64_t{s.headerFrames};
    json["headerBytes"] = std::uint64_t{s.headerBytes};
    json["splitFrames"] = s.splitFrames;
    return json;
}

Json FileJson(const core::FileAnalysis& analysis) {
    static constexpr std::array<const char*, core::kFileColumnCount> kKeys = {
        "fileName", "fileSize", "fileDate", "tag", "artist", "title", "album", "track", "year", "genre",
        "time", "frames", "kbps", "cv", "hz", "mode", "bitStream", "xing", "xFrames", "xBytes",
    };
    const core::FileColumnTexts texts = core::MakeFileColumnTexts(analysis);
    Json json = Json::object();
    json["path"] = JsonText(analysis.path);
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (i == static_cast<std::size_t>(core::FileColumn::FileSize)) {
            json[kKeys[i]] = analysis.fileSize;
        } else {
            json[kKeys[i]] = JsonText(texts[i]);
        }
    }
    json["containerKind"] = std::int64_t{static_cast<int>(analysis.containerKind)};
    json["hasCue"] = analysis.hasCue;
    json["id3v1"] = Id3v1Json(analysis.id3v1);
    json["id3v2"] = Id3v2Json(analysis.id3v2);
    json["stream"] = StreamInfoJson(analysis.stream.info);
    return json;
}

constexpr const char* kInfoDetails =
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
    "--json prints a JSON array with one object per file, holding the twenty\n"
    "texts (fileSize as a number), containerKind, hasCue, both tags (id3v1,\n"
    "id3v2; null when absent) and the numbers behind the stream columns (stream).\n"
    "\n"
    "Text output is tab-separated: one header line with the column captions,\n"
    "then one line per file; tabs and line breaks inside texts become blanks.\n"
    "Numbers are grouped with the locale's thousands separator (\",\" without one).\n"
    "\n"
    "Container kinds: -1 plain MP3, 0 no audio found, 1 Pack, 2 ZIP, 3 LZH,\n"
    "4 foreign index, 5 AlbumWrap comment.\n"
    "\n"
    "--frames FILE walks every frame of one file and prints, instead of the\n"
    "columns, what it found as CSV: offset,frame,kbps,samplerate,mode,padding,event.\n"
    "One line per frame (for long files per bucket of 2, 4, 8, ... frames: kbps is\n"
    "then the bucket's rounded average, padding 1 when any frame is padded); frame\n"
    "is the number of counted frames before the line. A first line with event\n"
    "xing or info stands for the VBR header frame; the last line (event end) is\n"
    "where the audio ends, before trailing tags or blocks. Events: resync (bytes\n"
    "skipped before the frame), nonaudio (a tag, archive or pack block skipped),\n"
    "change (sample rate or channel mode changed), joined with + in a bucket.\n"
    "\n"
    "A file that cannot be read is reported on standard error with its reason;\n"
    "the others are still listed. Exit status: 0 when every file was read,\n"
    "1 when any failed, 2 for a usage error.";

struct InfoOptions {
    bool full = false;
    bool frames = false;
    bool json = false;
    std::string codePage = std::string(core::TextCodec::kDefaultCodePage);
    std::vector<std::string> paths;
    unsigned threads = 0;  // 0: the machine's cores
};

int RunFrames(const std::string& path, std::ostream& out, std::ostream& err) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        err << path << ": --frames takes a file, not a folder\n";
        return 2;
    }
    std::string reason;
    core::NoProgress progress;
    core::FrameSeries series;
    if (!core::RecordFileStream(path, progress, series, &reason)) {
        err << path << ": " << reason << '\n';
        return 1;
    }
    out << core::FrameSeriesCsv(series);
    return 0;
}

int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err) {
    if (options.frames) {
        if (options.paths.size() != 1) {
            err << "--frames takes exactly one file\n";
            return 2;
        }
        return RunFrames(options.paths.front(), out, err);
    }
    core::SetLegacyCodePage(options.codePage);
    bool anyFailed = false;
    std::vector<std::string> files;
    for (const std::string& path : options.paths) anyFailed |= !ExpandPath(path, files, err);

    const core::GenreTable genres;
    core::NoProgress progress;  // stateless, so the threads may share it
    const auto depth = options.full ? core::ScanDepth::Full : core::ScanDepth::Quick;
    std::optional<JsonArrayStream> json;
    if (options.json) {
        json.emplace(out);
    } else {
        WriteTableHeader(out);
    }
    // The files are read and their lines formatted on every core; the lines
    // are written here in order, a bounded window of them at a time.
    struct Listed {
        bool opened = false;
        std::string text;  // the row, the JSON element, or why the file failed
    };
    constexpr std::size_t kWaitingLines = 256;
    core::ProduceInOrder<Listed>(
        files.size(), options.threads, kWaitingLines,
        [&](std::size_t i) {
            const core::FileAnalysis analysis = core::AnalyseFile(files[i], depth, genres, progress);
            if (!analysis.opened) return Listed{false, analysis.error};
            return Listed{true, json ? JsonArrayStream::Element(FileJson(analysis)) : TableRow(analysis)};
        },
        [&](std::size_t i, Listed listed) {
            if (!listed.opened) {
                err << files[i] << ": " << listed.text << '\n';
                anyFailed = true;
            } else if (json) {
                json->addElement(listed.text);
            } else {
                out << listed.text;
            }
        });
    return anyFailed ? 1 : 0;
}

}  // namespace

void AddInfoCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand("info", "list MP3 files with their tags and stream properties");
    info->footer(kInfoDetails);
    info->add_flag("--full", options->full,
                   "walk every frame instead of estimating (\"Frame Scan\");\n"
                   "Frames then shows other bit rates in parentheses");
    CLI::Option* json = info->add_flag("--json", options->json, "print a JSON array with one object per file");
    info->add_flag("--frames", options->frames, "print every frame of one file as CSV (see below)")
        ->excludes(json)
        ->excludes("--full");
    info->add_option("--threads", options->threads, "files read at once (default 0: one per core, up to 4)")
        ->check(CLI::Range(0u, 64u));
    AddCodePageOption(*info, options->codePage, "code page of ID3v1 and ID3v2 encoding-0 text\n(default CP932, Shift-JIS)");
    info->add_option("PATH", options->paths, "a file, or a folder for its *.mp3 files")->type_name("")->required();
    info->callback([options, &context] { context.exitStatus = RunInfo(*options, context.out, context.err); });
}

}  // namespace quilto::cli
