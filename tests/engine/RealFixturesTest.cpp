// Real lame output, tagged by other programs (id3lib's id3v2, mutagen, eyeD3,
// lame itself), read the way the file list and the "Frame Scan" command read
// it, and compared with what independent readers found in the same files:
// tests/fixtures/expected.tsv, written by tests/fixtures/make_fixtures.sh
// from the encoder's Xing/Info fields, a byte-level frame walk and mutagen.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "core/FrameScan.h"
#include "core/GenreTable.h"
#include "core/Id3v1.h"
#include "core/Id3v2Reader.h"
#include "core/InputFile.h"
#include "core/NumberText.h"
#include "support/FixtureFacts.h"

using namespace quilto;

namespace {

// Listed here rather than taken from the directory or the table, so that a
// lost file fails its own test instead of silently dropping out.
constexpr std::array<std::string_view, 27> kFixtures = {
    "cbr112_48k_info.mp3",
    "cbr128_dual_info.mp3",
    "cbr128_joint_info.mp3",
    "cbr128_no_vbr_header.mp3",
    "cbr128_stereo_info.mp3",
    "cbr64_mono_info.mp3",
    "cbr96_32k_info.mp3",
    "crc_cbr_info.mp3",
    "crc_mono_cbr_info.mp3",
    "crc_vbr_xing.mp3",
    "tag_eyed3_v24_utf8.mp3",
    "tag_id3v1_only_track.mp3",
    "tag_id3v1_v10_comment30.mp3",
    "tag_id3v2tool_v23_v1.mp3",
    "tag_lame_id3.mp3",
    "tag_mutagen_v23.mp3",
    "tag_mutagen_v23_utf16.mp3",
    "tag_mutagen_v24_apic.mp3",
    "tag_mutagen_v24_utf16.mp3",
    "tag_mutagen_v24_utf8.mp3",
    "tag_v22_crafted.mp3",
    "tag_v23_extheader.mp3",
    "tag_v23_unsync_utf16.mp3",
    "vbr_xing_mono_v6.mp3",
    "vbr_xing_v2.mp3",
    "vbr_xing_v4_32k.mp3",
    "vbr_xing_v5_48k.mp3",
};

std::string FixturePath(std::string_view name) { return std::string(QUILTO_FIXTURE_DIR) + "/" + std::string(name); }

using Facts = std::map<std::string, std::string>;

using test::ExpectedFacts;

TEST(RealFixtureTable, CoversExactlyTheListedFiles) {
    const auto& table = ExpectedFacts();
    ASSERT_FALSE(table.empty()) << "missing or empty: " << FixturePath("expected.tsv");
    std::set<std::string> listed(kFixtures.begin(), kFixtures.end());
    EXPECT_EQ(listed.size(), kFixtures.size()) << "a fixture is listed twice";
    std::set<std::string> inTable;
    for (const auto& [name, facts] : table) inTable.insert(name);
    EXPECT_EQ(listed, inTable);
}

class RealFixture : public ::testing::TestWithParam<std::string_view> {
protected:
    void SetUp() override {
        const auto& table = ExpectedFacts();
        const auto found = table.find(std::string(GetParam()));
        ASSERT_NE(found, table.end()) << GetParam() << " has no facts in " << FixturePath("expected.tsv");
        facts_ = &found->second;
        std::string error;
        file_ = core::InputFile::Open(FixturePath(GetParam()), &error);
        ASSERT_TRUE(file_.has_value()) << FixturePath(GetParam()) << ": " << error;
        tagLength_ = core::TagLength(file_->readBytesAt(0, core::kId3v2HeaderSize));
    }

    const std::string& fact(const std::string& key) const {
        static const std::string none;
        const auto found = facts_->find(key);
        if (found == facts_->end()) {
            ADD_FAILURE() << "expected.tsv has no " << key << " for " << GetParam();
            return none;
        }
        return found->second;
    }

    std::uint64_t number(const std::string& key) const { return std::stoull(fact(key)); }

    core::StreamColumns quickScan() {
        file_->seek(tagLength_);
        EXPECT_EQ(core::FindFirstFrame(*file_, core::ContainerKind::Plain), core::ContainerKind::Plain);
        EXPECT_EQ(file_->position(), number("first_frame_offset"));
        return core::QuickFrameScan(*file_);
    }

    core::StreamColumns fullScan() {
        file_->seek(tagLength_);
        // The "Frame Scan" command's kind: no container detection.
        EXPECT_EQ(core::FindFirstFrame(*file_, core::ContainerKind::NoAudio), core::ContainerKind::NoAudio);
        EXPECT_EQ(file_->position(), number("first_frame_offset"));
        core::NoProgress progress;
        return core::FullFrameScan(*file_, 0, true, progress);
    }

    const Facts* facts_ = nullptr;
    std::optional<core::InputFile> file_;
    std::uint64_t tagLength_ = 0;
    core::GenreTable genres_;
};

TEST_P(RealFixture, Id3v2TextsMatchMutagen) {
    EXPECT_EQ(tagLength_, number("v2_length"));
    const core::Bytes tag = file_->readBytesAt(0, static_cast<std::size_t>(tagLength_));
    ASSERT_EQ(tag.size(), tagLength_);
    core::Id3v2Record record;
    EXPECT_FALSE(core::ReadId3v2(tag, record, genres_));
    for (std::size_t i = 0; i < core::Id3v2Record::kFieldCount; ++i) {
        const std::string id(core::kId3v2FrameIds[i]);
        EXPECT_EQ(record.field(i), fact("v2_" + id)) << id;
    }
    EXPECT_FALSE(record.albumWrap);
}

TEST_P(RealFixture, Id3v1FieldsMatchMutagen) {
    ASSERT_GE(file_->size(), core::kId3v1Size);
    const core::Bytes block = file_->readBytesAt(file_->size() - core::kId3v1Size, core::kId3v1Size);
    core::Id3v1Record record;
    const bool present = core::ReadId3v1(block, &record, genres_);
    ASSERT_EQ(present, fact("v1_present") == "1");
    if (!present) return;
    EXPECT_EQ(record.title, fact("v1_title"));
    EXPECT_EQ(record.artist, fact("v1_artist"));
    EXPECT_EQ(record.album, fact("v1_album"));
    EXPECT_EQ(record.year, fact("v1_year"));
    EXPECT_EQ(record.comment, fact("v1_comment"));
    // The list shows the track byte with two digits; mutagen gives the number.
    const std::string& track = fact("v1_track");
    EXPECT_EQ(record.track, track.empty() ? "" : core::ZeroPadded(core::ParseInt32(track), 2));
    EXPECT_EQ(record.genre, fact("v1_genre"));
}

TEST_P(RealFixture, QuickScanReadsFirstFrameAndVbrHeader) {
    const core::StreamColumns quick = quickScan();
    using core::StreamColumn;
    const std::string& kind = fact("vbr_kind");
    EXPECT_EQ(quick.text(StreamColumn::Hz), fact("hz"));
    EXPECT_EQ(quick.text(StreamColumn::ChanelMode), fact("mode"));
    EXPECT_EQ(quick.text(StreamColumn::Kbps), fact("first_kbps"));
    EXPECT_EQ(quick.text(StreamColumn::CV), kind == "Xing" ? "VBR" : "CBR");
    EXPECT_EQ(quick.text(StreamColumn::Xing), kind);
    if (!kind.empty()) {
        EXPECT_EQ(quick.info.frames, number("vbr_frames"));
        EXPECT_EQ(quick.info.streamBytes, number("vbr_bytes"));
    }
}

TEST_P(RealFixture, FullScanCountsWhatTheEncoderWrote) {
    const core::StreamColumns full = fullScan();
    using core::StreamColumn;
    const std::string& kind = fact("vbr_kind");
    EXPECT_EQ(full.info.frames + full.info.otherFrames, number("walk_frames"));
    EXPECT_EQ(full.info.otherFrames, 0u) << "lame writes one rate in CBR";
    EXPECT_EQ(full.info.streamBytes, number("walk_bytes"));
    EXPECT_EQ(full.text(StreamColumn::CV), fact("cv"));
    EXPECT_EQ(full.text(StreamColumn::Hz), fact("hz"));
    EXPECT_EQ(full.text(StreamColumn::ChanelMode), fact("mode"));
    if (fact("cv") == "CBR") {
        EXPECT_EQ(full.text(StreamColumn::Kbps), fact("first_kbps"));
    }
    if (kind.empty()) {
        EXPECT_EQ(full.text(StreamColumn::Xing), "");
        EXPECT_EQ(full.text(StreamColumn::XingFrames), "");
        return;
    }
    EXPECT_EQ(full.info.frames, number("vbr_frames"));
    EXPECT_EQ(full.text(StreamColumn::XingFrames), fact("vbr_frames")) << "no \u2260 for the encoder's own count";
    EXPECT_EQ(full.text(StreamColumn::Xing), kind + "(" + fact("vbr_frame_length") + ")");
    EXPECT_EQ(full.info.headerBytes, number("vbr_bytes"));
    EXPECT_EQ(full.text(StreamColumn::XingBytes), core::GroupThousands(number("vbr_bytes")));
}

TEST_P(RealFixture, PlayTimesAgree) {
    const core::StreamColumns quick = quickScan();
    const core::StreamColumns full = fullScan();
    const auto quickSeconds = static_cast<double>(core::StreamSeconds(quick.info));
    const auto fullSeconds = static_cast<double>(core::StreamSeconds(full.info));
    EXPECT_LE(std::abs(quickSeconds - fullSeconds), 1.0) << quick.text(core::StreamColumn::Time) << " vs "
                                                          << full.text(core::StreamColumn::Time);
    // mutagen leaves out the encoder delay and padding; still within a second.
    EXPECT_LT(std::abs(fullSeconds - std::stod(fact("mutagen_seconds"))), 1.0);
}

std::string TestName(const ::testing::TestParamInfo<std::string_view>& info) {
    std::string name(info.param.substr(0, info.param.rfind('.')));
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(LameAndTagTools, RealFixture, ::testing::ValuesIn(kFixtures), TestName);

}  // namespace
