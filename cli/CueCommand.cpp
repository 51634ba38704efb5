// `quilto-cli cue`: cue sheets without a window. `export` drops full-scanned
// files on a Pack page and writes its sheet; `import` reads a sheet.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cli/CodePageOption.h"
#include "cli/Commands.h"
#include "cli/CueJson.h"
#include "cli/JsonOutput.h"
#include "cli/PackPageFromFiles.h"
#include "core/TextCodec.h"
#include "pack/CueSheet.h"
#include "pack/TrackLists.h"

namespace quilto::cli {

namespace {

// Tabs and line breaks inside a text would break the lines of the text form.
std::string TextCell(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

struct ExportOptions {
    std::string output;
    std::string codePage = std::string(core::TextCodec::kDefaultCodePage);
    std::vector<std::string> files;
};

int RunExport(const ExportOptions& options, std::ostream& err) {
    core::SetLegacyCodePage(options.codePage);
    // One drop of the files on a fresh Pack page, as the window does it.
    pack::TrackPage page;
    const PackPageFill fill = AddFilesToPackPage(page, options.files, err);
    const bool anyFailed = fill.anyFailed;
    if (fill.added == 0) {
        err << options.output << ": no track to write; nothing written\n";
        return 1;
    }
    const bool performersDiffer = pack::CueDefaults(page.header, page.cues, true);

    std::string error;
    if (!pack::ExportCueSheet(page, options.output, performersDiffer, true, error)) {
        err << options.output << ": " << error << '\n';
        return 1;
    }
    return anyFailed ? 1 : 0;
}

struct ImportOptions {
    bool json = false;
    std::string codePage = std::string(core::TextCodec::kDefaultCodePage);
    std::string file;
};

int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err) {
    core::SetLegacyCodePage(options.codePage);
    std::vector<std::string> lines;
    std::string error;
    if (!pack::LoadCueSheetFile(options.file, lines, error)) {
        err << options.file << ": " << error << '\n';
        return 1;
    }
    pack::CueHeader header;
    pack::CueList cues;
    pack::ReadCueSheet(lines, header, cues);

    if (options.json) {
        Json document = Json::object();
        document["header"] = CueHeaderJson(header);
        document["cue"] = CueRowsJson(cues);
        out << DumpJson(document) << '\n';
        return 0;
    }
    out << TextCell(header.title) << '\t' << TextCell(header.performer) << '\t' << TextCell(header.file) << '\t'
        << header.kbps << '\t' << header.hz << '\t' << header.frames << '\t' << header.time << '\n';
    for (const pack::CueRow& row : cues) {
        out << TextCell(row.performer) << '\t' << TextCell(row.title) << '\t' << row.index << '\n';
    }
    return 0;
}

constexpr const char* kExportDetails =
    "Walks every frame of the FILEs and adds them, in the order given, to the\n"
    "track list as one drop on the Pack page does: one cue track per file, its\n"
    "start the sum of the lengths before it, its title and performer from the\n"
    "file's Title and Artist. The album title is the last file's Album. An empty\n"
    "album performer becomes the tracks' common performer, or \"Various\" when\n"
    "they differ; the FILE line names \"Performer - Album.mp3\" (\"Album.mp3\"\n"
    "for Various). The sheet is written in the code page with CR LF line ends,\n"
    "REM lines included, beside OUT first and then renamed into place.\n"
    "\n"
    "A file that cannot be read or holds no MPEG audio is reported on standard\n"
    "error and left out. Exit status: 0 success, 1 when any file failed or the\n"
    "sheet could not be written, 2 for a usage error.";

constexpr const char* kImportDetails =
    "Reads a cue sheet (UTF-8 with or without BOM, or the code page; CR LF or\n"
    "LF) and prints the album header and the cue tracks it holds.\n"
    "\n"
    "Text output: one tab-separated header line (title, performer, file, kbps,\n"
    "hz, frames, time), then one line per track (performer, title, index);\n"
    "tabs and line breaks inside texts become blanks.\n"
    "--json prints {\"header\": {title, performer, file, kbps, hz, frames, time},\n"
    "\"cue\": [{performer, title, index}, ...]}.\n"
    "\n"
    "Exit status: 0 success, 1 when the sheet cannot be read, 2 for a usage error.";

}  // namespace

void AddCueCommand(CLI::App& app, CommandContext& context) {
    CLI::App* cue = app.add_subcommand("cue", "export and import cue sheets");
    cue->require_subcommand(1);

    auto exportOptions = std::make_shared<ExportOptions>();
    CLI::App* exporter = cue->add_subcommand("export", "write the cue sheet of MP3 files packed in the given order");
    exporter->footer(kExportDetails);
    exporter->add_option("-o,--output", exportOptions->output, "the cue sheet to write")->type_name("OUT.cue")->required();
    AddCodePageOption(*exporter, exportOptions->codePage, "code page of tags and of the sheet (default CP932)");
    exporter->add_option("FILE", exportOptions->files, "MP3 files, one track each")->type_name("")->required();
    exporter->callback([exportOptions, &context] { context.exitStatus = RunExport(*exportOptions, context.err); });

    auto importOptions = std::make_shared<ImportOptions>();
    CLI::App* importer = cue->add_subcommand("import", "print the album and tracks of a cue sheet");
    importer->footer(kImportDetails);
    importer->add_flag("--json", importOptions->json, "print JSON instead of tab-separated lines");
    AddCodePageOption(*importer, importOptions->codePage, "code page of a sheet that is not UTF-8 (default CP932)");
    importer->add_option("CUEFILE", importOptions->file, "the cue sheet to read")->type_name("")->required();
    importer->callback(
        [importOptions, &context] { context.exitStatus = RunImport(*importOptions, context.out, context.err); });
}

}  // namespace quilto::cli
