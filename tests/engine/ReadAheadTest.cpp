// Reading ahead on a second thread must hand out exactly the file's bytes,
// whatever the order of the reads, and a walk must give the same result as
// from memory when walks nest (a scan started while another pumps events) or
// run on several threads at once.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "core/FrameScan.h"
#include "core/ReadAhead.h"
#include "support/MpegBuilder.h"
#include "support/TempFolder.h"

using namespace quilto;

namespace {

constexpr std::size_t kStep = core::ReadAhead::kStep;

std::vector<std::uint8_t> Noise(std::size_t size, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Some frames of changing bit rate: long enough to be read ahead.
std::vector<std::uint8_t> Stream(std::size_t frames) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < frames; ++i) {
        test::FrameFields fields;
        fields.bitRateIndex = 5 + static_cast<unsigned>(i % 9);
        test::Append(bytes, test::Frame(fields));
    }
    return bytes;
}

TEST(ReadAhead, HandsOutTheFileBytesForEveryOrderOfReads) {
    const test::TempFolder folder;
    const std::vector<std::uint8_t> bytes = Noise(9 * kStep + 1234, 1);
    folder.write("noise.bin", bytes);
    const auto file = core::InputFile::Open(folder.file("noise.bin").string());
    ASSERT_TRUE(file);

    struct Pattern {
        const char* name;
        std::uint64_t begin;
        std::uint64_t end;
        int jumpOneIn;  // a read far away (forward or back) one time in this many; 0: never
    };
    const Pattern patterns[] = {
        {"whole file, forward", 0, bytes.size(), 0},
        {"from inside, bounded", 100'001, 7 * kStep, 0},
        {"with jumps", 0, bytes.size(), 7},
    };
    std::mt19937_64 random(2);
    for (const Pattern& pattern : patterns) {
        SCOPED_TRACE(pattern.name);
        core::ReadAhead ahead(*file, pattern.begin, pattern.end);
        ASSERT_TRUE(ahead.active());
        std::uint64_t offset = pattern.begin;
        int served = 0;
        while (offset < pattern.end) {
            const std::size_t wanted = 1 + random() % 64;
            core::ReadAheadChunk chunk;
            if (ahead.chunkFor(offset, wanted, chunk)) {
                ++served;
                ASSERT_LE(chunk.start, offset);
                ASSERT_GE(chunk.start + chunk.length, std::min<std::uint64_t>(offset + wanted, bytes.size()));
                ASSERT_EQ(std::memcmp(chunk.data, bytes.data() + chunk.start, chunk.length), 0) << offset;
                offset = chunk.start + chunk.length - random() % 8;  // the walk stops a few bytes short of the end
            } else {
                offset += 1 + random() % 4096;
            }
            if (pattern.jumpOneIn != 0 && random() % static_cast<unsigned>(pattern.jumpOneIn) == 0) {
                offset = random() % pattern.end;
            }
        }
        EXPECT_GT(served, 3);
    }
}

TEST(ReadAhead, StaysOffWhereItCannotHelp) {
    const test::TempFolder folder;
    const std::vector<std::uint8_t> bytes = Noise(4 * kStep, 3);
    folder.write("noise.bin", bytes);
    const auto file = core::InputFile::Open(folder.file("noise.bin").string());
    const core::InputFile memory = core::InputFile::FromBytes(bytes);
    EXPECT_FALSE(core::ReadAhead(*file, 0, 2 * kStep).active());  // too short to be worth a second thread
    EXPECT_FALSE(core::ReadAhead(memory, 0, bytes.size()).active());
    const core::ReadAhead outer(*file, 0, bytes.size());
    EXPECT_TRUE(outer.active());
    EXPECT_FALSE(core::ReadAhead(*file, 0, bytes.size()).active());  // the thread's second thread is taken
}

TEST(ReadAhead, WalksGiveTheResultFromMemoryWhenNestedOrOnManyThreads) {
    const test::TempFolder folder;
    const std::vector<std::uint8_t> bytes = Stream(12000);  // about 7 MB
    folder.write("stream.mp3", bytes);
    const std::string path = folder.file("stream.mp3").string();
    core::InputFile memory = core::InputFile::FromBytes(bytes);
    core::NoProgress quiet;
    const core::StreamColumns expected = core::FullFrameScan(memory, 0, true, quiet);
    ASSERT_EQ(expected.info.frames + expected.info.otherFrames, 12000u);

    auto file = core::InputFile::Open(path);
    EXPECT_EQ(core::FullFrameScan(*file, 0, true, quiet).texts, expected.texts);
    {
        // A scan started while another one holds the thread's reader (from
        // a pump of its progress) reads for itself.
        const core::ReadAhead outer(*file, 0, bytes.size());
        file->seek(0);
        EXPECT_EQ(core::FullFrameScan(*file, 0, true, quiet).texts, expected.texts);
    }

    std::vector<core::StreamColumns> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&path, &result] {
            auto own = core::InputFile::Open(path);
            core::NoProgress none;
            for (int round = 0; round < 3; ++round) {
                own->seek(0);
                result = core::FullFrameScan(*own, 0, true, none);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& result : results) EXPECT_EQ(result.texts, expected.texts);
}

}  // namespace
