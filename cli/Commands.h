// The subcommands of quilto-cli. Each one lives in its own source file and
// registers itself on the application with one Add...Command call in main.cpp.
#pragma once

#include <ostream>

namespace CLI {
class App;
}

namespace quilto::cli {

// What a subcommand writes to and what it reports back: its callback runs while
// the command line is parsed and leaves the process exit status here
// (0 success, 1 when any file failed; usage errors never reach a callback).
struct CommandContext {
    std::ostream& out;
    std::ostream& err;
    int exitStatus = 0;
};

void AddInfoCommand(CLI::App& app, CommandContext& context);
void AddCueCommand(CLI::App& app, CommandContext& context);
void AddPackCommand(CLI::App& app, CommandContext& context);
void AddExtractCommand(CLI::App& app, CommandContext& context);
void AddListCommand(CLI::App& app, CommandContext& context);
void AddTagCommand(CLI::App& app, CommandContext& context);
void AddRenameCommand(CLI::App& app, CommandContext& context);

}  // namespace quilto::cli
