// The rename journal's text. A journal read must give the same text back
// when written, and the same journal when that is read again.
#include <cstdlib>
#include <string>

#include "rename/RenameJournal.h"

using namespace quilto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string problem;
    const std::optional<rename::RenameJournal> journal =
        rename::ParseJournal(std::string_view(reinterpret_cast<const char*>(data), size), problem);
    if (!journal) {
        if (problem.empty()) std::abort();
        return 0;
    }
    const std::string text = rename::JournalText(*journal);
    const std::optional<rename::RenameJournal> reread = rename::ParseJournal(text, problem);
    if (!reread || !(*reread == *journal) || rename::JournalText(*reread) != text) std::abort();
    return 0;
}
