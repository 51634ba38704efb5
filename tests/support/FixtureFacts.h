// tests/fixtures/expected.tsv: what independent readers found in the encoder
// fixtures, as file -> key -> value (empty when the table is missing).
#pragma once

#include <fstream>
#include <map>
#include <string>

namespace quilto::test {

using FixtureFacts = std::map<std::string, std::map<std::string, std::string>>;

inline const FixtureFacts& ExpectedFacts() {
    static const FixtureFacts table = [] {
        FixtureFacts facts;
        std::ifstream in(std::string(QUILTO_FIXTURE_DIR) + "/expected.tsv");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            const auto tab1 = line.find('\t');
            const auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
            if (tab2 == std::string::npos) continue;
            facts[line.substr(0, tab1)][line.substr(tab1 + 1, tab2 - tab1 - 1)] = line.substr(tab2 + 1);
        }
        return facts;
    }();
    return table;
}

}  // namespace quilto::test
