#include "cli/PackPageFromFiles.h"

#include <utility>

#include "core/FileAnalysis.h"
#include "core/FileColumns.h"
#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "core/Progress.h"

namespace quilto::cli {

PackPageFill AddFilesToPackPage(pack::TrackPage& page, const std::vector<std::string>& files, std::ostream& err) {
    PackPageFill fill;
    const core::GenreTable genres;
    core::NoProgress progress;

    // Each file as a frame-scanned row of the file list, its path as its name.
    core::FolderRows rows;
    for (const std::string& path : files) {
        const core::FileAnalysis analysis = core::AnalyseFile(path, core::ScanDepth::Full, genres, progress);
        if (!analysis.opened) {
            err << path << ": " << analysis.error << '\n';
            fill.anyFailed = true;
            continue;
        }
        core::FileRecord record;
        record.texts = core::MakeFileColumnTexts(analysis);
        record.text(core::FileColumn::FileName) = path;
        record.fileSize = analysis.fileSize;
        record.modificationTime = analysis.modificationTime;
        record.tagLength = analysis.tagLength;
        record.containerKind = analysis.containerKind;
        record.stream = analysis.stream.info;
        if (record.text(core::FileColumn::Frames).empty() || record.text(core::FileColumn::Hz).empty()) {
            err << path << ": no MPEG audio frames found; not added\n";
            fill.anyFailed = true;
            continue;
        }
        rows.append(std::move(record));
    }
    if (rows.size() == 0) return fill;

    // One drop of all the rows, as the window does it.
    std::vector<std::size_t> all(rows.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    pack::AddFilesToPackList(page, pack::FileListSource{rows, all, {}, {}});
    fill.added = rows.size();
    return fill;
}

}  // namespace quilto::cli
