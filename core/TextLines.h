// The line exchange with an external text editor: a column's texts one a
// line, each ended by CR LF, and the edited text split back into lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quilto::core {

// Every text followed by CR LF.
std::string JoinCrLfLines(const std::vector<std::string>& lines);

// Lines ended by CR LF or LF; the break after the last line starts no new one.
// Bytes that are not UTF-8 become U+FFFD.
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace quilto::core
