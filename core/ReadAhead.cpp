#include "core/ReadAhead.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace quilto::core {

namespace {

// Chunk i lives in slot i % kSlots. The walking thread reads the even chunks,
// the second thread the odd ones, so no slot is ever written by both; the
// second thread stays less than kSlots chunks ahead of the walk, so it never
// overwrites a chunk still in use.
constexpr std::uint32_t kSlots = 4;
static_assert(kSlots % 2 == 0);
constexpr std::size_t kSlotSize = ReadAhead::kStep + ReadAhead::kOverlap;

// A chunk read for one job: the job's generation and the chunk's index + 1,
// so that a slot still holding an earlier job's chunk never matches.
std::uint64_t Tag(std::uint32_t generation, std::uint32_t index) {
    return (std::uint64_t{generation} << 32) | (std::uint64_t{index} + 1);
}

}  // namespace

// The second thread of one walking thread, with the chunk memory both share.
// Everything but the atomics belongs to the walking thread, except the job,
// which the mutex guards.
class ReadAheadWorker {
public:
    ReadAheadWorker()
        : memory_(std::make_unique_for_overwrite<std::uint8_t[]>(kSlots * kSlotSize)), thread_([this] { run(); }) {}

    ~ReadAheadWorker() {
        quit_.store(true, std::memory_order_release);
        wakeSecondThread();
        thread_.join();
    }

    ReadAheadWorker(const ReadAheadWorker&) = delete;
    ReadAheadWorker& operator=(const ReadAheadWorker&) = delete;

    bool inUse = false;

    std::uint8_t* slot(std::uint32_t index) { return memory_.get() + (index % kSlots) * kSlotSize; }

    // Ends the current job (if the second thread is reading for it, waits
    // until that read is over) and hands over the next; no file ends them all.
    void startJob(const InputFile* file, std::uint64_t begin, std::uint32_t chunks) {
        std::uint32_t previous = 0;
        {
            const std::lock_guard lock(jobMutex_);
            previous = generation_.load(std::memory_order_relaxed);
            std::uint32_t next = previous + 1;
            if (next == 0) next = 1;  // 0 means "no read going on" in busy_
            job_ = Job{file, begin, chunks};
            current_.store(0, std::memory_order_relaxed);
            generation_.store(next, std::memory_order_seq_cst);
            walkGeneration_ = next;
        }
        wakeSecondThread();
        // Pairs with run(): it marks itself busy and then looks at the
        // generation, this side the other way round, so one of the two sees
        // the other's store.
        for (std::uint32_t busy; (busy = busy_.load(std::memory_order_seq_cst)) == previous && busy != 0;) {
            busy_.wait(busy, std::memory_order_seq_cst);
        }
    }

    void moveTo(std::uint32_t index) {
        current_.store(index, std::memory_order_release);
        wakeSecondThread();
    }

    // The length of odd chunk index, once the second thread has read it.
    std::size_t waitFor(std::uint32_t index) {
        const std::uint64_t wanted = Tag(walkGeneration_, index);
        const std::atomic<std::uint64_t>& tag = tags_[index % kSlots];
        for (;;) {
            const std::uint32_t seen = published_.load(std::memory_order_acquire);
            if (tag.load(std::memory_order_acquire) == wanted) return lengths_[index % kSlots];
            published_.wait(seen, std::memory_order_acquire);
        }
    }

private:
    struct Job {
        const InputFile* file = nullptr;
        std::uint64_t begin = 0;
        std::uint32_t chunks = 0;
    };

    void wakeSecondThread() {
        wake_.fetch_add(1, std::memory_order_release);
        wake_.notify_one();
    }

    void run() {
        Job job;
        std::uint32_t jobGeneration = 0;
        std::uint32_t next = 1;
        for (;;) {
            const std::uint32_t seen = wake_.load(std::memory_order_acquire);
            if (quit_.load(std::memory_order_acquire)) return;
            if (generation_.load(std::memory_order_acquire) != jobGeneration) {
                const std::lock_guard lock(jobMutex_);
                job = job_;
                jobGeneration = generation_.load(std::memory_order_relaxed);
                next = 1;
            }
            const bool due = job.file != nullptr && next < job.chunks &&
                             next - current_.load(std::memory_order_acquire) < kSlots;
            if (!due) {
                wake_.wait(seen, std::memory_order_acquire);
                continue;
            }
            busy_.store(jobGeneration, std::memory_order_seq_cst);
            if (generation_.load(std::memory_order_seq_cst) == jobGeneration) {
                const std::uint64_t start = job.begin + std::uint64_t{next} * ReadAhead::kStep;
                lengths_[next % kSlots] = job.file->readAt(start, slot(next), kSlotSize);
                tags_[next % kSlots].store(Tag(jobGeneration, next), std::memory_order_release);
                published_.fetch_add(1, std::memory_order_release);
                published_.notify_one();
                next += 2;
            }
            busy_.store(0, std::memory_order_seq_cst);
            busy_.notify_one();
        }
    }

    std::unique_ptr<std::uint8_t[]> memory_;
    std::uint32_t walkGeneration_ = 0;  // the walking thread's copy of its job's generation
    std::mutex jobMutex_;
    Job job_;
    std::atomic<std::uint32_t> generation_{0};
    std::atomic<std::uint32_t> current_{0};
    std::atomic<std::uint32_t> wake_{0};
    std::atomic<std::uint32_t> busy_{0};  // the generation being read for, 0 when no read is going on
    std::atomic<std::uint32_t> published_{0};
    std::array<std::atomic<std::uint64_t>, kSlots> tags_{};
    std::array<std::size_t, kSlots> lengths_{};
    std::atomic<bool> quit_{false};
    std::thread thread_;  // last: it runs over everything above
};

namespace {

// One second thread per walking thread, started at its first long walk and
// kept until the walking thread ends; none when the system refuses a thread.
ReadAheadWorker* ThisThreadsWorker() {
    thread_local std::unique_ptr<ReadAheadWorker> worker;
    thread_local bool refused = false;
    if (!worker && !refused) {
        try {
            worker = std::make_unique<ReadAheadWorker>();
        } catch (const std::system_error&) {
            refused = true;
        } catch (const std::bad_alloc&) {
            refused = true;
        }
    }
    return worker.get();
}

}  // namespace

ReadAhead::ReadAhead(const InputFile& file, std::uint64_t begin, std::uint64_t end)
    : file_(file), end_(std::min(end, file.size())) {
    if (file.inMemory() || end_ <= begin || end_ - begin < 3 * kStep) return;
    ReadAheadWorker* worker = ThisThreadsWorker();
    if (worker == nullptr || worker->inUse) return;
    worker->inUse = true;
    worker_ = worker;
    startAt(begin);
}

ReadAhead::~ReadAhead() {
    if (worker_ == nullptr) return;
    worker_->startJob(nullptr, 0, 0);
    worker_->inUse = false;
}

void ReadAhead::startAt(std::uint64_t begin) {
    begin_ = begin;
    const std::uint64_t chunks = (end_ - begin + kStep - 1) / kStep;
    chunks_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunks, std::numeric_limits<std::uint32_t>::max()));
    current_ = 0;
    started_ = false;
    worker_->startJob(&file_, begin, chunks_);
}

bool ReadAhead::chunkFor(std::uint64_t offset, std::size_t wanted, ReadAheadChunk& chunk) {
    if (worker_ == nullptr || offset >= end_) return false;
    const bool inStretch = offset >= begin_ && (offset - begin_) / kStep < chunks_;
    const std::uint64_t index = inStretch ? (offset - begin_) / kStep : 0;
    const bool next = inStretch && (started_ ? index == std::uint64_t{current_} + 1 : index == 0);
    if (!next) {
        // The current chunk is too short for the read: the caller reads it.
        if (inStretch && started_ && index == current_) return false;
        // A jump: worth starting afresh only if enough is left to walk.
        if (end_ - offset < 3 * kStep) return false;
        startAt(offset);
        return chunkFor(offset, wanted, chunk);
    }
    if (!take(static_cast<std::uint32_t>(index), chunk)) return false;
    const std::uint64_t chunkEnd = chunk.start + chunk.length;
    return offset + wanted <= chunkEnd || chunkEnd >= file_.size();
}

bool ReadAhead::take(std::uint32_t index, ReadAheadChunk& chunk) {
    current_ = index;
    started_ = true;
    worker_->moveTo(index);
    const std::uint64_t start = begin_ + std::uint64_t{index} * kStep;
    std::uint8_t* data = worker_->slot(index);
    const std::size_t length = index % 2 == 0 ? file_.readAt(start, data, kSlotSize) : worker_->waitFor(index);
    chunk = ReadAheadChunk{data, start, length};
    return length > 0;
}

}  // namespace quilto::core
