// Stored "-lh0-" LZH archives: level-2 headers carrying only the file name
// extended header, each followed by the member's data; a single 0x00 byte
// ends the archive.
#pragma once

#include "pack/ArchiveWriter.h"

namespace quilto::pack {

inline constexpr std::size_t kLzhFixedHeaderSize = 26;
// Type byte and next-size field around the name in the name extended header.
inline constexpr std::size_t kLzhNameOverhead = 3;
// The header size field is 16 bits: 26 + n + 3 must stay at or below 0xFFFF.
inline constexpr std::size_t kLzhMaxNameBytes = 0xFFFF - kLzhFixedHeaderSize - kLzhNameOverhead;

class LzhWriter final : public ArchiveWriter {
public:
    // Without a codec, names go through core::LegacyCodec() as it is at each call.
    explicit LzhWriter(const core::TextCodec* codec = nullptr) : codec_(codec) {}

    // Nothing to prepare: LZH headers carry no offsets.
    ArchiveError start(std::uint64_t) override { return ArchiveError::None; }
    ArchiveError writeMember(ArchiveSink& sink, std::string_view name, std::uint32_t dosDateTime,
                             const MemberSource& data) override;
    // The end byte.
    ArchiveError finish(ArchiveSink& sink) override;

private:
    const core::TextCodec* codec_;  // may be null
};

}  // namespace quilto::pack
