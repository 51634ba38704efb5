// Archives written behind a head tag, read by independent programs: Python's
// zipfile and unzip for ZIP, lhasa's lha for LZH. A missing program fails the
// test with the package to install.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/TextCodec.h"
#include "pack/ArchiveWriter.h"
#include "pack/Crc32.h"
#include "pack/LzhWriter.h"
#include "support/ByteBuilder.h"
#include "support/MemorySink.h"
#include "support/TempFolder.h"

using namespace quilto;

namespace {

struct ArchiveToolRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

// Runs a shell command line and collects what it prints.
ArchiveToolRun RunArchiveTool(const std::string& commandLine) {
    ArchiveToolRun run;
    FILE* pipe = ::popen((commandLine + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool HasArchiveTool(const std::string& program) {
    return RunArchiveTool("command -v " + program + " >/dev/null").exitCode == 0;
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::string Hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// An ID3v2.3 tag of exactly `size` bytes with nothing but padding.
core::Bytes HeadTag(std::uint32_t size) {
    return test::ByteBuilder().text("ID3").u8(3).u8(0).u8(0).syncsafe32(size - 10).padTo(size);
}

struct ToolMember {
    std::string name;  // UTF-8
    core::Bytes data;
};

core::Bytes MemberData(std::size_t size, unsigned seed) {
    core::Bytes data(size);
    unsigned value = seed;
    for (auto& byte : data) {
        value = value * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(value >> 16);
    }
    return data;
}

constexpr std::uint32_t kBase = 1000;
constexpr std::uint32_t kDate = 0x30216000;  // 2004-01-01 12:00:00

class ArchiveTools : public ::testing::Test {
protected:
    void RequireTool(const std::string& program, const std::string& package) {
        ASSERT_TRUE(HasArchiveTool(program)) << program << " is missing: install the Debian package " << package
                                             << " (scripts/install-deps.sh)";
    }

    // Head tag, archive, and (for ZIP) an ID3v1 block behind it.
    std::filesystem::path WriteArchive(pack::ArchiveFormat format, const std::vector<ToolMember>& members,
                                       const std::string& fileName) {
        test::MemorySink sink(HeadTag(kBase));
        auto writer = pack::MakeArchiveWriter(format, &codec_);
        EXPECT_EQ(writer->start(sink.position()), pack::ArchiveError::None);
        for (const auto& member : members) {
            EXPECT_EQ(writer->writeMember(sink, member.name, kDate, pack::BytesSource(member.data)),
                      pack::ArchiveError::None);
        }
        EXPECT_EQ(writer->finish(sink), pack::ArchiveError::None);
        bytes_ = sink.bytes;
        folder_.write(fileName, bytes_);
        return folder_.file(fileName);
    }

    core::TextCodec codec_{"CP932"};
    test::TempFolder folder_;
    core::Bytes bytes_;
};

const std::vector<ToolMember>& ZipMembers() {
    static const std::vector<ToolMember> members = {
        {"Track 01.mp3", MemberData(5000, 1)},
        {"Track 02.mp3", MemberData(70000, 2)},
        {"Track 03.mp3", {}},
        {"\xE3\x83\x88\xE3\x83\xA9\xE3\x83\x83\xE3\x82\xAF 04.mp3", MemberData(417, 4)},  // "トラック 04.mp3"
    };
    return members;
}

}  // namespace

TEST_F(ArchiveTools, PythonZipfileReadsNamesSizesChecksumsAndOffsets) {
    RequireTool("python3", "python3");
    const auto path = WriteArchive(pack::ArchiveFormat::Zip, ZipMembers(), "album.zip.mp3");
    const char* script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "print('test', z.testzip())\n"
        "for i in z.infolist():\n"
        "    print(i.orig_filename.encode('cp437').hex(), i.file_size, i.compress_size, '%08x' % i.CRC,\n"
        "          i.compress_type, '%d-%02d-%02d %02d:%02d:%02d' % i.date_time, i.header_offset, i.flag_bits)\n";
    folder_.write("list.py", core::Bytes(script, script + std::strlen(script)));
    const auto run = RunArchiveTool("python3 " + Quoted(folder_.file("list.py")) + " " + Quoted(path));
    ASSERT_EQ(run.exitCode, 0) << run.output;

    std::ostringstream expected;
    expected << "test None\n";
    std::uint64_t offset = kBase;
    for (const auto& member : ZipMembers()) {
        const std::string name = codec_.encode(member.name).bytes;
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", pack::Crc32(member.data));
        expected << Hex(name) << ' ' << member.data.size() << ' ' << member.data.size() << ' ' << crc
                 << " 0 2004-01-01 12:00:00 " << offset << " 0\n";
        offset += 30 + name.size() + member.data.size();
    }
    EXPECT_EQ(run.output, expected.str());
}

TEST_F(ArchiveTools, UnzipTestsTheArchiveCutAtItsBase) {
    RequireTool("unzip", "unzip");
    const auto path = WriteArchive(pack::ArchiveFormat::Zip, ZipMembers(), "album.zip.mp3");
    folder_.write("cut.zip", core::Bytes(bytes_.begin() + kBase, bytes_.end()));

    const auto cut = RunArchiveTool("unzip -t " + Quoted(folder_.file("cut.zip")));
    EXPECT_EQ(cut.exitCode, 0) << cut.output;
    EXPECT_NE(cut.output.find("No errors detected"), std::string::npos) << cut.output;
    for (const char* name : {"Track 01.mp3", "Track 02.mp3", "Track 03.mp3"}) {
        EXPECT_NE(cut.output.find(std::string("testing: ") + name), std::string::npos) << name << "\n" << cut.output;
    }

    // Behind the head tag unzip still finds every member, and warns.
    const auto whole = RunArchiveTool("unzip -t " + Quoted(path));
    EXPECT_EQ(whole.exitCode, 1) << whole.output;
    EXPECT_NE(whole.output.find(std::to_string(kBase) + " extra bytes at beginning"), std::string::npos)
        << whole.output;
    EXPECT_NE(whole.output.find("No errors detected"), std::string::npos) << whole.output;
}

TEST_F(ArchiveTools, LhaTestsAndExtractsEveryMember) {
    RequireTool("lha", "lhasa");
    const std::string longName = std::string(223, 'L') + ".mp3";  // 227 bytes: the padded header
    const std::vector<ToolMember> members = {
        {"Track 01.mp3", MemberData(5000, 1)},
        {longName, MemberData(300, 3)},
        {"Track 02.mp3", MemberData(70000, 2)},
    };
    const auto path = WriteArchive(pack::ArchiveFormat::Lzh, members, "album.lzh.mp3");

    // The bytes lhasa forgives: the pad byte and the end byte.
    const std::size_t longHeader = kBase + 29 + 12 + 5000;
    ASSERT_GT(bytes_.size(), longHeader + 257);
    EXPECT_EQ(bytes_[longHeader] | (bytes_[longHeader + 1] << 8), 257);
    EXPECT_EQ(bytes_[longHeader + 27 + 227 + 2], 0x00);  // pad behind the chain end
    EXPECT_EQ(bytes_[longHeader + 257], members[1].data[0]);
    EXPECT_EQ(bytes_.size(), longHeader + 257 + 300 + 29 + 12 + 70000 + 1);
    EXPECT_EQ(bytes_.back(), 0x00);

    const auto test = RunArchiveTool("lha t " + Quoted(path));
    EXPECT_EQ(test.exitCode, 0) << test.output;
    // lha lists nothing and exits 0 when it finds no header: count the members.
    std::size_t tested = 0;
    for (std::size_t at = test.output.find("- Tested"); at != std::string::npos; at = test.output.find("- Tested", at + 1)) {
        ++tested;
    }
    EXPECT_EQ(tested, members.size()) << test.output;
    EXPECT_EQ(test.output.find("CRC"), std::string::npos) << test.output;
    for (const auto& member : members) EXPECT_NE(test.output.find(member.name), std::string::npos) << test.output;

    const std::filesystem::path out = folder_.file("out");
    std::filesystem::create_directory(out);
    const auto extract = RunArchiveTool("cd " + Quoted(out) + " && lha xq " + Quoted(path));
    EXPECT_EQ(extract.exitCode, 0) << extract.output;
    std::size_t extracted = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        (void)entry;
        ++extracted;
    }
    EXPECT_EQ(extracted, members.size());
    for (const auto& member : members) {
        std::ifstream in(out / member.name, std::ios::binary);
        ASSERT_TRUE(in) << member.name << " was not extracted";
        const core::Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(data, member.data) << member.name;
    }
}
