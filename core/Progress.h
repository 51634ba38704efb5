// How a long operation reports progress and learns of a Cancel. The shell
// implements it with its progress window; headless callers use NoProgress.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

namespace quilto::core {

class Progress {
public:
    virtual ~Progress() = default;

    // Tested at the top of every pass of a long loop, so it must be cheap.
    virtual bool cancelRequested() const = 0;

    // Lets the user interface process its pending events. Loops call it through
    // ProgressPacer, about every 50 ms, never once per item.
    virtual void pump() = 0;

    virtual void setCaption(std::string_view) {}
    virtual void setPanelText(int /*panel*/, std::string_view) {}

    // Bytes of the whole operation, for a progress bar: the command names the
    // total (0 hides the bar), long loops add what they have done, and the
    // command may set the count outright between its files.
    virtual void setBytesToDo(std::uint64_t /*total*/) {}
    virtual void setBytesDone(std::uint64_t /*done*/) {}
    virtual void addBytesDone(std::uint64_t /*bytes*/) {}
};

class NoProgress final : public Progress {
public:
    bool cancelRequested() const override { return false; }
    void pump() override {}
};

// Calls Progress::pump at most once per interval, looking at the clock only
// every stepsPerClockLook steps so that a short step stays a few instructions
// long; steps that are long themselves look every time (1). The first pump
// may come sooner (firstInterval, the interval when negative): a list being
// filled shows its first rows once they are read.
class ProgressPacer {
public:
    explicit ProgressPacer(Progress& progress, unsigned stepsPerClockLook = 64,
                           std::chrono::milliseconds interval = std::chrono::milliseconds(50),
                           std::chrono::milliseconds firstInterval = std::chrono::milliseconds(-1))
        : progress_(progress),
          stepsPerClockLook_(stepsPerClockLook == 0 ? 1 : stepsPerClockLook),
          interval_(interval),
          next_(std::chrono::steady_clock::now() + (firstInterval.count() < 0 ? interval : firstInterval)) {}

    bool cancelled() const { return progress_.cancelRequested(); }

    void step() {
        if (++steps_ % stepsPerClockLook_ != 0) return;
        const auto now = std::chrono::steady_clock::now();
        if (now < next_) return;
        next_ = now + interval_;
        progress_.pump();
    }

private:
    Progress& progress_;
    unsigned stepsPerClockLook_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point next_;
    unsigned steps_ = 0;
};

}  // namespace quilto::core
