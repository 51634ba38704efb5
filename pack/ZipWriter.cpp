#include "pack/ZipWriter.h"

#include "pack/DosDateTime.h"
#include "pack/LittleEndian.h"

namespace quilto::pack {

namespace {

constexpr std::uint32_t kVersionNeeded = 10;
constexpr std::uint8_t kVersionMadeBy = 23;
constexpr std::uint8_t kHostByte = 11;
// Of the CRC-32 in the local header: signature, version, flags, method, time, date.
constexpr std::uint64_t kZipCrcOffset = 14;

// The fields local and central headers share from "version needed" to
// "extra length": flags 0 (no UTF-8 flag: names are code page bytes),
// method 0 (stored).
void PutCommonFields(core::Bytes& out, std::uint32_t dosDateTime, std::uint32_t crc, std::uint32_t size,
                     std::size_t nameLength) {
    PutLe16(out, kVersionNeeded);
    PutLe16(out, 0);  // flags
    PutLe16(out, 0);  // method: stored
    PutLe16(out, dosDateTime & 0xFFFFu);  // time
    PutLe16(out, dosDateTime >> 16);      // date
    PutLe32(out, crc);
    PutLe32(out, size);  // compressed
    PutLe32(out, size);  // uncompressed
    PutLe16(out, static_cast<std::uint32_t>(nameLength));
    PutLe16(out, 0);  // extra length
}

bool WriteBytes(ArchiveSink& sink, const core::Bytes& bytes) { return sink.write(bytes); }

}  // namespace

ArchiveError ZipWriter::start(std::uint64_t base) {
    base_ = base;
    members_.clear();
    return ArchiveError::None;
}

ArchiveError ZipWriter::writeMember(ArchiveSink& sink, std::string_view name, std::uint32_t dosDateTime,
                                    const MemberSource& data) {
    if (!base_ || sink.position() < *base_) return ArchiveError::NotStarted;
    if (name.empty()) return ArchiveError::EmptyName;
    std::string bytes = (codec_ ? *codec_ : core::LegacyCodec()).encode(name).bytes;
    if (bytes.empty()) return ArchiveError::EmptyName;
    if (bytes.size() > 0xFFFF) return ArchiveError::NameTooLong;
    if (members_.size() >= kZipMaxMembers) return ArchiveError::TooManyMembers;
    const std::uint64_t offset = sink.position() - *base_;
    const std::uint64_t size = data.size();
    // The central directory starts behind this member: its offset must fit too.
    if (size > kMaxArchiveField || offset + kZipLocalHeaderSize + bytes.size() + size > kMaxArchiveField) {
        return ArchiveError::TooLarge;
    }

    // Two passes only over a sink that cannot go back to the header.
    const bool onePass = sink.canPatch();
    MemberScan scan;
    if (!onePass) {
        scan = ScanMember(data, MemberChecksum::Crc32);
        if (scan.error != ArchiveError::None) return scan.error;
    }

    Member member{std::move(bytes), NormalizeDosDateTime(dosDateTime), scan.checksum, static_cast<std::uint32_t>(size),
                  static_cast<std::uint32_t>(offset)};
    core::Bytes header;
    header.reserve(kZipLocalHeaderSize + member.name.size());
    PutLe32(header, kZipLocalSignature);
    PutCommonFields(header, member.dosDateTime, member.crc32, member.size, member.name.size());
    header.insert(header.end(), member.name.begin(), member.name.end());
    const std::uint64_t headerAt = sink.position();
    if (!WriteBytes(sink, header)) return ArchiveError::WriteFailed;
    if (onePass) {
        scan = StreamMember(sink, data, MemberChecksum::Crc32);
        if (scan.error != ArchiveError::None) return scan.error;
        member.crc32 = scan.checksum;
        core::Bytes crc;
        PutLe32(crc, member.crc32);
        if (!sink.patch(headerAt + kZipCrcOffset, crc)) return ArchiveError::WriteFailed;
    } else if (const ArchiveError error = CopyMember(sink, data, MemberChecksum::Crc32, member.crc32);
               error != ArchiveError::None) {
        return error;
    }
    members_.push_back(std::move(member));
    return ArchiveError::None;
}

ArchiveError ZipWriter::finish(ArchiveSink& sink) {
    if (!base_ || sink.position() < *base_) return ArchiveError::NotStarted;
    const std::uint64_t base = *base_;
    const std::vector<Member> members = std::move(members_);
    base_.reset();
    members_.clear();

    const std::uint64_t directoryOffset = sink.position() - base;
    std::uint64_t directorySize = 0;
    for (const Member& member : members) directorySize += kZipCentralHeaderSize + member.name.size();
    if (directoryOffset > kMaxArchiveField || directorySize > kMaxArchiveField) return ArchiveError::TooLarge;

    for (const Member& member : members) {
        core::Bytes header;
        header.reserve(kZipCentralHeaderSize + member.name.size());
        PutLe32(header, kZipCentralSignature);
        header.push_back(kVersionMadeBy);
        header.push_back(kHostByte);
        PutCommonFields(header, member.dosDateTime, member.crc32, member.size, member.name.size());
        PutLe16(header, 0);  // comment length
        PutLe16(header, 0);  // disk number
        PutLe16(header, 0);  // internal attributes
        PutLe32(header, 0);  // external attributes
        PutLe32(header, member.offset);
        header.insert(header.end(), member.name.begin(), member.name.end());
        if (!WriteBytes(sink, header)) return ArchiveError::WriteFailed;
    }

    const std::uint64_t written = sink.position() - base - directoryOffset;
    core::Bytes end;
    end.reserve(kZipEndRecordSize);
    PutLe32(end, kZipEndSignature);
    PutLe16(end, 0);  // this disk
    PutLe16(end, 0);  // disk of the central directory
    PutLe16(end, static_cast<std::uint32_t>(members.size()));
    PutLe16(end, static_cast<std::uint32_t>(members.size()));
    PutLe32(end, static_cast<std::uint32_t>(written));
    PutLe32(end, static_cast<std::uint32_t>(directoryOffset));
    PutLe16(end, 0);  // comment length
    return WriteBytes(sink, end) ? ArchiveError::None : ArchiveError::WriteFailed;
}

}  // namespace quilto::pack
