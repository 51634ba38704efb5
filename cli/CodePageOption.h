// The --code-page option every subcommand that reads or writes legacy text has.
#pragma once

#include <string>

namespace CLI {
class App;
class Option;
}

namespace quilto::cli {

// A misspelt name is a usage error: the command would otherwise quietly read
// and write every text in the default code page.
CLI::Option* AddCodePageOption(CLI::App& command, std::string& codePage, const std::string& description);

}  // namespace quilto::cli
