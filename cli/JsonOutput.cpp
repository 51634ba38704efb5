#include "cli/JsonOutput.h"

#include "core/Utf.h"

namespace quilto::cli {

Json JsonText(std::string_view text) { return core::SanitizeUtf8(text); }

std::string DumpJson(const Json& value) {
    // The replace handler only guards: every text went through JsonText.
    const std::string dumped = value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    // nlohmann writes backspace and form feed as \b and \f; the tool has always
    // written them as \u0008 and \u000c, and scripts may compare outputs.
    // Outside strings there is no backslash, and inside one every backslash
    // opens a two-character escape, so pairs can be rewritten as they come.
    std::string result;
    result.reserve(dumped.size());
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        result += dumped[i];
        if (dumped[i] != '\\' || i + 1 == dumped.size()) continue;
        const char escaped = dumped[++i];
        if (escaped == 'b') {
            result += "u0008";
        } else if (escaped == 'f') {
            result += "u000c";
        } else {
            result += escaped;
        }
    }
    return result;
}

JsonArrayStream::JsonArrayStream(std::ostream& out) : out_(out) { out_ << '['; }

JsonArrayStream::~JsonArrayStream() { out_ << (hasItems_ ? "\n]\n" : "]\n"); }

void JsonArrayStream::add(const Json& element) { addElement(Element(element)); }

std::string JsonArrayStream::Element(const Json& element) {
    const std::string dumped = DumpJson(element);
    std::string text;
    text.reserve(dumped.size() + dumped.size() / 8);
    // Strings hold no raw line break, so every line break is the layout's own.
    for (const char c : dumped) {
        text += c;
        if (c == '\n') text += "  ";
    }
    return text;
}

void JsonArrayStream::addElement(const std::string& element) {
    out_ << (hasItems_ ? ",\n  " : "\n  ");
    hasItems_ = true;
    out_ << element;
}

}  // namespace quilto::cli
