// The hostile corpus (tests/hostile, made by make_hostile.py): every file goes
// the whole way a file of the list goes — both tags, the first frame with
// container detection, the quick scan, then the first frame again and the full
// scan — and must come back, with results no larger than the file. Where the
// right answer is plain it is pinned.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "core/FrameScan.h"
#include "core/Id3v1.h"
#include "core/Id3v2Reader.h"
#include "core/Utf.h"

using namespace quilto;
using core::ContainerKind;
using core::StreamColumn;

namespace {

constexpr std::uint64_t kMaxFrameLength = core::FrameLength(14, 2, 1);

struct Reading {
    std::uint64_t size = 0;
    std::optional<core::Id3v1Record> v1;
    std::uint64_t tagLength = 0;
    std::size_t tagBytesRead = 0;
    std::optional<core::Id3v2Record> v2;
    ContainerKind kind = ContainerKind::Plain;
    std::uint64_t firstFrame = 0;
    core::StreamColumns quick;
    std::uint64_t scanStart = 0;
    core::StreamColumns full;
};

Reading ReadLikeTheFileList(const std::filesystem::path& path, const core::GenreTable& genres) {
    Reading r;
    std::string error;
    auto file = core::InputFile::Open(path.string(), &error);
    EXPECT_TRUE(file) << error;
    if (!file) return r;
    r.size = file->size();

    // The last 128 bytes, or what there is of them.
    const std::size_t blockSize = static_cast<std::size_t>(std::min<std::uint64_t>(r.size, core::kId3v1Size));
    core::Id3v1Record v1;
    if (core::ReadId3v1(file->readBytesAt(r.size - blockSize, blockSize), &v1, genres)) r.v1 = v1;

    r.tagLength = core::TagLength(file->readBytesAt(0, core::kId3v2HeaderSize));
    if (r.tagLength != 0) {
        const core::Bytes tag = file->readBytesAt(0, static_cast<std::size_t>(r.tagLength));
        r.tagBytesRead = tag.size();
        core::Id3v2Record v2;
        core::ReadId3v2(tag, v2, genres);
        r.v2 = v2;
    }

    file->seek(r.tagLength);
    r.kind = core::FindFirstFrame(*file, r.v2 && r.v2->albumWrap ? ContainerKind::AlbumWrap : ContainerKind::Plain);
    r.firstFrame = file->position();
    if (r.kind != ContainerKind::NoAudio) r.quick = core::QuickFrameScan(*file);

    file->seek(r.tagLength);
    core::FindFirstFrame(*file, ContainerKind::NoAudio);
    r.scanStart = file->position();
    core::NoProgress progress;
    r.full = core::FullFrameScan(*file, 0, true, progress);
    return r;
}

void ExpectBoundedByTheFile(const Reading& r) {
    EXPECT_LE(r.tagBytesRead, r.size);  // a stored size never allocates past the file
    const std::uint64_t span = r.scanStart < r.size ? r.size - r.scanStart : 0;
    EXPECT_LE(r.full.info.frames + r.full.info.otherFrames, span);
    EXPECT_LE(r.full.info.streamBytes, span + kMaxFrameLength);
    if (r.kind != ContainerKind::NoAudio && r.quick.info.headerKind == core::VbrHeaderKind::None) {
        EXPECT_LE(r.quick.info.frames, r.firstFrame < r.size ? r.size - r.firstFrame : 0);
    }
    auto texts = [](const core::StreamColumns& c) { return std::vector<std::string>(c.texts.begin(), c.texts.end()); };
    std::vector<std::string> all = texts(r.quick);
    for (auto& t : texts(r.full)) all.push_back(t);
    if (r.v1) {
        for (const auto* t : {&r.v1->artist, &r.v1->title, &r.v1->album, &r.v1->track, &r.v1->year, &r.v1->comment}) all.push_back(*t);
    }
    if (r.v2) {
        for (std::size_t i = 0; i < core::Id3v2Record::kFieldCount; ++i) all.push_back(r.v2->field(i));
    }
    for (const auto& t : all) EXPECT_TRUE(core::IsValidUtf8(t)) << "not UTF-8: " << t;
}

std::string V2(const Reading& r, std::string core::Id3v2Record::*field) {
    EXPECT_TRUE(r.v2) << "no ID3v2 tag read";
    return r.v2 ? (*r.v2).*field : std::string();
}

// The list shows no stream; the Frame Scan command, which does not detect
// containers, may still find frames behind a signature.
void NoAudio(const Reading& r) { EXPECT_EQ(r.kind, ContainerKind::NoAudio); }

void FullFrames(const Reading& r, std::uint64_t frames) {
    EXPECT_EQ(r.full.info.frames, frames);
    EXPECT_EQ(r.full.info.otherFrames, 0u);
}

void NoFramesAnywhere(const Reading& r) {
    EXPECT_EQ(r.quick.info.frames, 0u);
    EXPECT_EQ(r.full.info.frames + r.full.info.otherFrames, 0u);
    EXPECT_EQ(r.full.text(StreamColumn::Frames), "");
}

void SurvivorOnly(const Reading& r) {
    EXPECT_EQ(V2(r, &core::Id3v2Record::artist), "Survivor");
    EXPECT_EQ(V2(r, &core::Id3v2Record::title), "");
    FullFrames(r, 6);
}

void TitleAfterExtendedHeader(const Reading& r) {
    EXPECT_EQ(V2(r, &core::Id3v2Record::title), "After");
    FullFrames(r, 6);
}

const std::string kReplacement = "\xEF\xBF\xBD";

// What is clear about some files. Every other file only has to come back
// within the bounds above.
const std::map<std::string, std::function<void(const Reading&)>>& Pins() {
    using R = const Reading&;
    static const std::map<std::string, std::function<void(R)>> pins = {
        {"huge_tag_size.mp3",
         [](R r) {
             EXPECT_EQ(r.tagLength, 0x0FFFFFFFu + 10);
             EXPECT_EQ(r.tagBytesRead, r.size);
             EXPECT_EQ(V2(r, &core::Id3v2Record::title), "Title");
             NoAudio(r);
             NoFramesAnywhere(r);  // the scans start behind the end
         }},
        {"huge_tag_size_unmasked.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::title), "Title"); NoAudio(r); }},
        {"tag_size_top_bits.mp3", NoAudio},
        {"tag_length_is_file.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::title), "Whole"); NoAudio(r); }},
        {"truncated_after_header.mp3", [](R r) { EXPECT_EQ(r.v2, core::Id3v2Record{}); NoAudio(r); }},
        {"truncated_tag_header.mp3", [](R r) { EXPECT_FALSE(r.v2); NoAudio(r); }},
        {"frame_size_past_tag.mp3", SurvivorOnly},
        {"frame_size_7f7f7f7f.mp3", SurvivorOnly},
        {"frame_size_one_past.mp3", SurvivorOnly},
        {"frame_size_huge_v24.mp3", SurvivorOnly},
        {"frame_size_negative_v24.mp3", SurvivorOnly},
        {"frame_size_huge_v22.mp3", SurvivorOnly},
        {"frame_header_cut_by_tag_end.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::artist), "Survivor"); }},
        {"endless_slide_padding.mp3",
         [](R r) {
             EXPECT_EQ(r.v2, core::Id3v2Record{});
             EXPECT_EQ(r.kind, ContainerKind::Plain);
             EXPECT_EQ(r.firstFrame, r.tagLength);
             EXPECT_EQ(r.quick.info.frames, 6u);
             FullFrames(r, 6);
         }},
        {"endless_slide_ids.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::title), ""); FullFrames(r, 6); }},
        {"slide_into_frame.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::title), "Found"); }},
        {"ext_header_size_huge.mp3", TitleAfterExtendedHeader},
        {"ext_header_size_7f_v24.mp3", TitleAfterExtendedHeader},
        {"ext_header_size_negative_v24.mp3", TitleAfterExtendedHeader},
        {"ext_header_size_zero.mp3", TitleAfterExtendedHeader},
        {"ext_header_cut_short.mp3", [](R r) { EXPECT_EQ(r.v2, core::Id3v2Record{}); NoAudio(r); }},
        {"unsync_trailing_ff.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::title).substr(0, 1), "A"); }},
        {"unsync_v24_frame_flag.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::title).substr(0, 1), "A"); }},
        {"v24_data_length_past_body.mp3", SurvivorOnly},
        {"v23_compressed_frames.mp3",
         [](R r) {
             EXPECT_EQ(V2(r, &core::Id3v2Record::title), "");
             EXPECT_EQ(V2(r, &core::Id3v2Record::album), "");
         }},
        {"v22_compressed_tag.mp3", [](R r) { EXPECT_EQ(r.v2, core::Id3v2Record{}); FullFrames(r, 6); }},
        {"unknown_version_tag.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::title), "Five"); }},
        {"utf16_odd_length.mp3",
         [](R r) {
             EXPECT_EQ(V2(r, &core::Id3v2Record::title), "Ab");  // half a terminator is no character
             EXPECT_EQ(V2(r, &core::Id3v2Record::artist), kReplacement);
         }},
        {"utf16_lone_surrogates.mp3",
         [](R r) {
             EXPECT_EQ(V2(r, &core::Id3v2Record::title), "\xF0\x90\x80\x80" + kReplacement + kReplacement);
         }},
        {"cp932_cut_lead_byte.mp3",
         [](R r) {
             EXPECT_EQ(V2(r, &core::Id3v2Record::title), "\xE3\x81\x82" + kReplacement);  // "あ" and the cut byte
             EXPECT_TRUE(r.v1);
         }},
        {"tdrc_year_cut_in_character.mp3",
         [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::year), "20\xEF\xBD\xB0" "4"); }},  // "20ｰ4"
        {"v24_many_values.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::title), "a/b/c"); }},
        {"comm_short_frames.mp3",
         [](R r) {
             EXPECT_EQ(V2(r, &core::Id3v2Record::comment), "");
             EXPECT_FALSE(r.v2 && (r.v2->albumWrap || r.v2->hasCue));
         }},
        {"tcon_references.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::genre), ""); }},
        {"tcon_v24_long_number.mp3", [](R r) { EXPECT_EQ(V2(r, &core::Id3v2Record::genre), ""); }},
        {"sync_only_garbage.mp3", [](R r) { EXPECT_EQ(r.kind, ContainerKind::Plain); NoFramesAnywhere(r); }},
        {"sync_garbage_after_frames.mp3",
         [](R r) {
             FullFrames(r, 6);
             EXPECT_EQ(r.full.info.streamBytes, 6u * 417);
         }},
        {"all_zero.mp3", [](R r) { NoAudio(r); NoFramesAnywhere(r); }},
        {"reserved_rate_first_frame.mp3", [](R r) { FullFrames(r, 6); }},
        {"reserved_rate_only.mp3", [](R r) { EXPECT_EQ(r.full.info.frames, 0u); }},
        {"free_format_frames.mp3", NoFramesAnywhere},
        {"bitrate_index_15.mp3",
         [](R r) {
             EXPECT_EQ(r.quick.info.frames, 0u);  // no length to divide by
             FullFrames(r, 30);
             EXPECT_EQ(r.full.text(StreamColumn::Kbps), "0");
         }},
        {"mpeg2_first_frame.mp3", NoFramesAnywhere},
        {"layer2_after_frames.mp3", [](R r) { FullFrames(r, 12); }},
        {"frame_header_at_eof.mp3", [](R r) { FullFrames(r, 6); }},
        {"last_frame_cut.mp3",
         [](R r) {
             FullFrames(r, 7);  // the cut frame starts inside the file: counted whole
             EXPECT_EQ(r.full.info.streamBytes, 7u * 417);
         }},
        {"sync_far_away.mp3",
         [](R r) {
             EXPECT_EQ(r.firstFrame, 9000u);
             FullFrames(r, 6);
         }},
        {"xing_truncated.mp3",
         [](R r) {
             EXPECT_EQ(r.quick.info.headerKind, core::VbrHeaderKind::Xing);
             NoFramesAnywhere(r);
         }},
        {"xing_flags_only.mp3",
         [](R r) {
             EXPECT_EQ(r.quick.info.headerKind, core::VbrHeaderKind::Xing);
             NoFramesAnywhere(r);
         }},
        {"xing_huge_counts.mp3",
         [](R r) {
             EXPECT_EQ(r.quick.info.frames, 0xFFFFFFFFu);
             EXPECT_EQ(r.quick.text(StreamColumn::Frames), "4294967295");
             FullFrames(r, 6);
             EXPECT_EQ(r.full.text(StreamColumn::XingFrames), "\xE2\x89\xA0" "4294967295");
         }},
        {"info_crc_mono_short.mp3", [](R r) { EXPECT_EQ(r.quick.info.headerKind, core::VbrHeaderKind::Info); }},
        {"xing_reserved_rate.mp3",
         [](R r) {
             // The header frame cannot be measured: no jump past the real frames.
             EXPECT_EQ(r.full.info.headerKind, core::VbrHeaderKind::None);
             FullFrames(r, 6);
         }},
        {"xing_free_format.mp3",
         [](R r) {
             EXPECT_EQ(r.full.info.headerFrameLength, 1u);
             FullFrames(r, 6);
         }},
        {"stacked_id3_tags_loop.mp3",
         [](R r) {
             EXPECT_EQ(r.kind, ContainerKind::Plain);
             EXPECT_EQ(r.firstFrame, r.tagLength + 7000);
             FullFrames(r, 6);
         }},
        {"stacked_id3_huge_size.mp3", [](R r) { EXPECT_EQ(r.kind, ContainerKind::Plain); }},
        {"stacked_id3_truncated.mp3", NoAudio},
        {"lzh_header_size_far.mp3", NoAudio},
        {"lzh_header_size_zero.mp3",
         [](R r) {
             EXPECT_EQ(r.kind, ContainerKind::Lzh);
             EXPECT_EQ(r.firstFrame, 27u);
         }},
        {"lzh_method_cut.mp3", NoAudio},
        {"zip_signature_no_audio.mp3", NoAudio},
        {"pack_signature_then_audio.mp3",
         [](R r) {
             EXPECT_EQ(r.kind, ContainerKind::Pack);
             EXPECT_EQ(r.firstFrame, 64u);
         }},
        {"foreign_index_cut.mp3", NoAudio},
        {"foreign_index_one_mark.mp3",
         [](R r) {
             EXPECT_EQ(r.kind, ContainerKind::Plain);
             EXPECT_EQ(r.firstFrame, 42u);
         }},
        {"id3v1_shorter_than_block.mp3", [](R r) { EXPECT_FALSE(r.v1); }},
        {"id3v1_all_ff.mp3",
         [](R r) {
             ASSERT_TRUE(r.v1);
             EXPECT_EQ(r.v1->genre, "");
             EXPECT_EQ(r.v1->track, "");
         }},
    };
    return pins;
}

std::vector<std::filesystem::path> CorpusFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(QUILTO_HOSTILE_DIR)) {
        if (entry.is_regular_file() && entry.path().extension() == ".mp3") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(HostileCorpus, HoldsEveryPinnedFile) {
    const auto files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << "no .mp3 files in " << QUILTO_HOSTILE_DIR << " (run make_hostile.py)";
    std::set<std::string> names;
    for (const auto& path : files) names.insert(path.filename().string());
    for (const auto& [name, check] : Pins()) EXPECT_TRUE(names.count(name)) << name << " is missing";
}

TEST(HostileCorpus, EveryFileReadsToTheEndWithinItsBounds) {
    const auto files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << "no .mp3 files in " << QUILTO_HOSTILE_DIR;
    const core::GenreTable genres;
    for (const auto& path : files) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        const auto started = std::chrono::steady_clock::now();
        const Reading r = ReadLikeTheFileList(path, genres);
        // A few KB take microseconds; seconds mean a walk gone quadratic.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        ExpectBoundedByTheFile(r);
        if (const auto pin = Pins().find(name); pin != Pins().end()) pin->second(r);
    }
}
