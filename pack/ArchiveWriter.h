// The stored-archive writers behind the Zip and Lha pack formats: one member
// per track, written through an ArchiveSink at the sink's position.
//
// Order of calls: start(base) with the sink position where the archive
// begins, writeMember for each track, finish at the end (ZIP: the central
// directory and end record; LZH: the single 0x00 end byte). A refused call
// (empty name, a size or offset beyond 32 bits, too many members) writes
// nothing.
//
// Over a sink that can patch (ArchiveSink::canPatch) a member is read once:
// header with a placeholder checksum, data, then the checksum written into
// the header. A failure after the header leaves a partial member behind; the
// caller discards the output, as after any failed write.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/TextCodec.h"
#include "pack/ArchiveSink.h"
#include "pack/MemberSource.h"

namespace quilto::pack {

enum class ArchiveError {
    None,
    WriteFailed,     // the sink did not take every byte
    ReadFailed,      // the member's data could not be read in full
    DataChanged,     // the data copied differs from the data checksummed before the header
    EmptyName,
    NameTooLong,     // the name's bytes do not fit the header's length field
    TooLarge,        // a size or offset beyond 0xFFFFFFFF
    TooManyMembers,  // a ZIP archive holds at most 65535 members
    NotStarted,      // a ZIP member or finish without start, or the sink is behind the base
};

// A short English reason for messages.
std::string_view ArchiveErrorText(ArchiveError error);

// Index 0 LZH, index 1 ZIP, as the pack writer's table has them.
enum class ArchiveFormat { Lzh = 0, Zip = 1 };

inline constexpr std::uint64_t kMaxArchiveField = 0xFFFFFFFFu;

class ArchiveWriter {
public:
    virtual ~ArchiveWriter() = default;
    virtual ArchiveError start(std::uint64_t base) = 0;
    // name is UTF-8 and is stored in the legacy code page; dosDateTime has the
    // date in its high 16 bits.
    virtual ArchiveError writeMember(ArchiveSink& sink, std::string_view name, std::uint32_t dosDateTime,
                                     const MemberSource& data) = 0;
    virtual ArchiveError finish(ArchiveSink& sink) = 0;
};

// codec: the code page of the stored names; none for core::LegacyCodec().
std::unique_ptr<ArchiveWriter> MakeArchiveWriter(ArchiveFormat format, const core::TextCodec* codec = nullptr);

// One member through either writer: the call the pack writer makes per track.
inline ArchiveError WriteArchiveMember(ArchiveWriter& writer, ArchiveSink& sink, std::string_view name,
                                       std::uint32_t dosDateTime, const MemberSource& data) {
    return writer.writeMember(sink, name, dosDateTime, data);
}

// Shared by the writers: a checksum over a member's data and the copy that
// checks the same data arrives again (two passes), or the copy that sums as
// it goes (one pass).
enum class MemberChecksum { Crc16, Crc32 };

struct MemberScan {
    ArchiveError error = ArchiveError::None;
    std::uint32_t checksum = 0;
};

// Reads the data once; ReadFailed when it gives other than size() bytes.
MemberScan ScanMember(const MemberSource& data, MemberChecksum kind);

// Writes the data to the sink; DataChanged when its length or checksum is no
// longer the one already written in the header.
ArchiveError CopyMember(ArchiveSink& sink, const MemberSource& data, MemberChecksum kind, std::uint32_t checksum);

// Writes the data to the sink once and sums it on the way; ReadFailed when it
// gives other than size() bytes.
MemberScan StreamMember(ArchiveSink& sink, const MemberSource& data, MemberChecksum kind);

}  // namespace quilto::pack
