// The data of one archive member, handed out in chunks, so a member never has
// to sit in memory whole. The writers read it once when their sink can patch
// the header's checksum afterwards, else twice: once for the checksum that
// precedes the data in the header, once to copy it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/Bytes.h"
#include "core/InputFile.h"

namespace quilto::pack {

// Largest piece of audio copied at once.
inline constexpr std::size_t kCopyChunkSize = 10'000'000;

class MemberSource {
public:
    using Consumer = std::function<bool(core::ByteView chunk)>;

    virtual ~MemberSource() = default;
    virtual std::uint64_t size() const = 0;
    // Hands the data to consume from its first byte on. False when a read fell
    // short or consume returned false. Every call gives the same bytes.
    virtual bool read(const Consumer& consume) const = 0;
    // True when every read gives the same bytes by construction (memory the
    // source owns or borrows), so a copy need not be checked against the sum.
    virtual bool unchanging() const { return false; }
};

// Data already in memory.
class BytesSource final : public MemberSource {
public:
    explicit BytesSource(core::ByteView data) : data_(data) {}
    std::uint64_t size() const override { return data_.size(); }
    bool read(const Consumer& consume) const override { return consume(data_); }
    bool unchanging() const override { return true; }

private:
    core::ByteView data_;
};

// Regions of an input file, one after another (a track's kept tag, then its
// audio), read in chunks of at most chunkSize bytes. A caller writing many
// members can lend one buffer to all of them: a fresh multi-megabyte buffer
// per read costs a page fault per page.
class FileRegionsSource final : public MemberSource {
public:
    struct Region {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };

    FileRegionsSource(const core::InputFile& file, std::vector<Region> regions, std::size_t chunkSize = kCopyChunkSize,
                      core::Bytes* buffer = nullptr);
    std::uint64_t size() const override;
    bool read(const Consumer& consume) const override;

private:
    const core::InputFile& file_;
    std::vector<Region> regions_;
    std::size_t chunkSize_;
    core::Bytes* buffer_;  // may be null: a buffer per read
};

// Several sources one after another: a track rebuilt from a new tag in
// memory, its audio in the file and another tag in memory.
class JoinedSource final : public MemberSource {
public:
    explicit JoinedSource(std::vector<const MemberSource*> parts) : parts_(std::move(parts)) {}
    std::uint64_t size() const override;
    bool read(const Consumer& consume) const override;
    bool unchanging() const override;

private:
    std::vector<const MemberSource*> parts_;  // not owned
};

}  // namespace quilto::pack
