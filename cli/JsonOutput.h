// JSON output of quilto-cli: documents built as nlohmann::ordered_json (keys
// stay in the documented order), printed as a stream of array elements so a
// long listing shows each file as soon as it is read.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <string_view>

namespace quilto::cli {

using Json = nlohmann::ordered_json;

// File names and tag bytes need not be UTF-8; JSON must be. Invalid bytes
// become U+FFFD, one per byte.
Json JsonText(std::string_view text);

// Two-space indentation, "key": value, control characters other than
// \t \n \r as \u00XX, everything else as UTF-8 bytes.
std::string DumpJson(const Json& value);

// "[", the elements one by one, "]" and a line break; an empty array is "[]".
class JsonArrayStream {
public:
    explicit JsonArrayStream(std::ostream& out);
    ~JsonArrayStream();
    JsonArrayStream(const JsonArrayStream&) = delete;
    JsonArrayStream& operator=(const JsonArrayStream&) = delete;

    void add(const Json& element);
    // An element as add writes it, for callers that prepare elements on
    // other threads.
    static std::string Element(const Json& element);
    void addElement(const std::string& element);

private:
    std::ostream& out_;
    bool hasItems_ = false;
};

}  // namespace quilto::cli
