// The checked output seam: positions, overwrites and reported failures, on
// disk and in memory.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "pack/OutputFile.h"
#include "support/TempFolder.h"

using namespace quilto;

namespace {

// Writes "abcd", goes back to overwrite one byte, then writes past a gap.
void WriteOverwriteAndGap(pack::OutputFile& out) {
    EXPECT_TRUE(out.write(std::string_view("abcd")));
    EXPECT_EQ(out.tell(), 4u);
    EXPECT_TRUE(out.seek(1));
    EXPECT_TRUE(out.write(std::string_view("Z")));
    EXPECT_EQ(out.tell(), 2u);
    EXPECT_TRUE(out.seek(6));
    EXPECT_TRUE(out.write(std::string_view("e")));
}

const core::Bytes kExpected = {'a', 'Z', 'c', 'd', 0, 0, 'e'};

}  // namespace

TEST(OutputFile, DiskAndMemoryAgreeOnPositions) {
    pack::MemoryOutputFile memory;
    WriteOverwriteAndGap(memory);
    EXPECT_EQ(memory.bytes(), kExpected);

    const test::TempFolder folder;
    const std::string path = folder.file("out.bin").string();
    auto disk = pack::DiskOutputFile::CreateNew(path);
    ASSERT_TRUE(disk);
    WriteOverwriteAndGap(*disk);
    EXPECT_TRUE(disk->close());
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(core::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), kExpected);
    EXPECT_FALSE(disk->write(std::string_view("x")));  // closed: refused, not lost silently
    EXPECT_EQ(disk->lastError(), EBADF);
}

TEST(OutputFile, FailuresCarryTheSystemError) {
    const test::TempFolder folder;
    std::string error;
    EXPECT_FALSE(pack::DiskOutputFile::CreateNew(folder.file("missing/out.bin").string(), &error));
    EXPECT_FALSE(error.empty());

    ASSERT_TRUE(std::filesystem::exists("/dev/full")) << "the test needs /dev/full";
    auto full = pack::DiskOutputFile::OpenDevice("/dev/full");
    ASSERT_TRUE(full);
    EXPECT_FALSE(full->write(std::string_view("data")));
    EXPECT_EQ(full->lastError(), ENOSPC);
}
