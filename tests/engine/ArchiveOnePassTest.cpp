// Archive members streamed once over a sink that patches the checksum into
// the header afterwards: the same bytes as the two-pass path, one read per
// member, and every failure on the way reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/InputFile.h"
#include "pack/ArchiveWriter.h"
#include "support/MemorySink.h"

using namespace quilto;
using pack::ArchiveError;
using pack::ArchiveFormat;
using test::MemorySink;

namespace {

constexpr std::uint32_t kDate = 0x30216000;  // 2004-01-01 12:00:00

core::Bytes Pattern(std::size_t size, unsigned seed) {
    core::Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 131 + seed) >> 1);
    return data;
}

// Counts its reads; can hand out fewer bytes than it claims, or fail midway.
class CountingSource final : public pack::MemberSource {
public:
    enum class Fault { None, Short, FailsAfterOneChunk };
    CountingSource(core::Bytes data, Fault fault = Fault::None) : data_(std::move(data)), fault_(fault) {}
    std::uint64_t size() const override { return data_.size(); }
    bool read(const Consumer& consume) const override {
        ++reads;
        const core::ByteView all(data_);
        if (fault_ == Fault::Short) return consume(all.first(all.size() - 1));
        if (!consume(all.first(all.size() / 2))) return false;
        if (fault_ == Fault::FailsAfterOneChunk) return false;
        return consume(all.subspan(all.size() / 2));
    }
    mutable int reads = 0;

private:
    core::Bytes data_;
    Fault fault_;
};

std::string Name(ArchiveFormat format) { return format == ArchiveFormat::Zip ? "Zip" : "Lzh"; }

}  // namespace

class ArchiveOnePass : public ::testing::TestWithParam<ArchiveFormat> {};

TEST_P(ArchiveOnePass, WritesTheBytesOfTwoPassesReadingEachMemberOnce) {
    const ArchiveFormat format = GetParam();
    // 29 + 227 name bytes: the LZH header size needs its padding byte.
    const std::vector<std::pair<std::string, core::Bytes>> members = {
        {"Track 01.mp3", Pattern(417, 1)},
        {"\xE3\x83\x88\xE3\x83\xA9 02.mp3", {}},
        {std::string(227, 'L'), Pattern(5000, 3)},
        {"Track 04.mp3", Pattern(1, 4)}};
    const core::Bytes head(1000, 0x11);
    MemorySink twoPass(head, 1 << 20);
    MemorySink onePass(head, 1 << 20);
    onePass.patchable = true;
    core::TextCodec codec("CP932");
    auto a = pack::MakeArchiveWriter(format, &codec);
    auto b = pack::MakeArchiveWriter(format, &codec);
    ASSERT_EQ(a->start(twoPass.position()), ArchiveError::None);
    ASSERT_EQ(b->start(onePass.position()), ArchiveError::None);
    for (const auto& [name, data] : members) {
        const CountingSource sourceA(data);
        const CountingSource sourceB(data);
        ASSERT_EQ(a->writeMember(twoPass, name, kDate, sourceA), ArchiveError::None) << name;
        ASSERT_EQ(b->writeMember(onePass, name, kDate, sourceB), ArchiveError::None) << name;
        EXPECT_EQ(sourceA.reads, 2) << name;
        EXPECT_EQ(sourceB.reads, 1) << name;
    }
    ASSERT_EQ(a->finish(twoPass), ArchiveError::None);
    ASSERT_EQ(b->finish(onePass), ArchiveError::None);
    EXPECT_EQ(onePass.patches, static_cast<int>(members.size()));
    EXPECT_EQ(onePass.bytes, twoPass.bytes);
}

// A member read from file regions in small chunks sums across chunk and
// region boundaries.
TEST_P(ArchiveOnePass, StreamsFileRegionsInChunks) {
    const core::Bytes file = Pattern(200, 9);
    const core::InputFile input = core::InputFile::FromBytes(file);
    const pack::FileRegionsSource regions(input, {{10, 17}, {50, 123}}, 5);
    core::Bytes joined(file.begin() + 10, file.begin() + 27);
    joined.insert(joined.end(), file.begin() + 50, file.begin() + 173);

    MemorySink streamed;
    streamed.patchable = true;
    MemorySink whole;
    auto a = pack::MakeArchiveWriter(GetParam());
    auto b = pack::MakeArchiveWriter(GetParam());
    ASSERT_EQ(a->start(0), ArchiveError::None);
    ASSERT_EQ(b->start(0), ArchiveError::None);
    ASSERT_EQ(a->writeMember(streamed, "T.mp3", kDate, regions), ArchiveError::None);
    ASSERT_EQ(b->writeMember(whole, "T.mp3", kDate, pack::BytesSource(joined)), ArchiveError::None);
    EXPECT_EQ(streamed.bytes, whole.bytes);
}

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveOnePass, ::testing::Values(ArchiveFormat::Lzh, ArchiveFormat::Zip),
                         [](const ::testing::TestParamInfo<ArchiveFormat>& p) { return Name(p.param); });

struct OnePassFailure {
    std::string label;
    std::size_t capacity;  // bytes the sink takes before refusing
    bool refusePatch;
    CountingSource::Fault fault;
    ArchiveError error;
};

class ArchiveOnePassFailure : public ::testing::TestWithParam<std::tuple<ArchiveFormat, OnePassFailure>> {};

TEST_P(ArchiveOnePassFailure, IsReportedAndTheMemberIsNotListed) {
    const auto& [format, c] = GetParam();
    MemorySink sink;
    sink.patchable = true;
    sink.capacity = c.capacity;
    sink.refusePatch = c.refusePatch;
    auto writer = pack::MakeArchiveWriter(format);
    ASSERT_EQ(writer->start(0), ArchiveError::None);
    EXPECT_EQ(writer->writeMember(sink, "A.mp3", kDate, CountingSource(Pattern(64, 2), c.fault)), c.error);
    if (format != ArchiveFormat::Zip) return;
    // The failed member stays out of the central directory.
    sink.capacity = SIZE_MAX;
    ASSERT_EQ(writer->finish(sink), ArchiveError::None);
    const auto end = sink.bytes.end() - 22;
    EXPECT_EQ(end[8] | (end[9] << 8), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Archive, ArchiveOnePassFailure,
    ::testing::Combine(
        ::testing::Values(ArchiveFormat::Lzh, ArchiveFormat::Zip),
        ::testing::Values(
            OnePassFailure{"Header", 10, false, CountingSource::Fault::None, ArchiveError::WriteFailed},
            OnePassFailure{"Data", 40, false, CountingSource::Fault::None, ArchiveError::WriteFailed},
            OnePassFailure{"ChecksumPatch", SIZE_MAX, true, CountingSource::Fault::None, ArchiveError::WriteFailed},
            OnePassFailure{"SourceShorterThanItsSize", SIZE_MAX, false, CountingSource::Fault::Short,
                           ArchiveError::ReadFailed},
            OnePassFailure{"ReadFailsMidway", SIZE_MAX, false, CountingSource::Fault::FailsAfterOneChunk,
                           ArchiveError::ReadFailed})),
    [](const auto& p) { return Name(std::get<0>(p.param)) + std::get<1>(p.param).label; });
