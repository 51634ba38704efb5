// quilto-cli: the engine without a window, for scripts and batch work.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/InfoCommand.h"
#include "core/NumberText.h"

namespace {

void PrintUsage(std::ostream& out) {
    out << "Usage: quilto-cli COMMAND [OPTIONS] ...\n"
           "\n"
           "Commands:\n"
           "  info    list MP3 files with their tags and stream properties\n"
           "\n"
           "Run `quilto-cli COMMAND --help` for the options of a command.\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        PrintUsage(arguments.empty() ? std::cerr : std::cout);
        return arguments.empty() ? 2 : 0;
    }
    std::setlocale(LC_ALL, "");
    quilto::core::UseLocaleThousandsSeparator();  // numbers grouped as the user's locale groups them
    const std::string& command = arguments[0];
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "info") return quilto::cli::RunInfoCommand(rest, std::cout, std::cerr);
    std::cerr << "quilto-cli: unknown command " << command << "\n\n";
    PrintUsage(std::cerr);
    return 2;
}
