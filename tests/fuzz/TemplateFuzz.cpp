// A one-line format template, and the command line's hand-over text: both
// are short texts a user or another process types. A template understood
// must give the same steps again through its own text form; a hand-over text
// must split into the same lines again once joined.
#include <cstdlib>
#include <string>

#include "core/HandOver.h"
#include "rename/FormatTemplate.h"

using namespace quilto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The first line may name a time separator.
    const std::size_t newline = input.find('\n');
    const std::string_view separator = newline == std::string_view::npos ? rename::kDefaultTimeSeparator : input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? input : input.substr(newline + 1);
    const rename::ParsedTemplate parsed = rename::ParseFormatTemplate(text, separator);
    if (parsed.ok()) {
        const rename::ParsedTemplate again =
            rename::ParseFormatTemplate(rename::FormatTemplateOf(parsed.steps, separator), separator);
        if (!again.ok() || again.steps != parsed.steps) std::abort();
        rename::FormatPreview(parsed.steps);
    } else if (!parsed.steps.empty()) {
        std::abort();
    }

    const std::vector<std::string> lines = core::ParseHandOverText(input);
    std::string joined;
    for (const std::string& line : lines) {
        if (line.find('\0') != std::string::npos || line.find("\r\n") != std::string::npos) std::abort();
        joined += line + "\r\n";
    }
    if (core::ParseHandOverText(joined) != lines) std::abort();
    return 0;
}
