// Outputs that fail on purpose: the k-th write (or the close) fails as on a
// full disk, or the k-th seek as on a pipe; and a progress that cancels from
// its n-th Cancel test on. For the fault tests of the whole-file writers.
#pragma once

#include <cerrno>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Progress.h"
#include "pack/OutputFile.h"
#include "pack/PackWriter.h"

namespace quilto::test {

class FailingOutput final : public pack::OutputFile {
public:
    FailingOutput(pack::DiskOutputFile file, int failingWrite, bool failClose, int failingSeek = 0)
        : file_(std::move(file)), failingWrite_(failingWrite), failClose_(failClose), failingSeek_(failingSeek) {}
    bool write(const void* data, std::size_t n) override {
        if (++writes_ == failingWrite_) {
            lastError_ = ENOSPC;
            return false;
        }
        return file_.write(data, n);
    }
    std::optional<std::uint64_t> tell() override { return file_.tell(); }
    bool seek(std::uint64_t position) override {
        if (++seeks_ == failingSeek_) {
            lastError_ = ESPIPE;
            return false;
        }
        return file_.seek(position);
    }
    bool close() override {
        const bool ok = file_.close();
        if (failClose_) lastError_ = EIO;
        return ok && !failClose_;
    }
    using OutputFile::write;

private:
    pack::DiskOutputFile file_;
    int writes_ = 0;
    int failingWrite_;
    bool failClose_;
    int failingSeek_;
    int seeks_ = 0;
};

inline pack::OutputFactory Failing(int failingWrite, bool failClose = false, int failingSeek = 0) {
    return [=](const std::string& path, std::string& error) -> std::unique_ptr<pack::OutputFile> {
        std::optional<pack::DiskOutputFile> file = pack::DiskOutputFile::CreateNew(path, &error);
        if (!file) return nullptr;
        return std::make_unique<FailingOutput>(std::move(*file), failingWrite, failClose, failingSeek);
    };
}

inline pack::OutputFactory FailingSeek(int failingSeek) { return Failing(0, false, failingSeek); }

class CancelAfter final : public core::Progress {
public:
    explicit CancelAfter(int tests) : left_(tests) {}
    bool cancelRequested() const override { return left_-- <= 0; }
    void pump() override {}
    void setCaption(std::string_view caption) override { captions.emplace_back(caption); }
    void setPanelText(int panel, std::string_view text) override {
        if (panel == 1) counts.emplace_back(text);
    }
    void setBytesToDo(std::uint64_t total) override { bytesToDo = total; }
    void setBytesDone(std::uint64_t done) override { bytesDone = done; }
    void addBytesDone(std::uint64_t bytes) override { bytesDone += bytes; }
    std::vector<std::string> captions;
    std::vector<std::string> counts;  // panel 1 texts
    std::uint64_t bytesToDo = 0, bytesDone = 0;  // what the bar shows

private:
    mutable int left_;
};

}  // namespace quilto::test
