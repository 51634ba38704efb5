// `quilto-cli list`: what opening a packed file shows on the UnPack page,
// as text or JSON.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CodePageOption.h"
#include "cli/Commands.h"
#include "cli/CueJson.h"
#include "cli/JsonOutput.h"
#include "core/GenreTable.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/OpenPacked.h"
#include "pack/TrackLists.h"

namespace quilto::cli {

namespace {

// Tabs and line breaks inside a text would break the lines of the text form.
std::string TextCell(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

Json PageJson(const std::string& path, const pack::PackedFileFacts& facts, const pack::OpenPackedResult& result,
              const pack::TrackPage& page) {
    Json json = Json::object();
    json["path"] = JsonText(path);
    json["containerKind"] = std::int64_t{static_cast<int>(facts.kind)};
    json["cueCode"] = JsonText(page.header.cue);
    json["optionWord"] = std::uint64_t{result.optionWord};
    json["headTagSize"] = result.headTagSize;
    json["header"] = CueHeaderJson(page.header);
    json["cue"] = CueRowsJson(page.cues);
    Json& tracks = json["tracks"];
    tracks = Json::array();
    for (const pack::TrackRow& row : page.tracks) {
        Json item = Json::object();
        item["fileName"] = JsonText(row.fileName);
        item["artist"] = JsonText(row.artist);
        item["title"] = JsonText(row.title);
        item["start"] = row.span.start;
        item["end"] = row.span.end;
        item["dosDateTime"] = std::uint64_t{row.span.dosDateTime};
        item["tag"] = JsonText(row.tag);
        item["time"] = JsonText(row.time);
        item["frames"] = JsonText(row.frames);
        item["kbps"] = JsonText(row.kbps);
        item["hz"] = JsonText(row.hz);
        item["mode"] = JsonText(row.mode);
        item["bitStream"] = JsonText(row.bitStream);
        item["xing"] = JsonText(row.xing);
        tracks.push_back(std::move(item));
    }
    return json;
}

void WriteText(std::ostream& out, const std::string& path, const pack::TrackPage& page) {
    const pack::CueHeader& h = page.header;
    out << TextCell(path) << '\t' << h.cue << '\t' << TextCell(h.title) << '\t' << TextCell(h.performer) << '\t'
        << h.kbps << '\t' << h.hz << '\t' << h.frames << '\t' << h.time << '\n';
    for (const pack::TrackRow& row : page.tracks) {
        out << row.caption << '\t' << TextCell(row.fileName) << '\t' << TextCell(row.artist) << '\t'
            << TextCell(row.title) << '\t' << row.tag << '\t' << row.time << '\t' << row.frames << '\t' << row.kbps
            << '\t' << row.hz << '\t' << row.mode << '\t' << row.bitStream << '\t' << row.xing << '\t'
            << row.span.start << '\t' << row.span.end << '\n';
    }
}

struct ListOptions {
    bool json = false;
    std::string codePage = std::string(core::TextCodec::kDefaultCodePage);
    std::vector<std::string> files;
};

int RunList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    core::SetLegacyCodePage(options.codePage);
    const core::GenreTable genres;
    core::NoProgress progress;
    bool anyFailed = false;
    std::optional<JsonArrayStream> json;
    if (options.json) json.emplace(out);
    for (const std::string& path : options.files) {
        std::string error;
        const std::optional<pack::PackedFileFacts> facts = pack::ReadPackedFileFacts(path, genres, &error);
        pack::TrackPage page;
        page.page = pack::Page::UnPack;
        const pack::OpenPackedResult result =
            facts ? pack::OpenPacked(path, *facts, page, genres, progress) : pack::OpenPackedResult{};
        if (result.status == pack::OpenPackedResult::Status::CannotOpen) {
            err << path << ": " << (facts ? result.error : error) << '\n';
            anyFailed = true;
            continue;
        }
        if (json) {
            json->add(PageJson(path, *facts, result, page));
        } else {
            WriteText(out, path, page);
        }
    }
    return anyFailed ? 1 : 0;
}

constexpr const char* kListDetails =
    "Opens each FILE as the UnPack page does and prints what it shows: the\n"
    "album header, the cue index embedded in the head tag and one row per\n"
    "stored track, each track frame-scanned from behind its own ID3v2 tag.\n"
    "\n"
    "Tracks come from the Pack directory, the ZIP or LZH members, or the\n"
    "foreign index; a Bind file (or a plain MP3) has no track rows, only its\n"
    "cue rows. Cue codes: 0 Bind or plain, 1 Pack, 2 ZIP, 3 LZH, 4 foreign.\n"
    "\n"
    "--json prints a JSON array with one object per FILE: path, containerKind,\n"
    "cueCode, optionWord, headTagSize, header, cue and tracks (start and end\n"
    "are byte offsets in the file, end one past the last byte).\n"
    "\n"
    "Text output: per FILE one tab-separated header line (path, cue code,\n"
    "title, performer, kbps, hz, frames, time), then one line per track\n"
    "(number, name, artist, title, tag, time, frames, kbps, hz, mode,\n"
    "bitstream, xing, start, end); tabs and line breaks inside texts become\n"
    "blanks.\n"
    "\n"
    "A file that cannot be opened is reported on standard error with its\n"
    "reason; the others are still listed. Exit status: 0 when every file was\n"
    "opened, 1 when any failed, 2 for a usage error.";

}  // namespace

void AddListCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ListOptions>();
    CLI::App* list = app.add_subcommand("list", "list the tracks stored in packed MP3 files");
    list->footer(kListDetails);
    list->add_flag("--json", options->json, "print a JSON array with one object per file");
    AddCodePageOption(*list, options->codePage, "code page of stored names and tag text\n(default CP932, Shift-JIS)");
    list->add_option("FILE", options->files, "packed MP3 files")->type_name("")->required();
    list->callback([options, &context] { context.exitStatus = RunList(*options, context.out, context.err); });
}

}  // namespace quilto::cli
