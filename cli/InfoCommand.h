// `quilto-cli info`: the file-list columns of MP3 files, as text or JSON.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quilto::cli {

// Runs the command over its arguments (without the word "info"); returns the
// process exit status.
int RunInfoCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

void PrintInfoHelp(std::ostream& out);

}  // namespace quilto::cli
