// A forward walk through a long stretch of a file reads its chunks on two
// threads: the walking thread reads every other chunk itself, and a second
// thread reads the chunks between, ahead of the walk. With a warm cache the
// copy out of the page cache is the whole cost of a frame walk, and this
// spreads it over two cores; with a cold one the disk is asked for the next
// chunk while the walk is busy with this one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/InputFile.h"

namespace quilto::core {

struct ReadAheadChunk {
    const std::uint8_t* data = nullptr;
    std::uint64_t start = 0;
    std::size_t length = 0;
};

class ReadAheadWorker;

class ReadAhead {
public:
    // Chunks start every kStep bytes and reach kOverlap bytes into the next,
    // so that a short read starting near a chunk's end still lies in it.
    static constexpr std::size_t kStep = 256 * 1024;
    static constexpr std::size_t kOverlap = 4 * 1024;

    // For reads from begin on, in order, up to end (the bytes a walk may look
    // at; chunks past it are never read). Does nothing for a file in memory,
    // a stretch of fewer than three chunks, a thread that already has a walk
    // reading ahead (a scan started while another one pumps events), or when
    // no second thread can be started: active() then says so.
    ReadAhead(const InputFile& file, std::uint64_t begin, std::uint64_t end);
    // Waits for the second thread only if it is in the middle of a read of
    // this file, so the file may be closed right after.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    bool active() const { return worker_ != nullptr; }

    // The chunk holding [offset, offset + wanted) (shorter only where the
    // file ends), moving on to it when it is the one after the current chunk
    // or starting the chunks afresh at offset after a jump. False when the
    // caller must read for itself: outside the stretch, or wanted too long.
    bool chunkFor(std::uint64_t offset, std::size_t wanted, ReadAheadChunk& chunk);

private:
    void startAt(std::uint64_t begin);
    bool take(std::uint32_t index, ReadAheadChunk& chunk);

    const InputFile& file_;
    std::uint64_t end_;
    ReadAheadWorker* worker_ = nullptr;
    std::uint64_t begin_ = 0;
    std::uint32_t chunks_ = 0;
    std::uint32_t current_ = 0;
    bool started_ = false;
};

}  // namespace quilto::core
