// The head tag of a packed file and the cue text inside it: exact bytes, the
// way back through FindCueText and the tag reader, and damaged tags.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/GenreTable.h"
#include "core/Id3v2Reader.h"
#include "core/InputFile.h"
#include "pack/CueText.h"
#include "pack/HeadTag.h"
#include "pack/PackBlock.h"
#include "support/ByteBuilder.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using test::ByteBuilder;

namespace {

using Lines = std::vector<std::string>;

const Lines kSheet = {"TITLE \"Album\"", "PERFORMER \"Band\"", "  TRACK 01 AUDIO", "    INDEX 01 00:00:00"};

std::string CueBytes(const Lines& sheet) { return *pack::EncodeCueText(pack::CueTextLines(sheet)); }

// A GEOB frame carrying a cue: encoding, the 21 fixed bytes, the text.
core::Bytes CueGeob(std::string_view text) {
    ByteBuilder body;
    body.u8(0).text(pack::kCueGeobMark).text(text);
    return test::Id3Frame("GEOB", body);
}

}  // namespace

TEST(CueText, MarkerLinesAroundTheSheetEachEndedByCrLf) {
    core::SetLegacyCodePage("CP932");
    const std::string bytes = CueBytes({"TITLE \"ア\""});
    EXPECT_EQ(bytes,
              "QCUESHEET\r\n"
              "TITLE \"\x83\x41\"\r\n"
              "ENDCUESHEETCUEVERSION\r\n"
              "QuiltotrackeryENDCUEVERSIONCUEINFO\r\n"
              "ENDCUEINFO\r\n");
    EXPECT_EQ(pack::DecodeCueText(bytes), pack::CueTextLines({"TITLE \"ア\""}));
    EXPECT_EQ(pack::DecodeCueText("A\r\nB\r\nC"), (Lines{"A", "B"}));  // no CR LF, no line
    EXPECT_EQ(pack::DecodeCueText("A\nB\r\n"), (Lines{"A\nB"}));
    std::string error;
    EXPECT_FALSE(pack::EncodeCueText({"TITLE \"x\nENDCUEINFO\""}, &error));
    EXPECT_FALSE(error.empty());
}

TEST(HeadTag, FramesAreExactlyTheLayout) {
    struct Case {
        const char* name;
        bool textFrames;
        bool cue;
    };
    const std::string cue = CueBytes(kSheet);
    for (const Case& c : {Case{"text frames", true, false}, Case{"cue only", false, true}, Case{"both", true, true},
                          Case{"neither", false, false}}) {
        SCOPED_TRACE(c.name);
        pack::HeadTagInput input;
        input.textFrames = c.textFrames;
        input.title = " \tMy Album\x01 ";  // characters below 0x21 go at both ends
        input.artist = "";
        if (c.cue) input.cueText = cue;
        ByteBuilder frames;
        if (c.textFrames) {
            frames.text("TIT2").u32be(9).u16be(0).u8(0).text("My Album");  // id, plain size, flags, encoding, text
            frames.text("TPE1").u32be(1).u16be(0).u8(0);                   // empty text: size 1
        }
        if (c.cue) {
            frames.text("GEOB").u32be(std::uint32_t(cue.size() + 22)).u16be(0)  // id, size, flags
                .u8(0)                                                          // encoding
                .text("text").u8(0)                                             // MIME type
                .text("mp3cue CueSheet").u8(0)                                  // description
                .text(cue);                                                     // the cue text, no terminator
        }
        ByteBuilder tag;
        tag.text("ID3").u8(3).u8(0).u8(0).syncsafe32(std::uint32_t(frames.size())).raw(frames.bytes());
        std::string error;
        const auto built = pack::BuildHeadTag(input, &error);
        ASSERT_TRUE(built) << error;
        EXPECT_EQ(*built, tag.bytes());
    }
}

TEST(HeadTag, ReadsBackThroughFindCueTextAndTheTagReader) {
    core::SetLegacyCodePage("CP932");
    const Lines sheet = {"TITLE \"日本\"", "PERFORMER \"Band\""};
    pack::HeadTagInput input;
    input.textFrames = true;
    input.title = "日本";
    input.artist = "Band";
    input.cueText = CueBytes(sheet);
    const core::Bytes tag = *pack::BuildHeadTag(input);
    EXPECT_EQ(pack::FindCueText(tag), pack::CueTextLines(sheet));

    core::Id3v2Record record;
    EXPECT_TRUE(core::ReadId3v2(tag, record, core::GenreTable()));  // the reader sees the cue
    EXPECT_EQ(record.title, "日本");
    EXPECT_EQ(record.artist, "Band");
    EXPECT_EQ(core::TagLength(tag), tag.size());
}

TEST(HeadTag, TitleAndArtistGoOutAsUtf16WhereTheCodePageFallsShortOrWhenAsked) {
    core::SetLegacyCodePage("CP932");
    struct Case {
        const char* text;
        bool unicode;
        std::uint8_t encoding;  // of TIT2, the first frame
    };
    for (const Case& c : {Case{"Plain", false, 0}, Case{"Plain", true, 0}, Case{"日本", false, 0},
                          Case{"日本", true, 1}, Case{"Café", false, 1}, Case{"Café", true, 1}}) {
        SCOPED_TRACE(std::string(c.text) + (c.unicode ? " unicode" : ""));
        pack::HeadTagInput input;
        input.textFrames = true;
        input.title = c.text;
        input.artist = c.text;
        input.unicodeText = c.unicode;
        const core::Bytes tag = *pack::BuildHeadTag(input);
        EXPECT_EQ(tag[core::kId3v2HeaderSize + 10], c.encoding);
        EXPECT_EQ(core::TagLength(tag), tag.size());
        core::Id3v2Record record;
        core::ReadId3v2(tag, record, core::GenreTable());
        EXPECT_EQ(record.title, c.text);
        EXPECT_EQ(record.artist, c.text);
    }
}

// Tags as other writers and damage leave them.
TEST(HeadTag, FindCueTextTakesOnlyACueThatFitsTheTag) {
    const core::Bytes cue = CueGeob("QCUESHEET\r\nTITLE \"A\"\r\n");
    const Lines found = {"QCUESHEET", "TITLE \"A\""};
    const core::Bytes title = test::Id3Frame("TIT2", test::TextBody(0, "T"));
    ByteBuilder otherGeob;
    otherGeob.u8(0).text("image/png").u8(0).text("cover").u8(0).u8(0).text("\x89PNG");
    core::Bytes extended = test::Id3Tag({ByteBuilder().u32be(6).u16be(0).u32be(0).bytes(), cue}, 3, 0x40);
    core::Bytes past = test::Id3Tag({cue});
    past[10 + 7] += 1;  // the GEOB's size one byte past the tag
    core::Bytes cut = test::Id3Tag({title, cue});
    core::Bytes declaredLonger = cut;
    declaredLonger[8] += 1;  // the header claims 128 bytes more than were read

    struct Case {
        const char* name;
        core::Bytes tag;
        std::optional<Lines> lines;
    };
    const std::vector<Case> cases = {
        {"behind a text frame", test::Id3Tag({title, cue}), found},
        {"behind an extended header", extended, found},
        {"behind junk bytes", test::Id3Tag({ByteBuilder().text("\xFF\x01junk").bytes(), cue}), found},
        {"behind a frame with a negative size", test::Id3Tag({ByteBuilder().text("XXXX").u32be(0xFFFFFFF0).bytes(), cue}), found},
        {"last line without CR LF", test::Id3Tag({CueGeob("QCUESHEET\r\nTITLE \"A\"")}), Lines{"QCUESHEET"}},
        {"past the tag", past, std::nullopt},
        {"GEOB under 22 bytes", test::Id3Tag({test::Id3Frame("GEOB", ByteBuilder().u8(0).text("text").u8(0).text("mp3cue").bytes())}), std::nullopt},
        {"short GEOB first", test::Id3Tag({test::Id3Frame("GEOB", ByteBuilder().u8(0).text("text").bytes()), cue}), found},
        {"other GEOB first", test::Id3Tag({test::Id3Frame("GEOB", otherGeob), cue}), found},
        {"read short of the declared size", declaredLonger, found},
        {"cut inside the GEOB", core::Bytes(cut.begin(), cut.end() - 3), std::nullopt},
        {"no tag", ByteBuilder().text("Pack").fill(40).bytes(), std::nullopt},
        {"header only", ByteBuilder().text("ID3").u8(3).u8(0).u8(0).syncsafe32(0).bytes(), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pack::FindCueText(c.tag), c.lines);
    }
}

namespace {

struct HostileReading {
    std::optional<Lines> cue;
    std::optional<pack::PackDirectory> directory;
};

// What the opener reads of a packed file: the head tag's cue text, then the
// track directory behind the tag.
HostileReading ReadLikeTheOpener(const std::string& name) {
    HostileReading r;
    auto file = core::InputFile::Open(std::string(QUILTO_HOSTILE_DIR) + "/" + name);
    EXPECT_TRUE(file) << name << " is missing (run make_hostile.py)";
    if (!file) return r;
    const std::uint64_t tagLength = core::TagLength(file->readBytesAt(0, core::kId3v2HeaderSize));
    const core::Bytes tag = file->readBytesAt(0, static_cast<std::size_t>(std::min(tagLength, file->size())));
    r.cue = pack::FindCueText(tag);
    file->seek(tagLength);
    if (const auto size = pack::PackBlockSize(*file)) {
        r.directory = pack::ReadPackBlock(file->readBytesAt(tagLength, static_cast<std::size_t>(*size)), tagLength,
                                          file->size());
    } else {
        // The size was refused; the reader must refuse the whole block too.
        const core::Bytes rest = file->readBytesAt(tagLength, 4096);
        const pack::PackDirectory read = pack::ReadPackBlock(rest, tagLength, file->size());
        EXPECT_TRUE(read.damaged);
        EXPECT_TRUE(read.tracks.empty());
    }
    return r;
}

}  // namespace

TEST(HeadTag, HostileFilesKeepWhatIsSound) {
    const Lines cueA = {"QCUESHEET", "TITLE \"A\""};
    struct Case {
        const char* file;
        std::optional<Lines> cue;
        bool blockSized;          // PackBlockSize accepted the block
        std::size_t tracksKept;
        std::vector<std::uint64_t> spans;  // start and end of the first kept track, relative to the tag
    };
    const std::vector<Case> cases = {
        {"pack_offsets_backwards.mp3", cueA, true, 0, {}},
        {"pack_name_without_nul.mp3", cueA, true, 1, {80, 200}},
        {"pack_size_too_small.mp3", cueA, false, 0, {}},
        {"pack_count_huge.mp3", cueA, true, 1, {80, 900}},
        {"pack_offset_past_file.mp3", cueA, true, 0, {}},
        {"geob_past_tag.mp3", std::nullopt, false, 0, {}},
        {"geob_short_then_cue.mp3", Lines{"QCUESHEET", "TITLE \"B\""}, false, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const HostileReading r = ReadLikeTheOpener(c.file);
        EXPECT_EQ(r.cue, c.cue);
        ASSERT_EQ(r.directory.has_value(), c.blockSized);
        if (!r.directory) continue;
        EXPECT_TRUE(r.directory->damaged);
        EXPECT_EQ(r.directory->albumTitle, "Album");
        ASSERT_EQ(r.directory->tracks.size(), c.tracksKept);
        if (c.tracksKept == 0) continue;
        const auto tag = r.directory->tracks[0].start - c.spans[0];
        EXPECT_EQ(r.directory->tracks[0].end - tag, c.spans[1]);
        EXPECT_EQ(r.directory->tracks[0].fileName, "one.mp3");
        EXPECT_EQ(r.directory->tracks[0].artist, "Artist");
    }
}
