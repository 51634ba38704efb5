// `quilto-cli tag`: the tag pages without a window. Each FILE's rows are read
// as the file list reads them (a track of a packed file as the packed-file
// node lists it), the named cells are edited as the pages edit them, and the
// rows are saved by the same engine call as "Save ID3v1/ID3v2/All".
#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/CodePageOption.h"
#include "cli/Commands.h"
#include "core/FilePlacement.h"
#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/Progress.h"
#include "core/TextCodec.h"
#include "pack/OpenPacked.h"
#include "pack/PackedRows.h"
#include "tags/SaveTags.h"
#include "tags/TagEdits.h"

namespace quilto::cli {

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

using tags::TagColumn;
using tags::TagList;

struct FieldOption {
    const char* name;
    const char* help;
    TagColumn column;
    bool inId3v1;
};

constexpr FieldOption kFields[] = {
    {"--artist", "artist", TagColumn::Artist, true},
    {"--title", "title", TagColumn::Title, true},
    {"--album", "album", TagColumn::Album, true},
    {"--track", "track number (ID3v1: its leading digits)", TagColumn::Track, true},
    {"--year", "year", TagColumn::Year, true},
    {"--comment", "comment", TagColumn::Comment, true},
    {"--genre", "genre (ID3v1: a name of the genre table, else empty)", TagColumn::Genre, true},
    {"--composer", "composer (ID3v2 only)", TagColumn::Composer, false},
    {"--orig-artist", "original artist (ID3v2 only)", TagColumn::OrigArtist, false},
    {"--copyright", "copyright (ID3v2 only)", TagColumn::Copyright, false},
    {"--url", "URL (ID3v2 only)", TagColumn::Url, false},
    {"--encoded-by", "encoded by (ID3v2 only)", TagColumn::EncodedBy, false},
    {"--encoder", "encoder and settings (ID3v2 only)", TagColumn::Encoder, false},
};
constexpr std::size_t kFieldCount = std::size(kFields);

struct TagCommandOptions {
    std::vector<std::string> files;
    bool v1 = false;
    bool v2 = false;
    bool both = false;
    std::string values[kFieldCount];
    CLI::Option* given[kFieldCount] = {};
    bool removeV1 = false;
    bool removeV2 = false;
    bool supportTagOnly = false;
    bool unicodeTag = false;
    bool noBackup = false;
    std::string direction;  // copy: v1-to-v2 or v2-to-v1
    std::string codePage = std::string(core::TextCodec::kDefaultCodePage);
};

// The rows of one FILE argument: a plain file alone, or every track of a
// packed file with `row` the chosen one.
struct Target {
    core::FolderRows rows;
    std::size_t row = 0;
    bool packed = false;
    std::string packedPath;
    core::ContainerKind kind = core::ContainerKind::Plain;
    std::vector<pack::TrackSpan> spans;
};

// "x.pac.mp3#3" names track 3 of x.pac.mp3, unless a file of that whole name exists.
std::optional<std::pair<std::string, std::size_t>> PackedTrack(const std::string& argument) {
    const auto hash = argument.rfind('#');
    if (hash == std::string::npos || hash + 1 >= argument.size() || core::PathExists(argument)) return std::nullopt;
    const std::string digits = argument.substr(hash + 1);
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const auto number = static_cast<std::size_t>(std::strtoul(digits.c_str(), nullptr, 10));
    if (number == 0) return std::nullopt;
    return std::pair{argument.substr(0, hash), number};
}

std::optional<Target> LoadTarget(const std::string& argument, const core::GenreTable& genres, std::string& error) {
    Target target;
    if (const auto track = PackedTrack(argument)) {
        const std::optional<pack::PackedFileFacts> facts = pack::ReadPackedFileFacts(track->first, genres, &error);
        if (!facts) return std::nullopt;
        if (!core::IsBrowsableKind(facts->kind)) {
            error = "not a packed file whose tracks can be tagged (Pack, Zip or Lha)";
            return std::nullopt;
        }
        core::NoProgress quiet;
        pack::PackedRows packed = pack::FillPackedRows(target.rows, track->first, facts->kind, genres, quiet);
        if (!packed.opened) {
            error = "cannot be opened";
            return std::nullopt;
        }
        if (track->second > target.rows.size()) {
            error = "has " + std::to_string(target.rows.size()) + " tracks, not " + std::to_string(track->second);
            return std::nullopt;
        }
        target.row = track->second - 1;
        target.packed = true;
        target.packedPath = track->first;
        target.kind = facts->kind;
        target.spans = std::move(packed.spans);
        return target;
    }

    struct stat info {};
    if (::stat(argument.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "not a file that can be opened";
        return std::nullopt;
    }
    const std::string folder = core::FolderOf(argument);
    target.rows.folder = folder == "/" ? folder : folder + "/";
    core::FileRecord record;
    record.text(core::FileColumn::FileName) = core::BaseName(argument);
    target.rows.append(std::move(record));
    core::FillRow(target.rows, 0, genres);
    if (target.rows.files[0].icon == core::FileIcon::CannotOpen) {
        error = "cannot be opened";
        return std::nullopt;
    }
    return target;
}

void MarkRemoved(core::FolderRows& rows, TagList list, std::size_t row) {
    if (list == TagList::Id3v1) {
        rows.id3v1[row].tagMark = 0;
        rows.id3v1[row].image = core::kEditedImage;
    } else {
        rows.id3v2[row].tagMark = 0;
        rows.id3v2[row].image = core::kEditedImage;
    }
}

// Saves the edited rows of one target; false, with the reasons on err, when
// the file was not saved.
bool Save(const Target& target, const std::string& argument, const tags::TagSaveOptions& options, std::ostream& out,
          std::ostream& err) {
    if (!tags::HasRowsToSave(target.rows, options.variant)) {
        out << argument << ": unchanged\n";
        return true;
    }
    core::NoProgress progress;
    const tags::TagSaveOutcome outcome =
        target.packed ? tags::SavePackedTags(target.packedPath, target.kind, target.rows, target.spans, options, progress)
                      : tags::SaveTags(target.rows, options, progress);
    if (outcome.status == tags::TagSaveOutcome::Status::Done && outcome.problems.empty()) {
        out << argument << ": saved\n";
        return true;
    }
    if (!outcome.problems.empty()) {
        for (const tags::TagSaveProblem& problem : outcome.problems) err << argument << ": " << problem.message << '\n';
    } else {
        err << argument << ": " << (outcome.message.empty() ? "not saved" : outcome.message) << '\n';
    }
    return false;
}

// Loads each FILE's rows, lets `edit` change them and saves them; 1 when any
// file could not be loaded or saved (each named on err), else 0.
int EditAndSaveEach(const std::vector<std::string>& files, const core::GenreTable& genres,
                    const tags::TagSaveOptions& options, const std::function<void(Target&, const std::string& argument)>& edit, std::ostream& out,
                    std::ostream& err) {
    int status = 0;
    for (const std::string& argument : files) {
        std::string error;
        std::optional<Target> target = LoadTarget(argument, genres, error);
        if (!target) {
            err << argument << ": " << error << '\n';
            status = kFailure;
            continue;
        }
        edit(*target, argument);
        if (!Save(*target, argument, options, out, err)) status = kFailure;
    }
    return status;
}

tags::TagSaveOptions SaveOptions(const TagCommandOptions& o, tags::TagVariant variant, const core::GenreTable& genres) {
    tags::TagSaveOptions options;
    options.variant = variant;
    options.supportTagOnly = o.supportTagOnly;
    options.unicodeText = o.unicodeTag;
    options.keepBackup = !o.noBackup;
    options.genres = &genres;
    return options;
}

int RunSet(const TagCommandOptions& o, std::ostream& out, std::ostream& err) {
    const tags::TagVariant variant = o.v1 ? tags::TagVariant::Id3v1 : o.v2 ? tags::TagVariant::Id3v2 : tags::TagVariant::Both;
    const bool toV1 = variant != tags::TagVariant::Id3v2;
    const bool toV2 = variant != tags::TagVariant::Id3v1;
    if (o.v1) {
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            if (o.given[f]->count() > 0 && !kFields[f].inId3v1) {
                err << "tag set: " << kFields[f].name << " has no ID3v1 field; leave out --v1\n";
                return kUsage;
            }
        }
    }
    if ((o.removeV1 && !toV1) || (o.removeV2 && !toV2)) {
        err << "tag set: --remove-v1/--remove-v2 need the tag they remove among --v1/--v2/--both\n";
        return kUsage;
    }

    core::SetLegacyCodePage(o.codePage);
    const core::GenreTable genres;
    const tags::TagSaveOptions options = SaveOptions(o, variant, genres);
    const auto editFields = [&](Target& target, const std::string& argument) {
        const tags::TagRows edit{target.rows, genres};
        for (std::size_t f = 0; f < kFieldCount; ++f) {
            if (o.given[f]->count() == 0) continue;
            if (toV1 && kFields[f].inId3v1 && !o.removeV1) {
                // A text the ID3v1 field cannot hold at all (a genre outside
                // the table, a track without digits) would only erase it.
                if (!o.values[f].empty() && tags::FitId3v1Text(o.values[f], kFields[f].column, genres).empty()) {
                    err << argument << ": " << kFields[f].name << ": no ID3v1 form; the ID3v1 field is kept\n";
                } else {
                    tags::SetCell(edit, TagList::Id3v1, target.row, kFields[f].column, o.values[f]);
                }
            }
            if (toV2 && !o.removeV2) tags::SetCell(edit, TagList::Id3v2, target.row, kFields[f].column, o.values[f]);
        }
        if (o.removeV1) MarkRemoved(target.rows, TagList::Id3v1, target.row);
        if (o.removeV2) MarkRemoved(target.rows, TagList::Id3v2, target.row);
    };
    return EditAndSaveEach(o.files, genres, options, editFields, out, err);
}

int RunCopy(const TagCommandOptions& o, std::ostream& out, std::ostream& err) {
    const bool intoV2 = o.direction == "v1-to-v2";
    core::SetLegacyCodePage(o.codePage);
    const core::GenreTable genres;
    const tags::TagSaveOptions options =
        SaveOptions(o, intoV2 ? tags::TagVariant::Id3v2 : tags::TagVariant::Id3v1, genres);
    return EditAndSaveEach(
        o.files, genres, options,
        [&](Target& target, const std::string&) {
            tags::CopyFromOtherTag({target.rows, genres}, intoV2 ? TagList::Id3v2 : TagList::Id3v1, {target.row});
        },
        out, err);
}

constexpr const char* kSetDetails =
    "Reads each FILE's tags as the file list does, changes the named fields and\n"
    "saves: with --both (default) the ID3v1 fields among them go to the ID3v1\n"
    "tag and all of them to the ID3v2 tag; --v1 or --v2 edits and saves only that\n"
    "tag. Fields not named keep their values; naming a field of a tag the file\n"
    "lacks gives the file that tag. ID3v1 texts are fitted as the ID3v1 page\n"
    "fits them (30/30/30/28 bytes, digits only in track and year). FILE#N names\n"
    "track N of a packed file (Pack, Zip or Lha), which is rewritten whole; its\n"
    "old version is kept as FILE.bak unless --no-backup.\n"
    "\n"
    "A plain file is written complete under a temporary name beside it and renamed\n"
    "over it; a file that cannot be saved is left as it was.\n"
    "Exit status: 0 success; 1 when any file was not saved (each named on standard\n"
    "error with the reason); 2 for a usage error.";

constexpr const char* kCopyDetails =
    "Copies every non-empty field (artist, title, album, track, year, comment,\n"
    "genre) of one tag into the other, as \"Copy From ID3v1/ID3v2\" of the tag\n"
    "pages does, and saves the tag copied into. A file whose source tag is absent\n"
    "is left unchanged. FILE#N names track N of a packed file.\n"
    "Exit status as for `tag set`.";

void AddCommonOptions(CLI::App& cmd, TagCommandOptions& o) {
    cmd.add_flag("--no-backup", o.noBackup, "packed files: delete the .bak copy after a complete save");
    cmd.add_flag("--support-tag-only", o.supportTagOnly,
                 "ID3v2: keep only the program's own frames of the old tag besides the fields");
    cmd.add_flag("--unicode-tag", o.unicodeTag, "ID3v2: write every text beyond ASCII as UTF-16, not in the code page");
    AddCodePageOption(cmd, o.codePage, "code page of ID3v1 and legacy ID3v2 text (default CP932)");
    cmd.add_option("FILE", o.files, "MP3 files, or PACKED#N for track N of a packed file")
        ->type_name("")
        ->required();
}

}  // namespace

void AddTagCommand(CLI::App& app, CommandContext& context) {
    CLI::App* tag = app.add_subcommand("tag", "edit and save the ID3v1 and ID3v2 tags of MP3 files");
    tag->require_subcommand(1);

    auto set = std::make_shared<TagCommandOptions>();
    CLI::App* setCmd = tag->add_subcommand("set", "set tag fields and save");
    setCmd->footer(kSetDetails);
    CLI::Option* v1 = setCmd->add_flag("--v1", set->v1, "edit and save the ID3v1 tag only");
    CLI::Option* v2 = setCmd->add_flag("--v2", set->v2, "edit and save the ID3v2 tag only");
    CLI::Option* both = setCmd->add_flag("--both", set->both, "both tags (default)");
    v1->excludes(v2)->excludes(both);
    v2->excludes(both);
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        set->given[f] = setCmd->add_option(kFields[f].name, set->values[f], kFields[f].help)->type_name("TEXT");
    }
    setCmd->add_flag("--remove-v1", set->removeV1, "remove the ID3v1 tag");
    setCmd->add_flag("--remove-v2", set->removeV2, "remove the ID3v2 tag");
    AddCommonOptions(*setCmd, *set);
    setCmd->callback([set, &context] { context.exitStatus = RunSet(*set, context.out, context.err); });

    auto copy = std::make_shared<TagCommandOptions>();
    CLI::App* copyCmd = tag->add_subcommand("copy", "copy one tag's fields into the other and save");
    copyCmd->footer(kCopyDetails);
    copyCmd->add_option("DIRECTION", copy->direction, "v1-to-v2 or v2-to-v1")
        ->type_name("")
        ->required()
        ->check(CLI::IsMember({"v1-to-v2", "v2-to-v1"}));
    AddCommonOptions(*copyCmd, *copy);
    copyCmd->callback([copy, &context] { context.exitStatus = RunCopy(*copy, context.out, context.err); });
}

}  // namespace quilto::cli
