// Files named on the command line dropped on a Pack page: each one walked
// frame by frame and added, in the order given, as one drop of those rows on
// the track list adds them. Shared by `cue export` and `pack`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "pack/TrackLists.h"

namespace quilto::cli {

struct PackPageFill {
    std::size_t added = 0;   // files that became tracks
    bool anyFailed = false;  // a file could not be read or held no MPEG audio (reported on `err`)
};

// Appends the files to `page` (a Pack page); every file left out is reported
// on `err` with its path and the reason.
PackPageFill AddFilesToPackPage(pack::TrackPage& page, const std::vector<std::string>& files, std::ostream& err);

}  // namespace quilto::cli
