#include "pack/MemberSource.h"

#include <algorithm>

namespace quilto::pack {

FileRegionsSource::FileRegionsSource(const core::InputFile& file, std::vector<Region> regions, std::size_t chunkSize,
                                     core::Bytes* buffer)
    : file_(file), regions_(std::move(regions)), chunkSize_(std::max<std::size_t>(chunkSize, 1)), buffer_(buffer) {}

std::uint64_t FileRegionsSource::size() const {
    std::uint64_t total = 0;
    for (const Region& region : regions_) total += region.length;
    return total;
}

bool FileRegionsSource::read(const Consumer& consume) const {
    core::Bytes own;
    core::Bytes& buffer = buffer_ ? *buffer_ : own;
    for (const Region& region : regions_) {
        std::uint64_t done = 0;
        while (done < region.length) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(region.length - done, chunkSize_));
            if (buffer.size() < want) buffer.resize(want);
            if (file_.readAt(region.offset + done, buffer.data(), want) != want) return false;
            if (!consume(core::ByteView(buffer.data(), want))) return false;
            done += want;
        }
    }
    return true;
}

std::uint64_t JoinedSource::size() const {
    std::uint64_t total = 0;
    for (const MemberSource* part : parts_) total += part->size();
    return total;
}

bool JoinedSource::read(const Consumer& consume) const {
    return std::all_of(parts_.begin(), parts_.end(), [&](const MemberSource* part) { return part->read(consume); });
}

bool JoinedSource::unchanging() const {
    return std::all_of(parts_.begin(), parts_.end(), [](const MemberSource* part) { return part->unchanging(); });
}

}  // namespace quilto::pack
