// An archive sink over a byte buffer for tests: can start at any position
// and can be told to refuse writes past a byte count.
#pragma once

#include <cstdint>
#include <limits>

#include "core/Bytes.h"
#include "pack/ArchiveSink.h"

namespace quilto::test {

class MemorySink final : public pack::ArchiveSink {
public:
    // prefix: bytes already in the output (a head tag); origin: the position of
    // the buffer's first byte, for offsets beyond what a test can hold.
    explicit MemorySink(core::Bytes prefix = {}, std::uint64_t origin = 0)
        : bytes(std::move(prefix)), origin_(origin) {}

    bool write(core::ByteView data) override {
        if (bytes.size() + data.size() > capacity) return false;
        bytes.insert(bytes.end(), data.begin(), data.end());
        return true;
    }
    std::uint64_t position() const override { return origin_ + bytes.size(); }

    core::Bytes bytes;
    std::size_t capacity = std::numeric_limits<std::size_t>::max();

private:
    std::uint64_t origin_;
};

}  // namespace quilto::test
