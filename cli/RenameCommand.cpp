// `quilto-cli rename`: new file names from a format, replace pairs or a
// conversion; shown as a plan, applied on request, and undone from the
// journal of the last applied run.
#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "core/FilePlacement.h"
#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "rename/ApplyRenames.h"
#include "rename/FormatTemplate.h"
#include "rename/RenameCheck.h"
#include "rename/RenameJournal.h"
#include "rename/RenameOptions.h"
#include "rename/ReplaceConvert.h"

namespace quilto::cli {

namespace {

struct RenameCommandOptions {
    std::optional<std::string> format;
    std::vector<std::string> replace;
    std::optional<std::string> convert;
    bool matchCase = false;
    bool apply = false;
    bool undo = false;
    std::vector<std::string> paths;
};

// Tabs and line breaks inside a name would break the plan's lines.
std::string Cell(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

// One folder's rows and which of them the command line named.
struct FolderPlan {
    core::FolderRows rows;
    std::vector<std::string> names;  // empty: the whole folder
    std::vector<std::size_t> selected;
};

std::vector<FolderPlan> GroupPaths(const std::vector<std::string>& paths, std::ostream& err, bool& failed) {
    std::vector<FolderPlan> plans;
    auto planFor = [&](const std::string& folder) -> FolderPlan& {
        for (FolderPlan& p : plans) {
            if (p.rows.folder == folder) return p;
        }
        plans.emplace_back();
        plans.back().rows.folder = folder;
        return plans.back();
    };
    for (const std::string& path : paths) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            err << path << ": no such file or folder\n";
            failed = true;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            FolderPlan& p = planFor(path.back() == '/' ? path : path + "/");
            p.names.clear();
            p.names.push_back({});  // the marker of a whole folder
        } else {
            FolderPlan& p = planFor(core::FolderOf(path) + "/");
            p.names.push_back(core::BaseName(path));
        }
    }
    for (FolderPlan& p : plans) {
        const std::string folder = p.rows.folder;
        if (!core::ScanFolder(p.rows, folder)) {
            err << folder << ": cannot read the folder\n";
            failed = true;
            continue;
        }
        const bool whole = std::find(p.names.begin(), p.names.end(), std::string()) != p.names.end();
        for (std::size_t i = 0; i < p.rows.size(); ++i) {
            if (whole || std::find(p.names.begin(), p.names.end(), p.rows.files[i].fileName()) != p.names.end()) {
                p.selected.push_back(i);
            }
        }
        if (!whole) {
            for (const std::string& name : p.names) {
                const bool found = std::any_of(p.selected.begin(), p.selected.end(),
                                               [&](std::size_t i) { return p.rows.files[i].fileName() == name; });
                if (!found) {
                    err << folder << name << ": not an MP3 file\n";
                    failed = true;
                }
            }
        }
    }
    return plans;
}

int RunUndo(std::ostream& out, std::ostream& err) {
    const std::string path = rename::DefaultJournalPath();
    std::string error;
    const std::optional<rename::RenameJournal> journal = path.empty() ? std::nullopt : rename::ReadJournal(path, error);
    if (!journal) {
        err << "quilto-cli rename: " << (path.empty() ? "no home folder for the journal" : error) << '\n';
        return 1;
    }
    const rename::UndoOutcome undone = rename::UndoRenames(*journal);
    for (auto it = journal->entries.rbegin(); it != journal->entries.rend(); ++it) {
        const bool refused = std::find(undone.refused.begin(), undone.refused.end(), *it) != undone.refused.end();
        if (!refused) out << Cell(it->folder + it->newName) << '\t' << Cell(it->folder + it->oldName) << '\n';
    }
    for (const std::string& message : undone.messages) err << message << '\n';
    if (undone.refused.empty()) {
        std::remove(path.c_str());
        return 0;
    }
    // What was refused stays in the journal for another try.
    if (!rename::WriteJournal(path, rename::RenameJournal{undone.refused}, error)) err << error << '\n';
    return 1;
}

int RunRename(const RenameCommandOptions& options, std::ostream& out, std::ostream& err) {
    if (options.undo) return RunUndo(out, err);

    const rename::RenameOptions renameOptions;
    std::optional<rename::TextOperation> operation;
    std::vector<rename::FormatStep> steps;
    if (options.format) {
        const rename::ParsedTemplate parsed = rename::ParseFormatTemplate(*options.format, renameOptions.timeSeparator);
        if (!parsed.ok()) throw CLI::ValidationError("--format", parsed.error);
        steps = parsed.steps;
    } else if (options.convert) {
        const std::optional<rename::Conversion> conversion = rename::ConversionFromName(*options.convert);
        if (!conversion) throw CLI::ValidationError("--convert", "unknown conversion " + *options.convert);
        operation = rename::TextOperation::Converting(*conversion, renameOptions.wordDelimiters);
    }

    bool failed = false;
    std::vector<FolderPlan> plans = GroupPaths(options.paths, err, failed);
    const core::GenreTable genres;
    bool problem = false;
    for (FolderPlan& p : plans) {
        for (const std::size_t i : p.selected) core::FillRow(p.rows, i, genres);
        if (options.format) {
            rename::ComposeNames(steps, p.rows, p.selected, renameOptions.timeSeparator);
        } else {
            for (const std::size_t i : p.selected) {
                core::RenameRow& row = p.rows.rename[i];
                if (row.excluded()) continue;
                std::string name = row.fileName;
                if (operation) {
                    rename::Apply(*operation, name);
                } else {
                    for (const std::string& pair : options.replace) {
                        const std::size_t eq = pair.find('=');
                        rename::ReplacePairs(name, pair.substr(0, eq), pair.substr(eq + 1), options.matchCase);
                    }
                }
                if (name != row.fileName) {
                    row.fileName = std::move(name);
                    row.stateImage = core::kNoImage;
                    row.image = core::kEditedImage;
                }
            }
        }
        problem = rename::CheckRenames(p.rows.rename, rename::SourceColumn::FileName, renameOptions.extensionCase) ||
                  problem;
        for (const std::size_t i : p.selected) {
            const core::RenameRow& row = p.rows.rename[i];
            if (row.excluded()) {
                err << p.rows.folder << row.from << ": cannot be read\n";
                failed = true;
            }
            if (row.image != core::kEditedImage) continue;
            out << Cell(p.rows.folder + row.from) << '\t' << Cell(p.rows.folder + row.to) << '\t' << row.message
                << '\n';
        }
    }
    if (!options.apply) return failed || problem ? 1 : 0;
    if (problem || failed) {
        err << "quilto-cli rename: nothing was renamed; resolve the problems shown first\n";
        return 1;
    }

    rename::RenameJournal journal;
    for (FolderPlan& p : plans) {
        const rename::ApplyOutcome outcome = rename::ApplyRenames(p.rows);
        // Absolute, so that --undo works from any working folder.
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(p.rows.folder, ec);
        rename::AddToJournal(journal, ec ? p.rows.folder : absolute.string(), outcome);
        if (outcome.failed()) {
            err << outcome.message << '\n';
            failed = true;
        }
    }
    if (!journal.entries.empty()) {
        const std::string path = rename::DefaultJournalPath();
        std::string error;
        if (path.empty() || !rename::WriteJournal(path, journal, error)) {
            err << "quilto-cli rename: the files were renamed, but no journal could be written for --undo"
                << (error.empty() ? "" : ": " + error) << '\n';
            failed = true;
        }
    }
    return failed ? 1 : 0;
}

std::string Details() {
    std::string text =
        "New names for MP3 files, made by one of:\n"
        "  --format TEMPLATE  a format of placeholders and literal text;\n"
        "  --replace FROM=TO  wildcard replace pairs (* any run, ? one character;\n"
        "                     FROM and TO may hold alternatives separated by |),\n"
        "                     applied in the order given;\n"
        "  --convert KIND     a conversion.\n"
        "They act on the name without its extension, which is kept. A PATH is a\n"
        "folder (its MP3 files) or a file.\n"
        "\n"
        "Without --apply the plan is printed (current path, new path, the check's\n"
        "problems; tab-separated) and nothing changes. With --apply the files are\n"
        "renamed, unless the check finds any problem: then nothing is renamed.\n"
        "A rename never replaces an existing file. Renaming one file to another's\n"
        "current name (chains and swaps) is refused by the check. Each applied run\n"
        "is recorded in $XDG_DATA_HOME/quilto/rename-journal (or\n"
        "~/.local/share/quilto/); --undo alone renames the files of the last run\n"
        "back, refusing any file that changed since or whose old name is taken.\n"
        "\n"
        "Placeholders of --format ({{ and }} are literal braces):\n";
    text += rename::FormatTemplateHelp();
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += "\nConversions of --convert:\n";
    for (const rename::ConversionInfo& info : rename::Conversions()) {
        text += "  " + std::string(info.name) + "  (" + std::string(info.groupCaption) + " > " +
                std::string(info.caption) + ")\n";
    }
    text += "\nExit status: 0 success, 1 when the check found a problem or any file\nfailed, 2 for a usage error.";
    return text;
}

}  // namespace

void AddRenameCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RenameCommandOptions>();
    CLI::App* cmd = app.add_subcommand("rename", "rename MP3 files by format, replace pairs or a conversion");
    cmd->footer(Details());
    CLI::Option* format = cmd->add_option("--format", options->format, "compose names from TEMPLATE")
                              ->type_name("TEMPLATE");
    CLI::Option* replace =
        cmd->add_option("--replace", options->replace, "replace FROM by TO in names (repeatable)")
            ->type_name("FROM=TO")
            ->allow_extra_args(false)  // one pair per --replace; a PATH after it is a PATH
            ->check([](const std::string& pair) -> std::string {
                return pair.find('=') == std::string::npos || pair.front() == '=' ? "expected FROM=TO" : "";
            });
    CLI::Option* convert = cmd->add_option("--convert", options->convert, "convert names (see below)")
                               ->type_name("KIND")
                               ->check([](const std::string& name) -> std::string {
                                   return rename::ConversionFromName(name) ? "" : "unknown conversion " + name;
                               });
    cmd->add_flag("--match-case", options->matchCase, "--replace tells upper and lower case apart");
    CLI::Option* apply = cmd->add_flag("--apply", options->apply, "rename the files (default: print the plan)");
    CLI::Option* undo = cmd->add_flag("--undo", options->undo, "rename the files of the last applied run back");
    CLI::Option* paths = cmd->add_option("PATH", options->paths, "folders or MP3 files")->type_name("");
    format->excludes(replace)->excludes(convert)->excludes(undo);
    replace->excludes(convert)->excludes(undo);
    convert->excludes(undo);
    undo->excludes(apply)->excludes(paths);
    cmd->callback([options, &context] {
        if (!options->undo) {
            if (!options->format && options->replace.empty() && !options->convert) {
                throw CLI::RequiredError("one of --format, --replace, --convert or --undo");
            }
            if (options->paths.empty()) throw CLI::RequiredError("PATH");
        }
        context.exitStatus = RunRename(*options, context.out, context.err);
    });
}

}  // namespace quilto::cli
