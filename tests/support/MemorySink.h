// An archive sink over a byte buffer for tests: can start at any position,
// can be told to refuse writes past a byte count, and patches earlier bytes
// only when made patchable (else the writers take their two-pass path).
#pragma once

#include <algorithm>
#include <cstddef>
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
    bool canPatch() const override { return patchable; }
    bool patch(std::uint64_t at, core::ByteView data) override {
        if (!patchable || refusePatch || at < origin_ || at - origin_ > bytes.size() ||
            data.size() > bytes.size() - (at - origin_)) {
            return false;
        }
        std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at - origin_));
        ++patches;
        return true;
    }

    core::Bytes bytes;
    std::size_t capacity = std::numeric_limits<std::size_t>::max();
    bool patchable = false;
    bool refusePatch = false;
    int patches = 0;

private:
    std::uint64_t origin_;
};

}  // namespace quilto::test
