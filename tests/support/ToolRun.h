// Independent tools and our own command-line program, run from tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RunProcess.h"

namespace quilto::test {

// A tool that is not installed fails the test with the reason instead of
// letting it pass silently.
inline ProcessResult RunTool(const std::string& program, std::vector<std::string> args, const std::string& input = {}) {
    args.insert(args.begin(), program);
    ProcessResult run = RunProcess(args, input);
    EXPECT_NE(run.exitCode, 127) << program << " could not be run: install it (scripts/install-deps.sh)";
    return run;
}

// The lines of a tool's output, without their line ends.
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

#ifdef QUILTO_CLI_PATH
// quilto-cli under the C locale, so numbers are grouped the same everywhere.
inline ProcessResult RunCli(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"env", "LC_ALL=C", QUILTO_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    ProcessResult run = RunProcess(words);
    EXPECT_NE(run.exitCode, 127) << QUILTO_CLI_PATH << " could not be run";
    return run;
}
#endif

}  // namespace quilto::test
