#include "cli/JsonWriter.h"

#include <cstdio>

#include "core/Utf.h"

namespace quilto::cli {

void JsonWriter::indent() {
    out_ << '\n';
    for (std::size_t i = 0; i < hasItems_.size(); ++i) out_ << "  ";
}

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.empty()) return;
    if (hasItems_.back()) out_ << ',';
    hasItems_.back() = true;
    indent();
}

void JsonWriter::open(char bracket) {
    separate();
    out_ << bracket;
    hasItems_.push_back(false);
}

void JsonWriter::close(char bracket) {
    const bool had = hasItems_.back();
    hasItems_.pop_back();
    if (had) indent();
    out_ << bracket;
    if (hasItems_.empty()) out_ << '\n';
}

JsonWriter& JsonWriter::beginObject() {
    open('{');
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    close('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    open('[');
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    close(']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    value(name);
    out_ << ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
    separate();
    // File names need not be UTF-8; JSON must be.
    const std::string valid = core::SanitizeUtf8(text);
    out_ << '"';
    for (const char c : valid) {
        switch (c) {
            case '"': out_ << "\\\""; break;
            case '\\': out_ << "\\\\"; break;
            case '\n': out_ << "\\n"; break;
            case '\r': out_ << "\\r"; break;
            case '\t': out_ << "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out_ << escaped;
                } else {
                    out_ << c;
                }
        }
    }
    out_ << '"';
    return *this;
}

JsonWriter& JsonWriter::value(std::uint64_t number) {
    separate();
    out_ << number;
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t number) {
    separate();
    out_ << number;
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    separate();
    out_ << (flag ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    out_ << "null";
    return *this;
}

}  // namespace quilto::cli
