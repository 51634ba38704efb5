#include "rename/PackedNames.h"

#include <optional>

#include "core/InputFile.h"

namespace quilto::rename {

namespace {

PackedRenameOutcome Failed(std::string message) {
    PackedRenameOutcome outcome;
    outcome.status = pack::RewriteStatus::Failed;
    outcome.message = std::move(message);
    return outcome;
}

}  // namespace

PackedRenameOutcome RewritePackedNames(const std::string& packedPath, core::ContainerKind kind,
                                       core::FolderRows& rows, const std::vector<pack::TrackSpan>& spans,
                                       bool keepBackup, core::Progress& progress,
                                       const pack::OutputFactory& openOutput, const core::TextCodec& codec) {
    if (kind != core::ContainerKind::Pack && kind != core::ContainerKind::Zip && kind != core::ContainerKind::Lzh) {
        return Failed("Tracks can be renamed only inside Pack, Zip and Lha packed files");
    }
    if (rows.rename.size() != spans.size()) {
        return Failed("The track rows of " + packedPath + " do not match its tracks; nothing was renamed");
    }
    std::vector<std::size_t> renamed;
    for (std::size_t i = 0; i < rows.rename.size(); ++i) {
        const core::RenameRow& row = rows.rename[i];
        if (row.image == core::kEditedImage && row.to != row.from) renamed.push_back(i);
    }
    if (renamed.empty()) return {};

    std::string reason;
    std::optional<core::InputFile> file = core::InputFile::Open(packedPath, &reason);
    if (!file) return Failed("Cannot open " + packedPath + ": " + reason);
    std::vector<pack::RewriteTrack> tracks;
    pack::RewriteLayout layout;
    if (!pack::ReadRewriteLayout(*file, packedPath, kind, spans, tracks, layout, reason, codec)) {
        return Failed(reason);
    }
    for (const std::size_t i : renamed) {
        const std::string& name = rows.rename[i].to;
        // A name the code page cannot hold would be stored as something else.
        if (name.empty() || !codec.encode(name).lossless) {
            return Failed("The name \"" + name + "\" cannot be stored in " + packedPath + "; nothing was renamed");
        }
        tracks[i].name = name;
    }

    const pack::RewriteResult result =
        pack::RewritePackedFile(packedPath, file, kind, layout, tracks, {}, keepBackup, progress, openOutput, codec);
    PackedRenameOutcome outcome;
    outcome.status = result.status;
    outcome.message = result.message;
    outcome.backupPath = result.backupPath;
    if (result.status != pack::RewriteStatus::Done) return outcome;
    for (const std::size_t i : renamed) {
        core::RenameRow& row = rows.rename[i];
        row.from = row.to;
        row.image = core::kNoImage;
        if (i < rows.files.size()) rows.files[i].text(core::FileColumn::FileName) = row.to;
    }
    outcome.renamedRows = std::move(renamed);
    return outcome;
}

}  // namespace quilto::rename
