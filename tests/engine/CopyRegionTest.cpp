// The Bind and Pack writers copy each track through CopyRegion: the bytes
// must arrive unchanged and the memory it takes must stay one chunk, however
// long the region.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/InputFile.h"
#include "core/Progress.h"
#include "pack/MemberSource.h"
#include "pack/OutputCopy.h"
#include "pack/OutputFile.h"

using namespace quilto;
using pack::CopyResult;
using pack::kCopyChunkSize;

namespace {

// Keeps what is written and the largest single write.
class RecordingOutput final : public pack::OutputFile {
public:
    bool write(const void* data, std::size_t n) override {
        largest = std::max(largest, n);
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + n);
        return true;
    }
    std::optional<std::uint64_t> tell() override { return bytes.size(); }
    bool seek(std::uint64_t) override { return false; }
    using OutputFile::write;

    core::Bytes bytes;
    std::size_t largest = 0;
};

struct CopyCase {
    const char* name;
    std::uint64_t offset;
    std::uint64_t length;
    std::uint64_t sourceSize;
    CopyResult result;
};

class CopyRegionTest : public testing::TestWithParam<CopyCase> {};

TEST_P(CopyRegionTest, CopiesTheRegionThroughOneChunk) {
    const CopyCase& c = GetParam();
    core::Bytes source(static_cast<std::size_t>(c.sourceSize));
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i * 7 + (i >> 16));
    const core::InputFile in = core::InputFile::FromBytes(source);
    RecordingOutput out;
    core::Bytes buffer;
    core::NoProgress progress;
    core::ProgressPacer pacer(progress, 1);

    EXPECT_EQ(pack::CopyRegion(in, c.offset, c.length, out, buffer, progress, pacer), c.result);
    EXPECT_LE(buffer.size(), kCopyChunkSize);
    EXPECT_LE(out.largest, kCopyChunkSize);
    if (c.result == CopyResult::Ok) {
        const auto begin = source.begin() + static_cast<std::ptrdiff_t>(c.offset);
        EXPECT_TRUE(out.bytes == core::Bytes(begin, begin + static_cast<std::ptrdiff_t>(c.length)));
    }
}

constexpr std::uint64_t kChunk = kCopyChunkSize;

INSTANTIATE_TEST_SUITE_P(
    Lengths, CopyRegionTest,
    testing::Values(CopyCase{"Empty", 5, 0, 10, CopyResult::Ok},
                    CopyCase{"Small", 3, 100, 200, CopyResult::Ok},
                    CopyCase{"ExactlyOneChunk", 1, kChunk, kChunk + 1, CopyResult::Ok},
                    CopyCase{"ChunkAndOneByte", 0, kChunk + 1, kChunk + 1, CopyResult::Ok},
                    CopyCase{"TwoChunksAndSome", 7, 2 * kChunk + 3, 2 * kChunk + 10, CopyResult::Ok},
                    CopyCase{"SourceShorterThanRegion", 0, kChunk + 5, kChunk, CopyResult::ReadFailed}),
    [](const testing::TestParamInfo<CopyCase>& param) { return std::string(param.param.name); });

}  // namespace
