#include "pack/ArchiveWriter.h"

#include "pack/Crc16.h"
#include "pack/Crc32.h"
#include "pack/LzhWriter.h"
#include "pack/ZipWriter.h"

namespace quilto::pack {

namespace {

std::uint32_t Update(MemberChecksum kind, std::uint32_t value, core::ByteView chunk) {
    return kind == MemberChecksum::Crc16 ? Crc16Update(static_cast<std::uint16_t>(value), chunk)
                                         : Crc32Update(value, chunk);
}

}  // namespace

std::string_view ArchiveErrorText(ArchiveError error) {
    switch (error) {
        case ArchiveError::None: return "no error";
        case ArchiveError::WriteFailed: return "write failed";
        case ArchiveError::ReadFailed: return "the member's data could not be read";
        case ArchiveError::DataChanged: return "the member's data changed while it was written";
        case ArchiveError::EmptyName: return "empty member name";
        case ArchiveError::NameTooLong: return "member name too long";
        case ArchiveError::TooLarge: return "archive larger than 4 GiB";
        case ArchiveError::TooManyMembers: return "more than 65535 members";
        case ArchiveError::NotStarted: return "archive not started";
    }
    return "unknown error";
}

std::unique_ptr<ArchiveWriter> MakeArchiveWriter(ArchiveFormat format, const core::TextCodec* codec) {
    if (format == ArchiveFormat::Lzh) return std::make_unique<LzhWriter>(codec);
    return std::make_unique<ZipWriter>(codec);
}

MemberScan ScanMember(const MemberSource& data, MemberChecksum kind) {
    MemberScan scan;
    std::uint64_t count = 0;
    const bool read = data.read([&](core::ByteView chunk) {
        scan.checksum = Update(kind, scan.checksum, chunk);
        count += chunk.size();
        return true;
    });
    if (!read || count != data.size()) scan.error = ArchiveError::ReadFailed;
    return scan;
}

ArchiveError CopyMember(ArchiveSink& sink, const MemberSource& data, MemberChecksum kind, std::uint32_t checksum) {
    // Data that cannot change between the two passes needs no second sum.
    const bool verify = !data.unchanging();
    std::uint32_t again = 0;
    std::uint64_t count = 0;
    bool writeFailed = false;
    const bool read = data.read([&](core::ByteView chunk) {
        if (verify) again = Update(kind, again, chunk);
        count += chunk.size();
        if (!sink.write(chunk)) writeFailed = true;
        return !writeFailed;
    });
    if (writeFailed) return ArchiveError::WriteFailed;
    if (!read) return ArchiveError::ReadFailed;
    if (count != data.size() || (verify && again != checksum)) return ArchiveError::DataChanged;
    return ArchiveError::None;
}

MemberScan StreamMember(ArchiveSink& sink, const MemberSource& data, MemberChecksum kind) {
    MemberScan scan;
    std::uint64_t count = 0;
    bool writeFailed = false;
    const bool read = data.read([&](core::ByteView chunk) {
        scan.checksum = Update(kind, scan.checksum, chunk);
        count += chunk.size();
        if (!sink.write(chunk)) writeFailed = true;
        return !writeFailed;
    });
    if (writeFailed) {
        scan.error = ArchiveError::WriteFailed;
    } else if (!read || count != data.size()) {
        scan.error = ArchiveError::ReadFailed;
    }
    return scan;
}

}  // namespace quilto::pack
