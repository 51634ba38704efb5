#include "rename/FormatTemplate.h"

#include <array>

#include "core/AsciiCase.h"

namespace quilto::rename {

namespace {

struct Prefix {
    std::string_view name;
    FormatItem item;
};

constexpr std::array<Prefix, 6> kPrefixes = {{
    {"v2", FormatItem::TagV2},
    {"v2>v1", FormatItem::TagV2V1},
    {"v1>v2", FormatItem::TagV1V2},
    {"v1", FormatItem::TagV1},
    {"time", FormatItem::Time},
    {"mp3", FormatItem::Mp3},
}};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string_view PrefixOf(FormatItem item) {
    for (const Prefix& prefix : kPrefixes) {
        if (prefix.item == item) return prefix.name;
    }
    return {};
}

// The list entry a typed parameter name means, or empty when none.
std::string FindParameter(FormatItem item, std::string_view typed, std::string_view timeSeparator) {
    typed = Trim(typed);
    const std::vector<std::string> names = ParameterNames(item, timeSeparator);
    for (const std::string& name : names) {
        if (core::EqualIgnoringCase(Trim(name), typed)) return name;
    }
    if (item == FormatItem::Time) {
        // Independent of the option: the fields joined by ":" also work.
        const auto plain = TimeParameters(":");
        for (std::size_t i = 0; i < plain.size(); ++i) {
            if (core::EqualIgnoringCase(plain[i], typed)) return names[i];
        }
    }
    return {};
}

void AppendLiteral(std::vector<FormatStep>& steps, std::string_view text) {
    if (text.empty()) return;
    if (!steps.empty() && ItemOf(steps.back()) == FormatItem::Text) {
        steps.back().parameter += text;
    } else {
        steps.push_back(FormatStep::Make(FormatItem::Text, std::string(text)));
    }
}

ParsedTemplate Failed(std::string error) { return ParsedTemplate{{}, std::move(error)}; }

}  // namespace

ParsedTemplate ParseFormatTemplate(std::string_view text, std::string_view timeSeparator) {
    ParsedTemplate result;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '}') {
            // "}}" is the escaped brace; a lone one is taken literally too.
            AppendLiteral(result.steps, "}");
            i += i + 1 < text.size() && text[i + 1] == '}' ? 2 : 1;
            continue;
        }
        if (c != '{') {
            const std::size_t end = std::min(text.find_first_of("{}", i), text.size());
            AppendLiteral(result.steps, text.substr(i, end - i));
            i = end;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '{') {
            AppendLiteral(result.steps, "{");
            i += 2;
            continue;
        }
        const std::size_t close = text.find('}', i + 1);
        if (close == std::string_view::npos) return Failed("unclosed \"{\" at position " + std::to_string(i + 1));
        const std::string_view inside = text.substr(i + 1, close - i - 1);
        const std::size_t colon = inside.find(':');
        if (colon == std::string_view::npos) {
            return Failed("placeholder {" + std::string(inside) + "} needs an item and a parameter, as {v2:Title}");
        }
        const std::string_view prefixText = Trim(inside.substr(0, colon));
        const Prefix* prefix = nullptr;
        for (const Prefix& candidate : kPrefixes) {
            if (core::EqualIgnoringCase(candidate.name, prefixText)) prefix = &candidate;
        }
        if (prefix == nullptr) return Failed("unknown item \"" + std::string(prefixText) + "\" in {" + std::string(inside) + "}");
        std::string parameter = FindParameter(prefix->item, inside.substr(colon + 1), timeSeparator);
        if (parameter.empty()) {
            return Failed("unknown parameter \"" + std::string(Trim(inside.substr(colon + 1))) + "\" for " +
                          std::string(prefix->name) + " in {" + std::string(inside) + "}");
        }
        result.steps.push_back(FormatStep::Make(prefix->item, std::move(parameter)));
        i = close + 1;
    }
    return result;
}

std::string FormatTemplateOf(const std::vector<FormatStep>& steps, std::string_view timeSeparator) {
    std::string out;
    for (const FormatStep& step : steps) {
        const auto item = ItemOf(step);
        if (item == FormatItem::Text) {
            for (const char c : step.parameter) {
                if (c == '{' || c == '}') out += c;
                out += c;
            }
        } else if (const auto p = item ? ParameterIndexOf(step, timeSeparator) : std::nullopt) {
            std::string name(Trim(step.parameter));
            // A separator holding a brace would end the placeholder early.
            if (*item == FormatItem::Time && name.find_first_of("{}") != std::string::npos) name = TimeParameters(":")[*p];
            out += "{" + std::string(PrefixOf(*item)) + ":" + name + "}";
        }
    }
    return out;
}

std::string FormatTemplateHelp(std::string_view timeSeparator) {
    std::string out =
        "A format is literal text with placeholders {item:parameter}; write {{ and }} for braces.\n"
        "Items:\n"
        "  v2       the ID3v2 tag\n"
        "  v2>v1    the ID3v2 tag, the ID3v1 tag where that field is empty\n"
        "  v1>v2    the ID3v1 tag, the ID3v2 tag where that field is empty\n"
        "  v1       the ID3v1 tag\n"
        "  time     the play time\n"
        "  mp3      MPEG properties\n"
        "Parameters:\n";
    const auto list = [&](FormatItem item, std::string_view label) {
        out += "  " + std::string(label) + ":";
        for (const std::string& name : ParameterNames(item, timeSeparator)) out += " " + std::string(Trim(name)) + ",";
        out.back() = '\n';
    };
    list(FormatItem::TagV2, "v2");
    list(FormatItem::TagV1, "v2>v1, v1>v2, v1");
    list(FormatItem::Time, "time");
    list(FormatItem::Mp3, "mp3");
    out += "  (time: seconds, minutes and seconds, hours minutes and seconds; \":\" may stand for the separator)\n"
           "Example: {v2:Track} {v2>v1:Artist} - {v2>v1:Title} ({time:" + TimeParameters(timeSeparator)[1] + "})\n";
    return out;
}

}  // namespace quilto::rename
