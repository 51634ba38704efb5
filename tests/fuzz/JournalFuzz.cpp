// The rename journal read back from a file written from the input (the
// reader takes a path). A journal read must be written and read back the
// same.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "rename/RenameJournal.h"

using namespace quilto;

namespace {

std::string Folder() {
    char name[] = "/tmp/quilto-fuzz-journal-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = Folder();
    const std::string path = folder + "/journal";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) std::abort();
    }
    std::string error;
    const std::optional<rename::RenameJournal> journal = rename::ReadJournal(path, error);
    if (!journal) {
        if (error.empty()) std::abort();
        return 0;
    }
    const std::string again = folder + "/again";
    if (!rename::WriteJournal(again, *journal, error)) std::abort();
    const std::optional<rename::RenameJournal> reread = rename::ReadJournal(again, error);
    if (!reread || !(*reread == *journal)) std::abort();
    return 0;
}
