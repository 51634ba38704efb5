#include "pack/PackBlock.h"

#include <algorithm>
#include <array>

#include "pack/PackFields.h"

namespace quilto::pack {

namespace {

using core::SizeEncoding;

constexpr std::string_view kSignature = "Pack";
constexpr std::size_t kCopyChunk = 1 << 20;

struct EncodedNames {
    std::string albumTitle;
    std::vector<std::array<std::string, 3>> tracks;  // file name, artist, title
    std::uint64_t directorySize = 0;
};

std::optional<EncodedNames> EncodeNames(std::string_view albumTitle, const std::vector<PackWork>& tracks,
                                        const core::TextCodec& codec, std::string& error) {
    EncodedNames names;
    auto encode = [&](std::string_view text, std::string& to) {
        to = codec.encode(text).bytes;
        if (to.find('\0') == std::string::npos) return true;
        error = "a name holds a NUL character, which ends it in the track directory";
        return false;
    };
    if (!encode(albumTitle, names.albumTitle)) return std::nullopt;
    names.directorySize = kPackHeaderSize + names.albumTitle.size() + 1 + 4;
    names.tracks.reserve(tracks.size());
    for (const PackWork& track : tracks) {
        auto& entry = names.tracks.emplace_back();
        if (!encode(track.fileName, entry[0]) || !encode(track.artist, entry[1]) || !encode(track.title, entry[2])) {
            return std::nullopt;
        }
        names.directorySize += 4 + entry[0].size() + entry[1].size() + entry[2].size() + 3;
    }
    return names;
}

// Each track's start from firstOffset on, then the end of the last track;
// nothing when an offset would not fit even 32 plain bits.
std::optional<std::vector<std::uint64_t>> TrackOffsets(const std::vector<PackWork>& tracks, std::uint64_t firstOffset) {
    std::vector<std::uint64_t> offsets{firstOffset};
    for (const PackWork& track : tracks) {
        if (track.tagBytes > kMaxPlainOffset || track.dataBytes > kMaxPlainOffset) return std::nullopt;
        const std::uint64_t next = offsets.back() + track.tagBytes + track.dataBytes;
        if (next > kMaxPlainOffset) return std::nullopt;
        offsets.push_back(next);
    }
    return offsets;
}

// Everything but the extension: header, album title, track entries, end offset.
// Adds PlainOffsets to flags when the last offset outgrows syncsafe.
bool BuildDirectory(const EncodedNames& names, const std::vector<PackWork>& tracks, std::uint64_t firstOffset,
                    std::uint8_t& flags, core::Bytes& out, std::vector<std::uint64_t>& offsets, std::string& error) {
    if (tracks.size() > kMaxPackTracks) {
        error = "a packed file holds at most " + std::to_string(kMaxPackTracks) + " tracks";
        return false;
    }
    if (names.directorySize > kMaxSyncsafeOffset) {
        error = "the track directory is too large";
        return false;
    }
    auto computed = TrackOffsets(tracks, firstOffset);
    if (!computed) {
        error = "the tracks take more than 4 GiB, beyond what the track directory can address";
        return false;
    }
    offsets = std::move(*computed);
    if (offsets.back() > kMaxSyncsafeOffset) flags |= PackFlag::PlainOffsets;
    const SizeEncoding encoding = (flags & PackFlag::PlainOffsets) ? SizeEncoding::Plain : SizeEncoding::Syncsafe;

    out.reserve(out.size() + names.directorySize);
    out.insert(out.end(), kSignature.begin(), kSignature.end());
    AppendSize(out, SizeEncoding::Syncsafe, static_cast<std::uint32_t>(names.directorySize));
    AppendSize(out, SizeEncoding::Syncsafe, static_cast<std::uint32_t>(tracks.size()), 2);
    out.push_back(0x00);
    out.push_back(flags);
    auto appendString = [&out](const std::string& text) {
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0x00);
    };
    appendString(names.albumTitle);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        AppendSize(out, encoding, static_cast<std::uint32_t>(offsets[i]));
        for (const std::string& text : names.tracks[i]) appendString(text);
    }
    AppendSize(out, encoding, static_cast<std::uint32_t>(offsets.back()));
    return true;
}

bool WriteChecked(OutputFile& out, core::ByteView bytes, std::string& error) {
    if (out.write(bytes)) return true;
    error = "Write Error - " + std::to_string(out.lastError());
    return false;
}

}  // namespace

std::optional<std::uint64_t> PackDirectorySize(std::string_view albumTitle, const std::vector<PackWork>& tracks,
                                               const core::TextCodec& codec) {
    std::string ignored;
    const auto names = EncodeNames(albumTitle, tracks, codec, ignored);
    if (!names) return std::nullopt;
    return names->directorySize;
}

bool WritePackBlock(OutputFile& out, const PackBlockInput& input, PackBlockLayout* layout, std::string& error,
                    const core::TextCodec& codec) {
    const auto names = EncodeNames(input.albumTitle, input.tracks, codec, error);
    if (!names) return false;
    std::uint8_t flags = input.flags & PackFlag::Known;
    const bool extension = (flags & PackFlag::Extension) != 0;
    const std::uint64_t leading = (flags & PackFlag::LeadingSilence) ? input.leadingSilent : 0;
    const std::uint64_t trailing = (flags & PackFlag::TrailingSilence) ? input.trailingSilent : 0;

    std::uint64_t inserted = 0;
    std::uint64_t xingFrames = input.totalFrames;
    std::uint64_t xingBytes = input.totalBytes;
    std::uint64_t firstOffset = names->directorySize;
    if (extension) {
        if (!input.frames || input.frames->frameLength < kMinAddedFrameLength) {
            error = "added frames need a bit rate, sampling rate and channel mode";
            return false;
        }
        if (leading > kMaxSilentFrames || trailing > kMaxSilentFrames) {
            error = "at most " + std::to_string(kMaxSilentFrames) + " silent frames on each side";
            return false;
        }
        const std::uint64_t f = input.frames->frameLength;
        if (flags & PackFlag::XingFrame) {
            inserted += f;
            xingBytes += f;
        }
        inserted += f * leading;
        xingFrames += leading + trailing;
        xingBytes += f * (leading + trailing);
        firstOffset += kPackExtensionSize + inserted;
        if ((flags & PackFlag::XingFrame) && (xingFrames > kMaxPlainOffset || xingBytes > kMaxPlainOffset)) {
            error = "the stream's totals do not fit the Xing/Info frame";
            return false;
        }
    }

    core::Bytes bytes;
    std::vector<std::uint64_t> offsets;
    if (!BuildDirectory(*names, input.tracks, firstOffset, flags, bytes, offsets, error)) return false;
    core::Bytes silent;
    if (extension) {
        AppendSize(bytes, SizeEncoding::Syncsafe, static_cast<std::uint32_t>(leading), 2);
        AppendSize(bytes, SizeEncoding::Syncsafe, static_cast<std::uint32_t>(trailing), 2);
        AppendSize(bytes, SizeEncoding::Syncsafe, static_cast<std::uint32_t>(inserted));
        bytes.insert(bytes.end(), 8, 0x00);
        if (flags & PackFlag::XingFrame) {
            const core::Bytes frame = XingInfoFrame(*input.frames, static_cast<std::uint32_t>(xingFrames),
                                                    static_cast<std::uint32_t>(xingBytes));
            bytes.insert(bytes.end(), frame.begin(), frame.end());
        }
        silent = SilentFrame(*input.frames);
    }

    if (!WriteChecked(out, bytes, error)) return false;
    for (std::uint64_t i = 0; i < leading; ++i) {
        if (!WriteChecked(out, silent, error)) return false;
    }
    if (layout) {
        *layout = PackBlockLayout{flags,       names->directorySize,
                                  names->directorySize + (extension ? kPackExtensionSize : 0),
                                  inserted,    std::move(offsets),
                                  extension ? xingFrames : 0,
                                  extension ? xingBytes : 0};
    }
    return true;
}

bool CopyPackBlock(OutputFile& out, std::string_view albumTitle, const std::vector<PackWork>& tracks,
                   const core::InputFile& source, std::uint64_t sourceBlockStart, PackBlockLayout* layout,
                   std::string& error, const core::TextCodec& codec) {
    const core::Bytes header = source.readBytesAt(sourceBlockStart, kPackHeaderSize);
    const auto oldSize = header.size() == kPackHeaderSize && core::StartsWith(header, kSignature)
                             ? ReadSyncsafe(core::ByteView(header).subspan(4, 4))
                             : std::nullopt;
    if (!oldSize || *oldSize < kMinPackDirectorySize) {
        error = "the source holds no track directory to copy";
        return false;
    }
    std::uint8_t flags = header[11] & PackFlag::Known;
    const bool extension = (flags & PackFlag::Extension) != 0;
    const std::uint64_t copyStart = sourceBlockStart + *oldSize;
    std::uint64_t copyBytes = 0;
    if (extension) {
        const core::Bytes oldExtension = source.readBytesAt(copyStart, kPackExtensionSize);
        const auto inserted = oldExtension.size() == kPackExtensionSize
                                  ? ReadSyncsafe(core::ByteView(oldExtension).subspan(4, 4))
                                  : std::nullopt;
        if (!inserted || copyStart + kPackExtensionSize + *inserted > source.size()) {
            error = "the source's added frames run past its end";
            return false;
        }
        copyBytes = kPackExtensionSize + *inserted;
    }

    const auto names = EncodeNames(albumTitle, tracks, codec, error);
    if (!names) return false;
    core::Bytes bytes;
    std::vector<std::uint64_t> offsets;
    if (!BuildDirectory(*names, tracks, names->directorySize + copyBytes, flags, bytes, offsets, error)) return false;
    if (!WriteChecked(out, bytes, error)) return false;

    core::Bytes chunk;
    for (std::uint64_t done = 0; done < copyBytes;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, copyBytes - done));
        chunk = source.readBytesAt(copyStart + done, n);
        if (chunk.size() != n) {
            error = "the source ended while its added frames were copied";
            return false;
        }
        if (!WriteChecked(out, chunk, error)) return false;
        done += n;
    }
    if (layout) {
        *layout = PackBlockLayout{flags, names->directorySize, names->directorySize + (extension ? kPackExtensionSize : 0),
                                  extension ? copyBytes - kPackExtensionSize : 0, std::move(offsets), 0, 0};
    }
    return true;
}

std::optional<std::uint64_t> PackBlockSize(const core::InputFile& file) {
    const std::uint64_t at = file.position();
    const core::Bytes header = file.readBytesAt(at, kPackHeaderSize);
    if (header.size() != kPackHeaderSize || !core::StartsWith(header, kSignature)) return std::nullopt;
    const auto directorySize = ReadSyncsafe(core::ByteView(header).subspan(4, 4));
    if (!directorySize || *directorySize < kMinPackDirectorySize) return std::nullopt;
    const std::uint64_t size = *directorySize + ((header[11] & PackFlag::Extension) ? kPackExtensionSize : 0);
    if (at > file.size() || size > file.size() - at) return std::nullopt;
    return size;
}

PackDirectory ReadPackBlock(core::ByteView block, std::uint64_t tagSize, std::uint64_t fileSize,
                            const core::TextCodec& codec) {
    PackDirectory directory;
    directory.damaged = true;
    if (block.size() < kPackHeaderSize || !core::StartsWith(block, kSignature) || tagSize > fileSize) return directory;
    const auto directorySize = ReadSyncsafe(block.subspan(4, 4));
    const auto count = ReadSyncsafe(block.subspan(8, 2));
    if (!directorySize || !count || *directorySize < kMinPackDirectorySize || *directorySize > fileSize - tagSize) {
        return directory;
    }
    const std::uint8_t flags = block[11];
    directory.optionWord = flags;
    const SizeEncoding encoding = (flags & PackFlag::PlainOffsets) ? SizeEncoding::Plain : SizeEncoding::Syncsafe;
    // Every field has to end inside the directory and inside what was read.
    const core::ByteView fields = block.first(static_cast<std::size_t>(std::min<std::uint64_t>(*directorySize, block.size())));
    std::size_t at = kPackHeaderSize;

    auto readString = [&](std::string& to) {
        const auto rest = fields.subspan(at);
        const auto nul = std::find(rest.begin(), rest.end(), std::uint8_t{0});
        if (nul == rest.end()) return false;
        const auto length = static_cast<std::size_t>(nul - rest.begin());
        to = codec.decode(core::AsChars(rest.first(length)));
        at += length + 1;
        return true;
    };
    // Offsets begin past the directory, never go back and stay in the file.
    std::vector<std::uint64_t> offsets;
    auto readOffset = [&]() {
        if (fields.size() - at < 4) return false;
        const auto bytes = fields.subspan(at, 4);
        const std::optional<std::uint32_t> offset =
            encoding == SizeEncoding::Plain ? std::optional<std::uint32_t>(core::ReadBe32(bytes.data())) : ReadSyncsafe(bytes);
        const std::uint64_t floor = offsets.empty() ? *directorySize : offsets.back();
        if (!offset || *offset < floor || *offset > fileSize - tagSize) return false;
        offsets.push_back(*offset);
        at += 4;
        return true;
    };

    if (!readString(directory.albumTitle)) return directory;
    std::vector<PackDirectoryTrack> entries;
    bool sound = true;
    for (std::uint32_t i = 0; i < *count && sound; ++i) {
        PackDirectoryTrack entry;
        sound = readOffset() && readString(entry.fileName) && readString(entry.artist) && readString(entry.title);
        if (sound) entries.push_back(std::move(entry));
    }
    sound = sound && readOffset();
    // A track stands when its start and the next offset were both read.
    for (std::size_t i = 0; i < entries.size() && i + 1 < offsets.size(); ++i) {
        entries[i].start = tagSize + offsets[i];
        entries[i].end = tagSize + offsets[i + 1];
        directory.tracks.push_back(std::move(entries[i]));
    }
    if (!sound) return directory;

    if (flags & PackFlag::Extension) {
        if (block.size() < *directorySize + kPackExtensionSize) return directory;
        const auto extension = block.subspan(static_cast<std::size_t>(*directorySize), kPackExtensionSize);
        directory.optionWord += (std::uint32_t{extension[1]} << 24) + (std::uint32_t{extension[3]} << 16);
    }
    directory.damaged = false;
    return directory;
}

}  // namespace quilto::pack
