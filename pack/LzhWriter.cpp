#include "pack/LzhWriter.h"

#include <algorithm>

#include "pack/DosDateTime.h"
#include "pack/LittleEndian.h"

namespace quilto::pack {

namespace {

constexpr std::uint8_t kAttribute = 0x20;
constexpr std::uint8_t kHeaderLevel = 2;
constexpr std::uint8_t kOsMsDos = 'M';
constexpr std::uint8_t kFileNameHeader = 1;
// Of the CRC-16 in the header: size, method, both sizes, time stamp, attribute, level.
constexpr std::uint64_t kCrcOffset = 21;

}  // namespace

ArchiveError LzhWriter::writeMember(ArchiveSink& sink, std::string_view name, std::uint32_t dosDateTime,
                                    const MemberSource& data) {
    if (name.empty()) return ArchiveError::EmptyName;
    const std::string bytes = (codec_ ? *codec_ : core::LegacyCodec()).encode(name).bytes;
    if (bytes.empty()) return ArchiveError::EmptyName;
    if (bytes.size() > kLzhMaxNameBytes) return ArchiveError::NameTooLong;
    const std::uint64_t size = data.size();
    if (size > kMaxArchiveField) return ArchiveError::TooLarge;

    // Two passes only over a sink that cannot go back to the header.
    const bool onePass = sink.canPatch();
    MemberScan scan;
    if (!onePass) {
        scan = ScanMember(data, MemberChecksum::Crc16);
        if (scan.error != ArchiveError::None) return scan.error;
    }

    // A header size with a low byte of 0 is raised by one and padded; readers
    // of this format take such a size byte for the end of the archive.
    std::size_t headerSize = kLzhFixedHeaderSize + bytes.size() + kLzhNameOverhead;
    const bool pad = (headerSize & 0xFFu) == 0;
    if (pad) ++headerSize;

    const std::int64_t stamp = UnixFromDosDateTime(NormalizeDosDateTime(dosDateTime));
    const auto stamp32 = static_cast<std::uint32_t>(std::clamp<std::int64_t>(stamp, 0, kMaxArchiveField));

    core::Bytes header;
    header.reserve(headerSize);
    PutLe16(header, static_cast<std::uint32_t>(headerSize));
    for (const char c : std::string_view("-lh0-")) header.push_back(static_cast<std::uint8_t>(c));
    PutLe32(header, static_cast<std::uint32_t>(size));  // stored
    PutLe32(header, static_cast<std::uint32_t>(size));  // original
    PutLe32(header, stamp32);
    header.push_back(kAttribute);
    header.push_back(kHeaderLevel);
    PutLe16(header, scan.checksum);
    header.push_back(kOsMsDos);
    PutLe16(header, static_cast<std::uint32_t>(bytes.size() + kLzhNameOverhead));
    header.push_back(kFileNameHeader);
    header.insert(header.end(), bytes.begin(), bytes.end());
    PutLe16(header, 0);  // end of the extended header chain
    if (pad) header.push_back(0x00);

    const std::uint64_t headerAt = sink.position();
    if (!sink.write(header)) return ArchiveError::WriteFailed;
    if (!onePass) return CopyMember(sink, data, MemberChecksum::Crc16, scan.checksum);
    scan = StreamMember(sink, data, MemberChecksum::Crc16);
    if (scan.error != ArchiveError::None) return scan.error;
    core::Bytes crc;
    PutLe16(crc, scan.checksum);
    return sink.patch(headerAt + kCrcOffset, crc) ? ArchiveError::None : ArchiveError::WriteFailed;
}

ArchiveError LzhWriter::finish(ArchiveSink& sink) {
    const std::uint8_t end = 0x00;
    return sink.write(core::ByteView(&end, 1)) ? ArchiveError::None : ArchiveError::WriteFailed;
}

}  // namespace quilto::pack
