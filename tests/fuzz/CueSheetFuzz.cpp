// A cue sheet file's bytes as the import reads them: decoded into lines, then
// read into a header and cue rows, whose lengths are then recomputed.
#include <cstdlib>
#include <string>

#include "core/CueTime.h"
#include "core/NumberText.h"
#include "core/Utf.h"
#include "pack/CueSheet.h"
#include "pack/TrackLists.h"

using namespace quilto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines = pack::CueSheetLines(std::string(reinterpret_cast<const char*>(data), size));
    for (const std::string& line : lines) {
        if (!core::IsValidUtf8(line) || line.find('\n') != std::string::npos) std::abort();
    }

    pack::TrackPage page;
    page.page = pack::Page::UnPack;
    pack::ReadCueSheet(lines, page.header, page.cues);
    if (page.cues.size() > pack::kMaxCueTracks) std::abort();
    for (const pack::CueRow& row : page.cues) {
        if (!core::IsValidUtf8(row.title) || !core::IsValidUtf8(row.performer)) std::abort();
        try {
            core::ParseCueTime(row.index);
        } catch (const core::InvalidNumber&) {
            std::abort();  // the reader only keeps indexes it could parse
        }
    }
    if (!core::IsValidUtf8(page.header.title + page.header.performer + page.header.file)) std::abort();

    pack::RecomputeCueLengths(page, true);
    std::vector<std::string> written;
    pack::WriteCueSheet(written, pack::CueDefaults(page.header, page.cues, true), page.header, page.cues, true);
    return 0;
}
