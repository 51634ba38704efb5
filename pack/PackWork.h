// One output track of a pack run: where its bytes come from and the names the
// track directory stores for it.
#pragma once

#include <cstdint>
#include <string>

namespace quilto::pack {

struct PackWork {
    std::int32_t row = 0;           // source row in the track list (or the cue list when cut by cue sheet)
    std::uint64_t start = 0;        // file position of the first byte copied (of its tag when kept)
    std::uint64_t tagBytes = 0;     // bytes of the track's own ID3v2 tag copied
    std::uint64_t dataStart = 0;    // file position of the first audio byte copied
    std::uint64_t dataBytes = 0;    // audio bytes copied
    std::string fileName;           // UTF-8, stored in the legacy code page
    std::string artist;
    std::string title;
};

}  // namespace quilto::pack
