// Where the archive writers put their bytes: an output that appends and knows
// its position. The pack writer adapts its output file to it.
#pragma once

#include <cstdint>

#include "core/Bytes.h"

namespace quilto::pack {

class ArchiveSink {
public:
    virtual ~ArchiveSink() = default;
    // Appends all of bytes; false when not all of them were written.
    virtual bool write(core::ByteView bytes) = 0;
    // Position of the next byte written, from the start of the output.
    virtual std::uint64_t position() const = 0;

    // A sink that can go back over bytes already written lets the writers
    // stream a member once: the header goes out with a placeholder checksum
    // that is filled in behind the data. Without it they read the member
    // twice (checksum first, then header and copy).
    virtual bool canPatch() const { return false; }
    // Overwrites bytes.size() bytes at an earlier position; the next write
    // still appends at position(). False when not all of them were written.
    virtual bool patch(std::uint64_t /*at*/, core::ByteView /*bytes*/) { return false; }
};

}  // namespace quilto::pack
