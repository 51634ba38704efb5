// Container signatures behind the head tag and the search for the first frame.
#include <gtest/gtest.h>

#include "core/FrameScan.h"
#include "support/MpegBuilder.h"

using namespace quilto;
using core::ContainerKind;
using test::Append;
using test::ByteBuilder;

namespace {

struct Found {
    ContainerKind kind;
    std::uint64_t position;
};

Found Find(const std::vector<std::uint8_t>& data, ContainerKind kind = ContainerKind::Plain, std::uint64_t start = 0) {
    auto file = core::InputFile::FromBytes(data);
    file.seek(start);
    const ContainerKind result = core::FindFirstFrame(file, kind);
    return {result, file.position()};
}

std::vector<std::uint8_t> WithAudioAt(std::vector<std::uint8_t> head, std::size_t frames = 3) {
    Append(head, test::Frames({}, frames));
    return head;
}

}  // namespace

TEST(FindFirstFrame, AHeaderRightAtTheStartReturnsTheKindUnchanged) {
    const auto data = WithAudioAt({});
    for (const ContainerKind kind : {ContainerKind::Plain, ContainerKind::NoAudio, ContainerKind::AlbumWrap}) {
        const Found found = Find(data, kind);
        EXPECT_EQ(found.kind, kind);
        EXPECT_EQ(found.position, 0u);
    }
}

TEST(FindFirstFrame, RecognisesEachContainerSignature) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> head;
        ContainerKind kind;
    };
    const std::vector<Case> cases = {
        {"pack block", ByteBuilder().text("Pack").fill(40, 1), ContainerKind::Pack},
        {"zip local header", ByteBuilder().text("PK").raw({3, 4}).fill(30, 1), ContainerKind::Zip},
        {"foreign index", ByteBuilder().text("1234        ").text("ab[][]cd  xx[][]ef").padTo(60, ' '),
         ContainerKind::Foreign},
        {"digits but one mark", ByteBuilder().text("1234        ").text("ab[][]cd").padTo(60, ' '), ContainerKind::Plain},
        {"second mark too close", ByteBuilder().text("1234        ").text("[][][][]").padTo(60, ' '),
         ContainerKind::Plain},
        {"digits then a letter", ByteBuilder().text("1234     x  ").text("[][]  [][]").padTo(60, ' '),
         ContainerKind::Plain},
        {"other method lzh", ByteBuilder().u8(30).u8(0).text("-lh5-").fill(30, 1), ContainerKind::Plain},
    };
    for (const Case& c : cases) {
        const Found found = Find(WithAudioAt(c.head));
        EXPECT_EQ(found.kind, c.kind) << c.name;
        EXPECT_EQ(found.position, c.head.size()) << c.name;
    }
}

TEST(FindFirstFrame, DetectsOnlyWhenAskedTo) {
    const auto data = WithAudioAt(ByteBuilder().text("Pack").fill(40, 1));
    EXPECT_EQ(Find(data, ContainerKind::NoAudio).kind, ContainerKind::NoAudio);
    EXPECT_EQ(Find(data, ContainerKind::AlbumWrap).kind, ContainerKind::AlbumWrap);
}

TEST(FindFirstFrame, LzhSearchStartsBehindTheStoredHeaderSize) {
    // A sync word inside the header must not be taken: the search starts at
    // the header size stored in its first two bytes.
    std::vector<std::uint8_t> head = ByteBuilder().u16le(300).text("-lh0-").fill(20, 1).raw({0xFF, 0xFB, 0x90, 0x40});
    ByteBuilder rest;
    rest.raw(head).padTo(300, 1);
    const Found found = Find(WithAudioAt(rest));
    EXPECT_EQ(found.kind, ContainerKind::Lzh);
    EXPECT_EQ(found.position, 300u);
}

TEST(FindFirstFrame, StepsOverStackedTags) {
    std::vector<std::uint8_t> data = test::Id3Tag({test::Id3Frame("TIT2", test::TextBody(0, "second tag"))});
    // Sync-like bytes inside the stacked tag must not count as audio.
    Append(data, test::Id3Tag({test::Id3Frame("PRIV", ByteBuilder().raw({0xFF, 0xFB, 0x90, 0x40}))}));
    const std::size_t audio = data.size();
    Append(data, test::Frames({}, 3));
    const Found found = Find(data);
    EXPECT_EQ(found.kind, ContainerKind::Plain);
    EXPECT_EQ(found.position, audio);
}

TEST(FindFirstFrame, SearchGivesUpAt64KiBWithoutChangingTheKind) {
    std::vector<std::uint8_t> data(0x10000, 0x20);
    Append(data, test::Frames({}, 3));
    EXPECT_EQ(Find(data).kind, ContainerKind::Plain);
    data.erase(data.begin());  // now the header sits at offset 65535: found
    const Found found = Find(data);
    EXPECT_EQ(found.kind, ContainerKind::Plain);
    EXPECT_EQ(found.position, 0xFFFFu);
}

TEST(FindFirstFrame, ShortReadsMeanNoAudio) {
    EXPECT_EQ(Find({0xFF, 0xFB, 0x90}).kind, ContainerKind::NoAudio);
    EXPECT_EQ(Find(std::vector<std::uint8_t>(500, 0x20)).kind, ContainerKind::NoAudio);
    EXPECT_EQ(Find(ByteBuilder().text("Pack").fill(10, 1)).kind, ContainerKind::NoAudio);
    // A stacked tag header cut short is no audio either.
    EXPECT_EQ(Find(ByteBuilder().fill(4, 0x20).text("ID3").raw({3, 0})).kind, ContainerKind::NoAudio);
}

TEST(FindFirstFrame, HugeStackedTagSizeEndsTheSearchInsteadOfLooping) {
    std::vector<std::uint8_t> data = ByteBuilder().text("ID3").raw({3, 0, 0}).raw({0xFF, 0xFF, 0xFF, 0xFF});
    Append(data, test::Frames({}, 3));
    EXPECT_EQ(Find(data).kind, ContainerKind::Plain);
}
