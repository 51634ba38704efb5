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
};

}  // namespace quilto::pack
