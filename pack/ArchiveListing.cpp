#include "pack/ArchiveListing.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/Utf.h"
#include "pack/DosDateTime.h"
#include "pack/LittleEndian.h"
#include "pack/LzhWriter.h"
#include "pack/ZipWriter.h"

namespace quilto::pack {

namespace {

// Room left in the file from offset on.
std::uint64_t Remaining(const core::InputFile& file, std::uint64_t offset) {
    return offset < file.size() ? file.size() - offset : 0;
}

// The smallest level-2 header that can carry a name extended header.
constexpr std::size_t kLzhMinHeaderSize = kLzhFixedHeaderSize + kLzhNameOverhead;
constexpr std::uint8_t kLzhLevel2 = 2;
constexpr std::uint8_t kLzhFileNameHeader = 1;

// ZIP flag bits a stored member must not carry: encrypted (0), sizes in a
// descriptor behind the data (3). Bit 11 marks a UTF-8 name.
constexpr std::uint16_t kZipRefusedFlags = 0x0009;
constexpr std::uint16_t kZipUtf8Flag = 0x0800;

// The type-1 extended header's name in a level-2 header, following the
// chain from the size field at offset 24. Nothing when the chain is damaged:
// a size too small to hold its own fields or reaching past the header.
std::optional<std::string> LzhName(const core::Bytes& header) {
    std::string name;
    bool found = false;
    std::size_t at = kLzhFixedHeaderSize;
    std::size_t next = ReadLe16(&header[kLzhFixedHeaderSize - 2]);
    while (next != 0) {
        // Every step moves on by at least 3 bytes, so the walk ends.
        if (next < kLzhNameOverhead || next > header.size() - at) return std::nullopt;
        if (!found && header[at] == kLzhFileNameHeader) {
            name.assign(reinterpret_cast<const char*>(&header[at + 1]), next - kLzhNameOverhead);
            found = true;
        }
        const std::size_t following = ReadLe16(&header[at + next - 2]);
        at += next;
        next = following;
    }
    return name;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Decimal digits only, saturating at limit (callers pass limits far below
// 2^60, so value * 10 + 9 cannot wrap); nothing for any other character.
std::optional<std::uint64_t> ParseDigits(std::string_view digits, std::uint64_t limit) {
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min(limit, value * 10 + static_cast<std::uint64_t>(c - '0'));
    }
    return value;
}

// Numbers of the foreign index saturate here: far beyond any file, small
// enough that moving them by a file position cannot overflow.
constexpr std::uint64_t kWrapValueLimit = std::uint64_t{1} << 53;

// One number of a foreign index record, "integer.fraction[][]": units of
// 10,000 bytes with up to four fraction digits. Consumes it and the three
// characters behind its "[".
std::optional<std::uint64_t> TakeWrapNumber(std::string_view& rest) {
    constexpr std::uint64_t limit = kWrapValueLimit;
    constexpr std::uint64_t kUnit = 10'000;
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::size_t bracket = rest.find('[', dot + 1);
    if (bracket == std::string_view::npos || rest.size() - bracket < 4) return std::nullopt;
    const std::string_view fractionText = TrimBlanks(rest.substr(dot + 1, bracket - dot - 1));
    if (fractionText.size() > 4) return std::nullopt;
    const auto whole = ParseDigits(TrimBlanks(rest.substr(0, dot)), limit / kUnit + 1);
    const auto fraction = ParseDigits(fractionText, kUnit);
    if (!whole || !fraction) return std::nullopt;
    std::uint64_t scaled = *fraction;
    for (std::size_t i = fractionText.size(); i < 4; ++i) scaled *= 10;
    rest.remove_prefix(bracket + 4);
    return std::min(*whole * kUnit + scaled, limit);
}

}  // namespace

std::vector<ArchiveMember> ListLzhMembers(core::InputFile& file, const core::TextCodec& codec) {
    std::vector<ArchiveMember> members;
    std::uint64_t headerStart = file.position();
    for (;; headerStart = file.position()) {
        core::Bytes header(kLzhFixedHeaderSize);
        if (file.read(header.data(), header.size()) < header.size()) break;
        const std::size_t headerSize = ReadLe16(&header[0]);
        if (headerSize == 0 || std::memcmp(&header[2], "-lh0-", 5) != 0) break;
        if (headerSize < kLzhMinHeaderSize || header[20] != kLzhLevel2) break;
        if (headerSize > Remaining(file, headerStart)) break;
        header.resize(headerSize);
        const std::size_t rest = headerSize - kLzhFixedHeaderSize;
        if (file.read(&header[kLzhFixedHeaderSize], rest) < rest) break;
        const std::optional<std::string> name = LzhName(header);
        if (!name) break;

        const std::uint64_t dataStart = headerStart + headerSize;
        const std::uint64_t stored = ReadLe32(&header[7]);
        if (stored > Remaining(file, dataStart)) break;
        members.push_back({codec.decode(*name), dataStart, dataStart + stored,
                           DosDateTimeFromUnix(static_cast<std::int64_t>(ReadLe32(&header[15])))});
        file.seek(dataStart + stored);
    }
    file.seek(headerStart);
    return members;
}

std::vector<ArchiveMember> ListZipMembers(core::InputFile& file, const core::TextCodec& codec) {
    std::vector<ArchiveMember> members;
    std::uint64_t headerStart = file.position();
    for (;; headerStart = file.position()) {
        std::array<std::uint8_t, kZipLocalHeaderSize> header{};
        // The central directory's signature ends the walk as any other would.
        if (file.read(header.data(), header.size()) < header.size()) break;
        if (ReadLe32(&header[0]) != kZipLocalSignature) break;
        const std::uint16_t flags = ReadLe16(&header[6]);
        if (ReadLe16(&header[8]) != 0 || (flags & kZipRefusedFlags) != 0) break;
        const std::uint32_t size = ReadLe32(&header[18]);
        const std::size_t nameLength = ReadLe16(&header[26]);
        const std::size_t extraLength = ReadLe16(&header[28]);
        const std::uint64_t nameStart = headerStart + kZipLocalHeaderSize;
        if (nameLength + extraLength > Remaining(file, nameStart)) break;
        const std::uint64_t dataStart = nameStart + nameLength + extraLength;
        if (size > Remaining(file, dataStart)) break;
        if (nameLength != 0) {
            const core::Bytes raw = file.readBytesAt(nameStart, nameLength);
            const std::string_view bytes = core::AsChars(raw);
            std::string name = (flags & kZipUtf8Flag) != 0 && core::IsValidUtf8(bytes) ? std::string(bytes)
                                                                                        : codec.decode(bytes);
            members.push_back({std::move(name), dataStart, dataStart + size,
                               (std::uint32_t{ReadLe16(&header[12])} << 16) | ReadLe16(&header[10])});
        }
        file.seek(dataStart + size);
    }
    file.seek(headerStart);
    return members;
}

std::vector<ArchiveMember> ListWrapMembers(core::InputFile& file, const core::TextCodec& codec) {
    std::vector<ArchiveMember> members;
    const std::uint64_t indexStart = file.position();
    const std::uint64_t fileSize = file.size();
    std::array<char, kWrapCountSize> countText{};
    if (file.read(countText.data(), countText.size()) < countText.size()) return members;
    std::string_view count(countText.data(), countText.size());
    while (!count.empty() && IsBlank(count.back())) count.remove_suffix(1);
    // A count no index in this file could hold is as good as "all there are".
    const auto records = ParseDigits(count, fileSize / kWrapRecordSize + 1);
    if (!records) return members;

    std::array<char, kWrapRecordSize> record{};
    for (std::uint64_t i = 0; i < *records; ++i) {
        if (file.read(record.data(), record.size()) < record.size()) break;
        std::string_view rest(record.data(), record.size());
        const auto length = TakeWrapNumber(rest);
        if (!length) break;
        const auto start = TakeWrapNumber(rest);
        if (!start) break;
        members.push_back({codec.decode(TrimBlanks(rest)), *start, *start + *length, 0});
    }

    // The stored starts count from some origin of the foreign program: move
    // them so the first member begins right behind the index, then keep
    // every member inside the file.
    const std::uint64_t indexEnd =
        std::min(fileSize, indexStart + kWrapCountSize + *records * std::uint64_t{kWrapRecordSize});
    file.seek(indexEnd);
    if (!members.empty()) {
        // Both sides stay below 2^54 and 2^63: the difference cannot overflow.
        const auto shift = static_cast<std::int64_t>(indexEnd) - static_cast<std::int64_t>(members.front().start);
        const auto place = [&](std::uint64_t offset) {
            const std::int64_t moved = static_cast<std::int64_t>(offset) + shift;
            return static_cast<std::uint64_t>(std::clamp<std::int64_t>(moved, 0, static_cast<std::int64_t>(fileSize)));
        };
        for (ArchiveMember& member : members) {
            member.start = place(member.start);
            member.end = place(member.end);
        }
    }
    return members;
}

}  // namespace quilto::pack
