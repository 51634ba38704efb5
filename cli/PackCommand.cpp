// `quilto-cli pack`: "Create Packed MP3" without a window. The files are
// dropped on a Pack page in the order given, the options stand in for the
// pack option dialog (its stored defaults, not the user's settings) and OUT
// for the save dialog.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CodePageOption.h"
#include "cli/Commands.h"
#include "cli/PackPageFromFiles.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/CueSheet.h"
#include "pack/PackOptions.h"
#include "pack/PackWriter.h"
#include "pack/TrackLists.h"

namespace quilto::cli {

namespace fs = std::filesystem;

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

const std::map<std::string, pack::PackFormat> kFormats = {{"bind", pack::PackFormat::Bind},
                                                          {"pack", pack::PackFormat::Pack},
                                                          {"zip", pack::PackFormat::Zip},
                                                          {"lha", pack::PackFormat::Lha}};
const std::map<std::string, pack::CueSheetChoice> kCueChoices = {{"embed", pack::CueSheetChoice::EmbeddedInMp3},
                                                                 {"export", pack::CueSheetChoice::ExportToCueFile},
                                                                 {"none", pack::CueSheetChoice::Cancel}};

struct PackCommandOptions {
    std::string output;
    std::vector<std::string> files;
    std::string format = "pack";
    std::string cue = "embed";
    // The dialog's defaults; the flags below change them.
    pack::PackOptions options;
    std::string album, performer, title, artist;
    bool albumGiven = false, performerGiven = false, titleGiven = false, artistGiven = false;
    int top = 0;   // 0: not given
    int last = 0;
    std::string entire;  // the cue sheet that cuts the one FILE
    bool plainOffsets = false;
    bool unicodeTag = false;
    bool overwrite = false;
    bool verbose = false;
    std::string codePage = std::string(core::TextCodec::kDefaultCodePage);
};

int Usage(std::ostream& err, const std::string& message) {
    err << "pack: " << message << '\n';
    return kUsage;
}

int Failure(std::ostream& err, const std::string& path, const std::string& message) {
    err << path << ": " << message << '\n';
    return kFailure;
}

// The track names of the verbose listing when the plan names none (Bind).
std::string TrackName(const pack::TrackPage& page, const pack::PackWork& work, bool entire) {
    if (!work.fileName.empty()) return work.fileName;
    const auto row = static_cast<std::size_t>(work.row);
    if (entire && row < page.cues.size()) return page.cues[row].performer + " - " + page.cues[row].title + ".mp3";
    if (row < page.tracks.size()) return fs::path(page.tracks[row].sourcePath).filename().string();
    return {};
}

int RunPack(PackCommandOptions& o, std::ostream& out, std::ostream& err) {
    core::SetLegacyCodePage(o.codePage);
    pack::PackOptions options = o.options;
    options.format = kFormats.at(o.format);
    options.cueSheet = kCueChoices.at(o.cue);
    const bool packFormat = options.format == pack::PackFormat::Pack;
    const bool entire = !o.entire.empty();

    // What the dialog would not offer is refused before any file is read.
    if (entire && o.files.size() != 1) return Usage(err, "--entire cuts exactly one FILE");
    if (!packFormat && (options.addXing || o.top != 0 || o.last != 0 || entire || o.plainOffsets)) {
        return Usage(err, "--add-xing, --top, --last, --entire and --plain-offsets need --format pack");
    }
    if (o.top != 0) options.silentTop = true, options.silentTopNo = o.top;
    if (o.last != 0) options.silentLast = true, options.silentLastNo = o.last;

    pack::TrackPage page;
    const PackPageFill fill = AddFilesToPackPage(page, o.files, err);
    // A packed album missing a track is worse than none: write nothing.
    if (fill.anyFailed || fill.added == 0) return Failure(err, o.output, "not every FILE could be added; nothing written");

    std::string error;
    if (entire && !pack::ImportCueSheet(page, o.entire, error)) return Failure(err, o.entire, error);
    if (o.albumGiven) page.header.title = o.album;
    if (o.performerGiven) page.header.performer = o.performer;
    const bool performersDiffer = pack::CueDefaults(page.header, page.cues, false);

    // The menu command is disabled in these cases.
    const pack::PackCommandStates states = pack::PackCommandEnabling(page);
    if (!states.create) {
        if (page.header.title.empty()) return Usage(err, "the album title is empty: give --album");
        if (page.header.hz == "-") return Usage(err, "the tracks have different sample rates (Hz \"-\")");
        return Usage(err, "nothing to pack");
    }

    const pack::PackPreset preset = pack::PresetPackRun(options, page, pack::SaveMode::Create, 0);
    pack::PackChoices choices = pack::MakePackChoices(options, preset, entire);
    if (o.titleGiven) choices.title = o.title;
    if (o.artistGiven) choices.artist = o.artist;
    if (entire && !choices.entire) {
        return Failure(err, o.entire, "the cue sheet's index does not fit the file; it cannot cut it");
    }

    // The output replaces the save dialog, which asks again for a source.
    if (pack::OutputIsASource(page, pack::SaveMode::Create, o.output)) {
        return Failure(err, o.output, "is one of the source files; nothing written");
    }
    // The sheet's FILE line names the packed file, as after the save dialog.
    page.header.file = fs::path(o.output).filename().string();

    const bool cueUsed = choices.cueGroupEnabled && options.cueSheet != pack::CueSheetChoice::Cancel;
    const bool exportCue = cueUsed && options.cueSheet == pack::CueSheetChoice::ExportToCueFile;
    std::string cuePath;
    if (exportCue) {
        cuePath = fs::path(o.output).replace_extension(".cue").string();
        std::error_code ignored;
        // The sheet that cuts the file is an input of the run as much as the file.
        const bool isEntireSheet = entire && fs::equivalent(cuePath, o.entire, ignored);
        if (cuePath == o.output || isEntireSheet || pack::OutputIsASource(page, pack::SaveMode::Create, cuePath)) {
            return Failure(err, cuePath, "the cue sheet would replace a file of the run; nothing written");
        }
        if (!o.overwrite && fs::exists(fs::symlink_status(cuePath, ignored))) {
            return Failure(err, cuePath, "exists already; nothing written (--overwrite replaces it)");
        }
    }

    pack::PackRun run;
    run.mode = pack::SaveMode::Create;
    run.choices = choices;
    if (cueUsed && !exportCue) {
        pack::WriteCueSheet(run.cueSheetLines, performersDiffer, page.header, page.cues, true);
    }
    run.syncSafe = !o.plainOffsets;
    run.unicodeText = o.unicodeTag;
    run.outputPath = o.output;
    run.replaceExisting = o.overwrite;

    core::NoProgress progress;
    const pack::PackOutcome outcome = pack::SavePacked(page, run, progress);
    if (outcome.status != pack::PackOutcome::Status::Written) {
        return Failure(err, o.output, outcome.message.empty() ? "nothing written" : outcome.message);
    }
    // Written after the packed file, so that a failed run leaves no sheet behind.
    if (exportCue && !pack::ExportCueSheet(page, cuePath, performersDiffer, true, error)) {
        return Failure(err, cuePath, error);
    }

    if (o.verbose) {
        if (const auto plan = pack::PlanPackWork(page, run, error)) {
            for (const pack::PackWork& work : *plan) {
                out << TrackName(page, work, choices.entire) << '\t' << (work.tagBytes + work.dataBytes) << '\n';
            }
        }
    }
    return 0;
}

constexpr const char* kPackDetails =
    "Walks every frame of the FILEs and adds them, in the order given, to the\n"
    "track list as one drop on the Pack page does (the album title is the last\n"
    "file's Album; an empty album performer becomes the tracks' common\n"
    "performer, or \"Various\"), then writes one packed MP3 to OUT. Without\n"
    "options the choices are the pack option dialog's defaults: Pack format,\n"
    "ID3v1 and ID3v2 of the tracks removed, Xing/Info kept, head tag written,\n"
    "cue sheet embedded.\n"
    "\n"
    "--cue export writes the sheet beside OUT with its extension replaced by\n"
    ".cue. The cue sheet is used only while the cue index fits the tracks.\n"
    "--entire cuts the one FILE at the INDEX 01 times of CUEFILE (Pack only).\n"
    "\n"
    "OUT is written beside its place first and renamed into place when\n"
    "complete. Nothing is printed on success unless --verbose (one line per\n"
    "track: name, tab, bytes). Exit status: 0 success; 1 when a file cannot be\n"
    "read, OUT names a source file or the write fails (nothing is left\n"
    "behind); 2 for a usage error, an empty album title or mixed sample rates.";

}  // namespace

void AddPackCommand(CLI::App& app, CommandContext& context) {
    auto o = std::make_shared<PackCommandOptions>();
    CLI::App* cmd = app.add_subcommand("pack", "pack MP3 files into one packed MP3");
    cmd->footer(kPackDetails);
    cmd->add_option("-o,--output", o->output, "the packed MP3 to write")->type_name("OUT")->required();
    cmd->add_option("--format", o->format, "bind, pack, zip or lha (default pack)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"bind", "pack", "zip", "lha"}));
    cmd->add_flag("!--keep-id3v1,--remove-id3v1", o->options.removeId3v1, "keep or remove the tracks' ID3v1 (default remove)");
    cmd->add_flag("!--keep-id3v2,--remove-id3v2", o->options.removeId3v2, "keep or remove the tracks' ID3v2 (default remove)");
    cmd->add_flag("--remove-xing,!--keep-xing", o->options.removeXing, "remove or keep the tracks' Xing/Info frame (default keep)");
    cmd->add_flag("--head-tag,!--no-head-tag", o->options.id3v2Tag, "write title and artist into the head tag (default on)");
    CLI::Option* album = cmd->add_option("--album", o->album, "album title (default: the last file's Album)")->type_name("TEXT");
    CLI::Option* performer =
        cmd->add_option("--performer", o->performer, "album performer (default: the tracks' common one)")->type_name("TEXT");
    CLI::Option* title = cmd->add_option("--title", o->title, "head tag title (default: the album title)")->type_name("TEXT");
    CLI::Option* artist = cmd->add_option("--artist", o->artist, "head tag artist (default: the album performer)")->type_name("TEXT");
    cmd->add_option("--cue", o->cue, "embed, export or none (default embed)")
        ->type_name("WHAT")
        ->check(CLI::IsMember({"embed", "export", "none"}));
    cmd->add_flag("--add-xing", o->options.addXing, "add a Xing/Info frame before the tracks (pack)");
    cmd->add_option("--top", o->top, "silent frames before the tracks, 1 to 99 (pack)")
        ->type_name("N")
        ->check(CLI::Range(pack::kSilentCountMin, pack::kSilentCountMax));
    cmd->add_option("--last", o->last, "silent frames after the tracks, 1 to 99 (pack)")
        ->type_name("N")
        ->check(CLI::Range(pack::kSilentCountMin, pack::kSilentCountMax));
    cmd->add_option("--entire", o->entire, "cut the one FILE by this cue sheet (pack)")->type_name("CUEFILE");
    cmd->add_flag("--overwrite", o->overwrite, "replace OUT when it exists (otherwise refused)");
    cmd->add_flag("--plain-offsets", o->plainOffsets, "store the track offsets as plain 32-bit numbers (pack)");
    cmd->add_flag("--unicode-tag", o->unicodeTag, "write the head tag's title and artist beyond ASCII as UTF-16, not in the code page");
    cmd->add_flag("-v,--verbose", o->verbose, "print each track's name and bytes");
    AddCodePageOption(*cmd, o->codePage, "code page of tags and stored names (default CP932)");
    cmd->add_option("FILE", o->files, "MP3 files, one track each")->type_name("")->required();
    cmd->callback([o, album, performer, title, artist, &context] {
        o->albumGiven = album->count() > 0;
        o->performerGiven = performer->count() > 0;
        o->titleGiven = title->count() > 0;
        o->artistGiven = artist->count() > 0;
        context.exitStatus = RunPack(*o, context.out, context.err);
    });
}

}  // namespace quilto::cli
