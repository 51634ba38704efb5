// The key names of a settings text in file order: those of one section, or
// of the whole text when no section is named.
#pragma once

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace quilto::test {

inline std::vector<std::string> KeysOf(const std::string& text, std::string_view section = {}) {
    std::vector<std::string> keys;
    bool inside = section.empty();
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.front() == '[') {
            inside = section.empty() || line == "[" + std::string(section) + "]";
        } else if (inside) {
            if (const auto equals = line.find('='); equals != std::string::npos) keys.push_back(line.substr(0, equals));
        }
    }
    return keys;
}

}  // namespace quilto::test
