// The three member listings over the same bytes, from the file's start and
// from behind its head tag, as the opening of a packed file calls them.
#include <cstdlib>

#include "core/Utf.h"
#include "pack/ArchiveListing.h"
#include "pack/TrackTags.h"

using namespace quilto;

namespace {

// Archive members lie behind their headers; the foreign index's offsets are
// moved and clamped, so its members may lie anywhere inside the file.
template <typename Lister>
void List(core::InputFile& file, std::uint64_t start, Lister lister, bool behindStart) {
    file.seek(start);
    for (const pack::ArchiveMember& member : lister(file, core::LegacyCodec())) {
        if (behindStart && member.start < start) std::abort();
        if (member.start > member.end || member.end > file.size()) std::abort();
        if (!core::IsValidUtf8(member.name)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto file = core::InputFile::FromBytes(core::Bytes(data, data + size));
    const std::uint64_t tagSize = pack::HeadTagSize(file);
    for (const std::uint64_t start : {std::uint64_t{0}, tagSize}) {
        List(file, start, pack::ListZipMembers, true);
        List(file, start, pack::ListLzhMembers, true);
        List(file, start, pack::ListWrapMembers, false);
        if (tagSize == 0) break;
    }
    return 0;
}
