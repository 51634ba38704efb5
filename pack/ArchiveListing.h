// Lists the members of the archives inside packed files: stored ZIP and LZH
// archives and the read-only index of the foreign container. The readers
// take the file as hostile: they stop at the first damage and keep the
// members listed so far; no member reaches past the end of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/InputFile.h"
#include "core/TextCodec.h"

namespace quilto::pack {

struct ArchiveMember {
    std::string name;  // UTF-8
    std::uint64_t start = 0;  // first data byte in the file
    std::uint64_t end = 0;    // one past the last
    std::uint32_t dosDateTime = 0;  // date in the high 16 bits; 0 for the foreign container

    bool operator==(const ArchiveMember&) const = default;
};

// Each starts at the file's position, which must be the first member's
// header (the index for ListWrapMembers), and leaves it where it stopped.
std::vector<ArchiveMember> ListLzhMembers(core::InputFile& file, const core::TextCodec& codec = core::LegacyCodec());
std::vector<ArchiveMember> ListZipMembers(core::InputFile& file, const core::TextCodec& codec = core::LegacyCodec());
std::vector<ArchiveMember> ListWrapMembers(core::InputFile& file, const core::TextCodec& codec = core::LegacyCodec());

// Layout of the foreign container's index.
inline constexpr std::size_t kWrapCountSize = 12;
inline constexpr std::size_t kWrapRecordSize = 501;

}  // namespace quilto::pack
