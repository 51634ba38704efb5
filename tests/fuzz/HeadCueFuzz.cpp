// The cue text embedded in a packed file's head tag: found in any bytes taken
// as the tag, then read as a sheet.
#include <cstdlib>

#include "core/Utf.h"
#include "pack/CueSheet.h"
#include "pack/HeadTag.h"

using namespace quilto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto lines = pack::FindCueText(core::ByteView(data, size));
    if (!lines) return 0;
    for (const std::string& line : *lines) {
        if (!core::IsValidUtf8(line)) std::abort();
    }
    pack::CueHeader header;
    pack::CueList cues;
    pack::ReadCueSheet(*lines, header, cues);
    if (cues.size() > pack::kMaxCueTracks) std::abort();
    return 0;
}
