// `quilto-cli extract`: "Extract" of the UnPack page without a window. FILE
// is opened as the page opens it, the options stand in for the extract
// option dialog (its stored defaults) and DIR for the folder picker.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CodePageOption.h"
#include "cli/Commands.h"
#include "core/GenreTable.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/ExtractTracks.h"
#include "pack/OpenPacked.h"
#include "pack/TrackLists.h"

namespace quilto::cli {

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

struct ExtractCommandOptions {
    std::string folder;
    std::string file;
    std::string tracks;
    bool tracksGiven = false;
    bool noTag = false;
    bool unicodeTag = false;
    std::vector<std::string> tagItems = {"artist", "title"};
    std::string makeDir;
    bool makeDirGiven = false;
    bool noMakeDir = false;
    bool overwrite = false;
    bool skipExisting = false;
    std::string codePage = std::string(core::TextCodec::kDefaultCodePage);
};

std::optional<std::size_t> Number(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const auto value = static_cast<std::size_t>(std::strtoul(text.c_str(), nullptr, 10));
    if (value == 0) return std::nullopt;
    return value;
}

// "1,3-5" as 0-based rows, ascending; nothing when the list is malformed or
// names a track the file does not have.
std::optional<std::vector<std::size_t>> ParseTrackList(const std::string& list, std::size_t count) {
    std::set<std::size_t> rows;
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        const std::size_t dash = item.find('-');
        const std::optional<std::size_t> first = Number(item.substr(0, dash));
        const std::optional<std::size_t> last = dash == std::string::npos ? first : Number(item.substr(dash + 1));
        if (!first || !last || *first > *last || *last > count) return std::nullopt;
        for (std::size_t n = *first; n <= *last; ++n) rows.insert(n - 1);
    }
    if (rows.empty() || list.back() == ',') return std::nullopt;
    return std::vector<std::size_t>(rows.begin(), rows.end());
}

int RunExtract(const ExtractCommandOptions& o, std::ostream& out, std::ostream& err) {
    core::SetLegacyCodePage(o.codePage);
    const core::GenreTable genres;
    core::NoProgress progress;
    std::string error;
    const std::optional<pack::PackedFileFacts> facts = pack::ReadPackedFileFacts(o.file, genres, &error);
    pack::TrackPage page;
    page.page = pack::Page::UnPack;
    const pack::OpenPackedResult opened =
        facts ? pack::OpenPacked(o.file, *facts, page, genres, progress) : pack::OpenPackedResult{};
    if (opened.status == pack::OpenPackedResult::Status::CannotOpen) {
        err << o.file << ": " << (facts ? opened.error : error) << '\n';
        return kFailure;
    }
    if (page.tracks.empty()) {
        err << o.file << ": holds no stored tracks to extract\n";
        return kFailure;
    }

    pack::ExtractRequest request;
    request.outputFolder = o.folder;
    request.choices.selectAll = !o.tracksGiven;
    if (o.tracksGiven) {
        const auto rows = ParseTrackList(o.tracks, page.tracks.size());
        if (!rows) {
            err << "extract: --tracks " << o.tracks << ": give numbers 1 to " << page.tracks.size()
                << " and ranges such as 1,3-5\n";
            return kUsage;
        }
        request.selectedRows = *rows;
    }
    pack::ExtractOptions& options = request.choices.options;
    options.id3v2Tag = !o.noTag;
    request.unicodeText = o.unicodeTag;
    const std::set<std::string> items(o.tagItems.begin(), o.tagItems.end());
    options.id3v2Artist = items.count("artist") > 0;
    options.id3v2Title = items.count("title") > 0;
    options.id3v2Album = items.count("album") > 0;
    options.id3v2Track = items.count("track") > 0;
    request.choices.folderName = o.makeDirGiven ? o.makeDir : page.header.title;
    options.makeDir = !o.noMakeDir && !request.choices.folderName.empty();

    bool refused = false;
    const pack::AskExisting ask = [&](const std::string& target) {
        if (o.overwrite) return pack::ExistingAnswer::OverwriteAll;
        err << target << ": exists already; "
            << (o.skipExisting ? "skipped" : "not replaced (--overwrite replaces it)") << '\n';
        refused = refused || !o.skipExisting;
        return pack::ExistingAnswer::Skip;
    };
    const pack::ExtractOutcome outcome = pack::ExtractTracks(page, request, progress, ask);
    const std::string folder = outcome.folder.empty() || outcome.folder.back() == '/' ? outcome.folder
                                                                                       : outcome.folder + "/";
    for (const std::size_t row : outcome.extractedRows) {
        out << folder << pack::ExtractFileName(page.tracks[row], row, request.replacements) << '\n';
    }
    if (outcome.status != pack::ExtractOutcome::Status::Done) {
        err << o.file << ": " << (outcome.message.empty() ? "extraction stopped" : outcome.message) << '\n';
        return kFailure;
    }
    // The packed file itself was among the targets: never written, and said so.
    if (!outcome.message.empty()) {
        err << outcome.message << '\n';
        if (!o.skipExisting) refused = true;
    }
    return refused ? kFailure : 0;
}

constexpr const char* kExtractDetails =
    "Opens FILE as the UnPack page does and writes its stored tracks (all, or\n"
    "those of --tracks) as separate MP3 files into DIR, or into the subfolder\n"
    "--make-dir NAME of it (default: the album title; none when that is empty\n"
    "or with --no-make-dir). A track's bytes are copied unchanged; a track\n"
    "that does not start with an ID3v2 tag gets a small one in front, holding\n"
    "the items of --tag-items (default artist,title), unless --no-tag.\n"
    "\n"
    "Each file is written under a temporary name and renamed into place when\n"
    "complete. An existing file is replaced only with --overwrite; otherwise it\n"
    "is named on standard error and left as it is. The packed file itself is\n"
    "never replaced. One line per written file is printed.\n"
    "\n"
    "Exit status: 0 success (also when --skip-existing skipped files); 1 when\n"
    "FILE cannot be read, a write fails (the run stops there; files written\n"
    "before stay) or an existing file was not replaced; 2 for a usage error.";

}  // namespace

void AddExtractCommand(CLI::App& app, CommandContext& context) {
    auto o = std::make_shared<ExtractCommandOptions>();
    CLI::App* cmd = app.add_subcommand("extract", "write the tracks of a packed MP3 as separate files");
    cmd->footer(kExtractDetails);
    cmd->add_option("-d,--dir", o->folder, "the folder to write into")
        ->type_name("DIR")
        ->required()
        ->check(CLI::ExistingDirectory);
    CLI::Option* tracks =
        cmd->add_option("--tracks", o->tracks, "track numbers and ranges, e.g. 1,3-5 (default all)")->type_name("LIST");
    cmd->add_flag("--no-tag", o->noTag, "write no ID3v2 tag in front of the tracks");
    cmd->add_flag("--unicode-tag", o->unicodeTag, "write the tag's texts beyond ASCII as UTF-16, not in the code page");
    CLI::Option* items = cmd->add_option("--tag-items", o->tagItems, "tag items: artist, title, album, track")
                             ->type_name("LIST")
                             ->delimiter(',')
                             ->check(CLI::IsMember({"artist", "title", "album", "track"}));
    CLI::Option* makeDir =
        cmd->add_option("--make-dir", o->makeDir, "subfolder of DIR (default: the album title)")->type_name("NAME");
    CLI::Option* noMakeDir = cmd->add_flag("--no-make-dir", o->noMakeDir, "write into DIR itself");
    makeDir->excludes(noMakeDir);
    CLI::Option* overwrite = cmd->add_flag("--overwrite", o->overwrite, "replace existing files");
    CLI::Option* skip = cmd->add_flag("--skip-existing", o->skipExisting, "leave existing files and succeed");
    overwrite->excludes(skip);
    items->excludes(cmd->get_option("--no-tag"));
    AddCodePageOption(*cmd, o->codePage, "code page of stored names and tag text (default CP932)");
    cmd->add_option("FILE", o->file, "the packed MP3")->type_name("")->required();
    cmd->callback([o, tracks, makeDir, &context] {
        o->tracksGiven = tracks->count() > 0;
        o->makeDirGiven = makeDir->count() > 0;
        context.exitStatus = RunExtract(*o, context.out, context.err);
    });
}

}  // namespace quilto::cli
