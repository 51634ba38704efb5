// A small streaming JSON writer: enough for the tool's reports, with correct
// string escaping and no dependency.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

namespace quilto::cli {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(std::uint64_t number);
    JsonWriter& value(std::int64_t number);
    JsonWriter& value(bool flag);
    JsonWriter& null();

private:
    void separate();
    void indent();
    void open(char bracket);
    void close(char bracket);

    std::ostream& out_;
    std::vector<bool> hasItems_;  // one entry per open object or array
    bool afterKey_ = false;
};

}  // namespace quilto::cli
