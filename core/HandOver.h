// The command-line paths a second start hands to the running instance: their
// on-disk form and the text that carries them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quilto::core {

// An existing path made absolute against the current folder, with "." and
// ".." resolved as text (as the original platform does, not through symbolic
// links), and its components spelled as the folder listing spells them; that
// only differs from the given spelling on a case-insensitive file system
// (a FAT stick, a case-folding folder), where "song.mp3" finds "Song.mp3".
// With lastOnly only the last component is looked up; the path is still made
// absolute, because the running instance has a current folder of its own.
// A path that does not exist comes back unchanged.
std::string ToLongPathName(std::string_view path, bool lastOnly);

// Each argument through ToLongPathName (lastOnly for all but the first),
// each followed by CR LF; empty without arguments.
std::string BuildHandOverText(const std::vector<std::string>& arguments);

// The lines of a hand-over text split at CR LF; a final line break gives no
// empty entry, and the text ends at a NUL.
std::vector<std::string> ParseHandOverText(std::string_view text);

}  // namespace quilto::core
