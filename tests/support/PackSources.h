// What the packed-file tests share: the three source files they pack (from
// the fixtures), the region of each the writer keeps, and file bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "pack/PackOptions.h"
#include "support/FixtureFacts.h"

namespace quilto::test {

struct SourceFile {
    std::string name;  // in the test folder, in list order
    std::string fixture;
};
// Two tagged mono files (ID3v2 + ID3v1, Info frame) and an untagged stereo one.
inline const std::vector<SourceFile> kPackSources = {
    {"01 lame.mp3", "tag_lame_id3.mp3"},
    {"02 tool.mp3", "tag_id3v2tool_v23_v1.mp3"},
    {"03 plain.mp3", "cbr128_stereo_info.mp3"},
};

inline core::Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return core::Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::filesystem::path& path, const core::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline core::Bytes Slice(const core::Bytes& bytes, std::uint64_t from, std::uint64_t to) {
    return core::Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

inline std::vector<std::string> Listing(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The bytes a track of `fixture` should have in a packed file, from the
// generator's measurements: ID3v2 length, Info frame length, ID3v1 present.
inline core::Bytes ExpectedTrack(const std::string& fixture, const pack::PackOptions& options) {
    const core::Bytes file = ReadAll(std::filesystem::path(QUILTO_FIXTURE_DIR) / fixture);
    const auto& facts = ExpectedFacts().at(fixture);
    const std::uint64_t tag = std::stoull(facts.at("v2_length"));
    const std::uint64_t xing = facts.at("vbr_kind").empty() ? 0 : std::stoull(facts.at("vbr_frame_length"));
    std::uint64_t end = file.size();
    if (options.removeId3v1 && facts.at("v1_present") == "1") end -= 128;
    core::Bytes track = options.removeId3v2 ? core::Bytes{} : Slice(file, 0, tag);
    const core::Bytes audio = Slice(file, tag + (options.removeXing ? xing : 0), end);
    track.insert(track.end(), audio.begin(), audio.end());
    return track;
}

}  // namespace quilto::test
