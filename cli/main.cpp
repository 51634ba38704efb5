// quilto-cli: the engine without a window, for scripts and batch work.
#include <CLI/CLI.hpp>

#include <clocale>
#include <exception>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "core/NumberText.h"

namespace {

constexpr int kUsageError = 2;

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::setlocale(LC_ALL, "");
    quilto::core::UseLocaleThousandsSeparator();  // numbers grouped as the user's locale groups them
    quilto::cli::CommandContext context{std::cout, std::cerr};

    CLI::App app("The engine without a window, for scripts and batch work.", "quilto-cli");
    app.footer("Run `quilto-cli COMMAND --help` for the options of a command.\n"
               "Exit status: 0 success, 1 when any file failed, 2 for a usage error.");
    app.require_subcommand(1);
    // `quilto-cli help` has always shown the same text as --help.
    // (App::help would describe the selected subcommand, here "help" itself.)
    app.add_subcommand("help", "show this text")->group("")->allow_extras()->callback([&app, &context] {
        context.out << app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
    });

    quilto::cli::AddInfoCommand(app, context);
    quilto::cli::AddCueCommand(app, context);
    quilto::cli::AddPackCommand(app, context);
    quilto::cli::AddExtractCommand(app, context);
    quilto::cli::AddListCommand(app, context);
    quilto::cli::AddTagCommand(app, context);
    quilto::cli::AddRenameCommand(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // CLI11 has its own exit code for each kind of usage error; callers get one.
        return app.exit(error, std::cout, std::cerr) == 0 ? 0 : kUsageError;
    } catch (const std::exception& error) {
        // Whatever a command could not recover from fails the run, with a reason.
        std::cerr << "quilto-cli: " << error.what() << '\n';
        return 1;
    }
    return context.exitStatus;
}
