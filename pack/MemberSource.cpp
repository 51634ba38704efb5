#include "pack/MemberSource.h"

#include <algorithm>

namespace quilto::pack {

FileRegionsSource::FileRegionsSource(const core::InputFile& file, std::vector<Region> regions, std::size_t chunkSize)
    : file_(file), regions_(std::move(regions)), chunkSize_(std::max<std::size_t>(chunkSize, 1)) {}

std::uint64_t FileRegionsSource::size() const {
    std::uint64_t total = 0;
    for (const Region& region : regions_) total += region.length;
    return total;
}

bool FileRegionsSource::read(const Consumer& consume) const {
    core::Bytes buffer;
    for (const Region& region : regions_) {
        std::uint64_t done = 0;
        while (done < region.length) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(region.length - done, chunkSize_));
            buffer.resize(want);
            if (file_.readAt(region.offset + done, buffer.data(), want) != want) return false;
            if (!consume(buffer)) return false;
            done += want;
        }
    }
    return true;
}

}  // namespace quilto::pack
