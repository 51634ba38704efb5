// A settings file's bytes: parsed, and every group of settings loaded from
// it. What a load gives must come back unchanged through store and load, and
// the file's text must parse to the same text again.
#include <cstdlib>

#include "core/IniFile.h"
#include "core/Utf.h"
#include "pack/PackOptions.h"
#include "rename/FormatSteps.h"
#include "rename/RenameOptions.h"
#include "rename/ReplaceHistory.h"

using namespace quilto;

namespace {

template <typename Options>
void RoundTrip(const core::IniFile& file) {
    Options loaded;
    loaded.load(file);
    core::IniFile stored;
    loaded.store(stored);
    Options again;
    again.load(stored);
    if (!(again == loaded)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const core::IniFile file = core::IniFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string text = file.text();
    if (!core::IsValidUtf8(text)) std::abort();
    if (core::IniFile::Parse(text).text() != text) std::abort();

    RoundTrip<pack::PackOptions>(file);
    RoundTrip<pack::ExtractOptions>(file);
    RoundTrip<rename::RenameOptions>(file);

    const std::vector<rename::FormatStep> steps = rename::LoadFormatSteps(file);
    if (steps.size() > rename::kMaxFormatSteps) std::abort();
    core::IniFile stepsFile;
    rename::StoreFormatSteps(stepsFile, steps);
    if (rename::LoadFormatSteps(stepsFile) != steps) std::abort();

    const rename::ReplaceHistory history = rename::LoadReplaceHistory(file);
    core::IniFile historyFile;
    rename::StoreReplaceHistory(historyFile, history);
    if (!(rename::LoadReplaceHistory(historyFile) == history)) std::abort();
    return 0;
}
