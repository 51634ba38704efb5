#include "cli/CodePageOption.h"

#include <CLI/CLI.hpp>

#include "core/TextCodec.h"

namespace quilto::cli {

CLI::Option* AddCodePageOption(CLI::App& command, std::string& codePage, const std::string& description) {
    const CLI::Validator knownCodePage(
        [](std::string& name) {
            if (core::IsKnownCodePage(name)) return std::string();
            return "unknown code page " + name + " (an iconv name such as CP932 or CP1252)";
        },
        "", "code page");
    return command.add_option("--code-page", codePage, description)->type_name("NAME")->check(knownCodePage);
}

}  // namespace quilto::cli
