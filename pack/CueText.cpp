#include "pack/CueText.h"

namespace quilto::pack {

namespace {
constexpr std::string_view kLineEnd = "\r\n";
}

std::vector<std::string> CueTextLines(const std::vector<std::string>& cueSheetLines) {
    std::vector<std::string> lines;
    lines.reserve(cueSheetLines.size() + 4);
    lines.emplace_back(kCueTextBegin);
    lines.insert(lines.end(), cueSheetLines.begin(), cueSheetLines.end());
    lines.emplace_back(kCueTextSheetEnd);
    lines.emplace_back(kCueTextVersion);
    lines.emplace_back(kCueTextEnd);
    return lines;
}

std::optional<std::string> EncodeCueText(const std::vector<std::string>& lines, std::string* error,
                                         const core::TextCodec& codec) {
    std::string bytes;
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos) {
            if (error) *error = "a cue line holds a line break: " + line;
            return std::nullopt;
        }
        bytes += codec.encode(line).bytes;
        bytes += kLineEnd;
    }
    return bytes;
}

std::vector<std::string> DecodeCueText(std::string_view bytes, const core::TextCodec& codec) {
    std::vector<std::string> lines;
    for (std::size_t end = bytes.find(kLineEnd); end != std::string_view::npos; end = bytes.find(kLineEnd)) {
        lines.push_back(codec.decode(bytes.substr(0, end)));
        bytes.remove_prefix(end + kLineEnd.size());
    }
    return lines;
}

}  // namespace quilto::pack
