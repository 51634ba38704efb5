// A settings file's bytes: parsed, and every group of settings loaded from
// it. A store may normalise what a load gave (a line break inside a value
// becomes a blank); from then on store and load must give the same settings
// again. The same holds for the file's text.
#include <cstdlib>

#include "core/IniFile.h"
#include "core/Utf.h"
#include "pack/PackOptions.h"
#include "rename/FormatSteps.h"
#include "rename/RenameOptions.h"
#include "rename/ReplaceHistory.h"

using namespace quilto;

namespace {

template <typename Settings, typename Load, typename Store>
void RoundTrip(const core::IniFile& file, Load load, Store store) {
    const Settings loaded = load(file);
    core::IniFile stored;
    store(stored, loaded);
    const Settings normalised = load(stored);
    core::IniFile storedAgain;
    store(storedAgain, normalised);
    if (!(load(storedAgain) == normalised)) std::abort();
}

template <typename Options>
void RoundTripOptions(const core::IniFile& file) {
    RoundTrip<Options>(
        file,
        [](const core::IniFile& from) {
            Options options;
            options.load(from);
            return options;
        },
        [](core::IniFile& to, const Options& options) { options.store(to); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const core::IniFile file = core::IniFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string text = file.text();
    if (!core::IsValidUtf8(text)) std::abort();
    // Each read takes one byte order mark character at the start for the
    // mark, and one CR before a line's LF as part of the line end; texts
    // without either must read back the same.
    const bool marked = text.rfind("\xEF\xBB\xBF", 0) == 0;
    if (!marked && text.find('\r') == std::string::npos && core::IniFile::Parse(text).text() != text) std::abort();

    RoundTripOptions<pack::PackOptions>(file);
    RoundTripOptions<pack::ExtractOptions>(file);
    RoundTripOptions<rename::RenameOptions>(file);
    if (rename::LoadFormatSteps(file).size() > rename::kMaxFormatSteps) std::abort();
    RoundTrip<std::vector<rename::FormatStep>>(file, rename::LoadFormatSteps, rename::StoreFormatSteps);
    RoundTrip<rename::ReplaceHistory>(file, rename::LoadReplaceHistory, rename::StoreReplaceHistory);
    return 0;
}
