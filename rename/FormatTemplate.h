// A one-line form of the format list for the command line:
// "{v2:Artist} - {v2>v1:Title}" and so on. Placeholders name an item and one
// of its parameters; everything else is literal text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rename/FormatSteps.h"
#include "rename/ReplacementText.h"

namespace quilto::rename {

struct ParsedTemplate {
    std::vector<FormatStep> steps;
    std::string error;  // empty when the whole template was understood
    bool ok() const { return error.empty(); }
};

// "{item:parameter}" with item one of v2, v2>v1, v1>v2, v1, time, mp3 and a
// parameter name of that item (letter case and blanks at the ends do not
// matter; Time names are the ones for timeSeparator, or with ":" between the
// fields). "{{" and "}}" stand for literal braces. Adjacent literal text
// becomes one Text step. On error, steps is empty.
ParsedTemplate ParseFormatTemplate(std::string_view text, std::string_view timeSeparator = kDefaultTimeSeparator);

// The template of a step list. Steps no placeholder names (an unknown item, a
// parameter not in its list) contribute nothing to names and are left out.
std::string FormatTemplateOf(const std::vector<FormatStep>& steps, std::string_view timeSeparator = kDefaultTimeSeparator);

// The list of placeholders for a help screen, one per line.
std::string FormatTemplateHelp(std::string_view timeSeparator = kDefaultTimeSeparator);

}  // namespace quilto::rename
