// Saving edited tags into the tracks of a packed file. The whole file is
// rebuilt under a temporary name beside it, reading the original, which is
// moved to its backup name only once the new file is complete; the new file
// then takes the original's name. Nothing but the edited tracks' tags
// changes: the head tag, the track directory's names and flags, the added
// frames, the trailer, archive names and dates and the file's own trailing
// ID3v1 tag are carried over as they are.
#include <optional>

#include "core/FileAnalysis.h"
#include "core/Id3v1.h"
#include "core/Id3v2Writer.h"
#include "core/InputFile.h"
#include "core/NumberText.h"
#include "pack/PackedRewrite.h"
#include "pack/TrackTags.h"
#include "tags/SaveTags.h"

namespace quilto::tags {

namespace {

using Status = TagSaveOutcome::Status;
using core::Bytes;

bool EditsId3v1(TagVariant variant) { return variant == TagVariant::Id3v1 || variant == TagVariant::Both; }
bool EditsId3v2(TagVariant variant) { return variant == TagVariant::Id3v2 || variant == TagVariant::Both; }

bool V1Edited(const core::FolderRows& rows, std::size_t i, TagVariant variant) {
    return EditsId3v1(variant) && rows.id3v1[i].image == core::kEditedImage;
}
bool V2Edited(const core::FolderRows& rows, std::size_t i, TagVariant variant) {
    return EditsId3v2(variant) && rows.id3v2[i].image == core::kEditedImage;
}

using pack::RewriteLayout;
using TrackPlan = pack::RewriteTrack;

// The new ID3v2 tag of row i over the old one; false with the reason.
bool BuildTag(const core::InputFile& file, const core::FolderRows& rows, std::size_t i, const TrackPlan& plan,
              const TagSaveOptions& options, const core::TextCodec& codec, Bytes& tag, std::string& error) {
    tag.clear();
    if (rows.id3v2[i].tagMark != 1) return true;
    if (plan.oldTag > core::kMaxTagRead) {
        error = "its ID3v2 tag is too large to be rebuilt";
        return false;
    }
    const Bytes old = file.readBytesAt(plan.span.start, static_cast<std::size_t>(plan.oldTag));
    if (old.size() != plan.oldTag) {
        error = "its ID3v2 tag cannot be read";
        return false;
    }
    core::Id3v2WriteOptions writeOptions;
    writeOptions.supportTagOnly = options.supportTagOnly;
    writeOptions.unicodeText = options.unicodeText;
    writeOptions.codec = &codec;
    core::Id3v2BuildResult built = core::BuildId3v2(rows.id3v2[i].tag, old, writeOptions);
    if (!built.ok()) {
        error = built.error;
        return false;
    }
    tag = std::move(built.tag);
    return true;
}

// The new tags of one track; false with the reason when one of them cannot
// be built (the track then stays as it is).
bool PlanTags(const core::InputFile& file, const core::FolderRows& rows, std::size_t i, const TagSaveOptions& options,
              const core::TextCodec& codec, TrackPlan& plan, std::string& error) {
    const bool v1 = V1Edited(rows, i, options.variant);
    const bool v2 = V2Edited(rows, i, options.variant);
    if (!v1 && !v2) return true;
    plan.oldTag = pack::TrackTagLength(file, plan.span);
    const std::uint64_t size = plan.span.end - plan.span.start;
    if (size - plan.oldTag >= core::kId3v1Size &&
        core::StartsWith(file.readBytesAt(plan.span.end - core::kId3v1Size, 3), "TAG")) {
        plan.oldV1 = core::kId3v1Size;
    }
    if (v2) {
        Bytes tag;
        if (!BuildTag(file, rows, i, plan, options, codec, tag, error)) return false;
        plan.replaceTag = true;
        plan.newTagSize = tag.size();
    }
    if (v1) {
        if (rows.id3v1[i].tagMark != 1) {
            plan.newV1.emplace();
        } else {
            try {
                const core::Id3v1Block block = core::BuildId3v1(rows.id3v1[i].tag, *options.genres, codec);
                plan.newV1.emplace(block.bytes.begin(), block.bytes.end());
            } catch (const core::InvalidNumber&) {
                error = "the ID3v1 track number \"" + rows.id3v1[i].tag.track + "\" is not a number from 0 to 255";
                return false;
            }
        }
    }
    plan.rewritten = true;
    return true;
}

TagSaveOutcome Failed(std::string message) {
    TagSaveOutcome outcome;
    outcome.status = Status::Failed;
    outcome.message = std::move(message);
    return outcome;
}

// Done with every problem named in one text.
void Summarize(TagSaveOutcome& outcome) {
    for (const TagSaveProblem& problem : outcome.problems) {
        if (!outcome.message.empty()) outcome.message += "\n";
        outcome.message += pack::ShortName(problem.path);
        outcome.message += ": " + problem.message;
    }
}

}  // namespace

TagSaveOutcome SavePackedTags(const std::string& packedPath, core::ContainerKind kind, const core::FolderRows& rows,
                              const std::vector<pack::TrackSpan>& spans, const TagSaveOptions& options,
                              core::Progress& progress, const pack::OutputFactory& openOutput) {
    if (kind != core::ContainerKind::Pack && kind != core::ContainerKind::Zip && kind != core::ContainerKind::Lzh) {
        return Failed("Tags can be saved only into the tracks of Pack, Zip and Lha packed files");
    }
    if (!options.genres) return Failed("No genre table was given");
    if (rows.size() != spans.size() || rows.id3v1.size() != rows.size() || rows.id3v2.size() != rows.size()) {
        return Failed("The track rows of " + packedPath + " do not match its tracks; nothing was saved");
    }
    bool edited = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        edited = edited || V1Edited(rows, i, options.variant) || V2Edited(rows, i, options.variant);
    }
    if (!edited) return {};

    const core::TextCodec& codec = options.codec ? *options.codec : core::LegacyCodec();
    std::string reason;
    std::optional<core::InputFile> file = core::InputFile::Open(packedPath, &reason);
    if (!file) return Failed("Cannot open " + packedPath + ": " + reason);

    std::vector<TrackPlan> plans;
    RewriteLayout layout;
    if (!pack::ReadRewriteLayout(*file, packedPath, kind, spans, plans, layout, reason, codec)) return Failed(reason);

    TagSaveOutcome outcome;
    bool anyRewritten = false;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (!PlanTags(*file, rows, i, options, codec, plans[i], reason)) {
            outcome.problems.push_back({i, packedPath + "/" + plans[i].name, reason});
            // The track stays as it is, both of its tags included.
            plans[i].rewritten = false;
            continue;
        }
        if (plans[i].rewritten) {
            outcome.savedRows.push_back(i);
            anyRewritten = true;
        }
    }
    if (!anyRewritten) {
        Summarize(outcome);
        return outcome;
    }

    const pack::TagBuilder buildTag = [&](std::size_t i, Bytes& tag, std::string& error) {
        return BuildTag(*file, rows, i, plans[i], options, codec, tag, error);
    };
    pack::RewriteResult result = pack::RewritePackedFile(packedPath, file, kind, layout, plans, buildTag,
                                                         options.keepBackup, progress, openOutput, codec);
    outcome.backupPath = result.backupPath;
    if (result.status != pack::RewriteStatus::Done) {
        outcome.status = result.status == pack::RewriteStatus::Cancelled ? Status::Cancelled : Status::Failed;
        outcome.savedRows.clear();
        outcome.problems.clear();
        outcome.message = std::move(result.message);
        return outcome;
    }
    Summarize(outcome);
    return outcome;
}

}  // namespace quilto::tags
