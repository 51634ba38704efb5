// Many independent items worked on by several threads and handed back one by
// one in their own order, with a bounded number of results waiting: a listing
// of thousands of files keeps both cores busy, prints in order and holds only
// a window of results in memory.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace quilto::core {

// The helper threads worth starting beside the calling thread for count
// items; threads 0 stands for the machine's cores, up to four.
inline unsigned WorkThreads(unsigned threads, std::size_t count) {
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    return static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(count, 1)));
}

// Calls produce(i) for every i below count on any of the threads and
// consume(i, result) on the calling thread for i = 0, 1, 2, ... in order.
// At most `window` results wait to be consumed. As with one thread, a
// failing produce(i) is rethrown here after the items before i were
// consumed; a failing consume stops at once. Helpers have ended by then.
template <typename Result, typename Produce, typename Consume>
void ProduceInOrder(std::size_t count, unsigned threads, std::size_t window, Produce produce, Consume consume) {
    threads = WorkThreads(threads, count);
    window = std::max<std::size_t>(window, 1);
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i) consume(i, produce(i));
        return;
    }

    std::vector<std::optional<Result>> slots(window);
    std::mutex mutex;
    std::condition_variable produced;  // a slot filled, or a failure
    std::condition_variable consumed;  // a slot emptied, or the end
    std::size_t next = 0;              // the next item to hand out
    std::size_t done = 0;              // items consumed
    std::size_t limit = count;         // items before the first failing one
    bool ended = false;                // nothing more to hand out
    std::exception_ptr failure;

    // Produces item i outside the lock; returns with the lock held again.
    auto make = [&](std::unique_lock<std::mutex>& lock, std::size_t i) {
        lock.unlock();
        std::optional<Result> result;
        std::exception_ptr error;
        try {
            result.emplace(produce(i));
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (!error) {
            slots[i % window] = std::move(result);
        } else if (i < limit) {
            limit = i;
            failure = error;
        }
        produced.notify_all();
        consumed.notify_all();
    };
    auto canHandOut = [&] { return !ended && next < limit && next < done + window; };

    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back([&] {
                std::unique_lock lock(mutex);
                for (;;) {
                    consumed.wait(lock, [&] { return ended || next >= limit || canHandOut(); });
                    if (!canHandOut()) return;
                    make(lock, next++);
                }
            });
        } catch (const std::system_error&) {
            break;  // the calling thread still does all that is left
        }
    }

    auto end = [&] {
        {
            const std::lock_guard lock(mutex);
            ended = true;
            consumed.notify_all();
        }
        for (std::thread& helper : helpers) helper.join();
    };
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock lock(mutex);
        // While item i is not there, the calling thread works too.
        while (i < limit && !slots[i % window]) {
            if (canHandOut()) {
                make(lock, next++);
            } else {
                produced.wait(lock);
            }
        }
        if (i >= limit) break;
        Result result = std::move(*slots[i % window]);
        slots[i % window].reset();
        done = i + 1;
        consumed.notify_all();
        lock.unlock();
        try {
            consume(i, std::move(result));
        } catch (...) {
            end();
            throw;
        }
    }
    end();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace quilto::core
