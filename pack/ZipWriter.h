// Stored ZIP archives: local headers with the data behind them, then the
// central directory and its end record. Every offset is counted from the
// archive base, so an archive behind a head tag reads as a ZIP archive of its
// own when cut out at the base.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pack/ArchiveWriter.h"

namespace quilto::pack {

inline constexpr std::uint32_t kZipLocalSignature = 0x04034B50;
inline constexpr std::uint32_t kZipCentralSignature = 0x02014B50;
inline constexpr std::uint32_t kZipEndSignature = 0x06054B50;
inline constexpr std::size_t kZipLocalHeaderSize = 30;
inline constexpr std::size_t kZipCentralHeaderSize = 46;
inline constexpr std::size_t kZipEndRecordSize = 22;
inline constexpr std::size_t kZipMaxMembers = 0xFFFF;

class ZipWriter final : public ArchiveWriter {
public:
    // Without a codec, names go through core::LegacyCodec() as it is at each call.
    explicit ZipWriter(const core::TextCodec* codec = nullptr) : codec_(codec) {}

    ArchiveError start(std::uint64_t base) override;
    ArchiveError writeMember(ArchiveSink& sink, std::string_view name, std::uint32_t dosDateTime,
                             const MemberSource& data) override;
    ArchiveError finish(ArchiveSink& sink) override;

private:
    struct Member {
        std::string name;  // code page bytes
        std::uint32_t dosDateTime = 0;
        std::uint32_t crc32 = 0;
        std::uint32_t size = 0;
        std::uint32_t offset = 0;  // of the local header, from the base
    };

    const core::TextCodec* codec_;  // may be null
    std::optional<std::uint64_t> base_;
    std::vector<Member> members_;
};

}  // namespace quilto::pack
