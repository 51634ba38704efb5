// The album header and the cue rows as JSON, the same for every command that
// prints them (cue import, list).
#pragma once

#include "cli/JsonOutput.h"
#include "pack/TrackLists.h"

namespace quilto::cli {

// {"title", "performer", "file", "kbps", "hz", "frames", "time"}
Json CueHeaderJson(const pack::CueHeader& header);
// [{"performer", "title", "index"}, ...]
Json CueRowsJson(const pack::CueList& cues);

}  // namespace quilto::cli
