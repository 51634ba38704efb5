// mutagen's view of the ID3v2 tags of files we wrote: an independent reader.
// A missing python3 or mutagen fails the test with the reason.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunProcess.h"

namespace quilto::test {

// Prints one line per frame: key, ID, encoding and the frame's fields; binary
// data as its length and hash, so carried bytes can be compared.
inline constexpr const char* kMutagenDump = R"PY(
import hashlib, sys
from mutagen.id3 import ID3
for path in sys.argv[1:]:
    tag = ID3(path, translate=False)
    print("FILE", path)
    print("version", ".".join(map(str, tag.version)))
    for key in sorted(tag.keys()):
        f = tag[key]
        parts = [key, "id=" + f.FrameID]
        if hasattr(f, "encoding"): parts.append("enc=%d" % int(f.encoding))
        if f.FrameID == "TCON": parts.append("genres=" + "|".join(f.genres))
        elif hasattr(f, "text"): parts.append("text=" + "|".join(str(t) for t in f.text))
        for name in ("lang", "desc", "url", "mime", "owner"):
            if hasattr(f, name): parts.append(name + "=" + str(getattr(f, name)))
        if hasattr(f, "data"):
            parts.append("data=%d:%s" % (len(f.data), hashlib.sha256(f.data).hexdigest()))
        print("\t".join(parts).replace("\r", "\\r").replace("\n", "\\n"))
)PY";

using MutagenFrames = std::set<std::string>;

// Lines of the dump per file, in the order the files were given.
inline std::vector<MutagenFrames> MutagenDump(const std::vector<std::filesystem::path>& files) {
    std::vector<std::string> argv{"/usr/bin/python3", "-c", kMutagenDump};
    for (const auto& f : files) argv.push_back(f.string());
    const ProcessResult run = RunProcess(argv);
    if (run.exitCode != 0) {
        ADD_FAILURE() << "python3 with mutagen failed (install python3-mutagen, scripts/install-deps.sh): exit "
                      << run.exitCode << "\n" << run.err;
        return {};
    }
    std::vector<MutagenFrames> dumps;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("FILE ", 0) == 0) dumps.emplace_back();
        else if (!dumps.empty()) dumps.back().insert(line);
    }
    return dumps;
}

// One field ("text", "desc", "version", ...) of the frame whose key is `key`
// (the key of a GEOB or COMM frame carries its description after a colon).
inline std::optional<std::string> MutagenField(const MutagenFrames& frames, const std::string& key,
                                               const std::string& field) {
    for (const std::string& line : frames) {
        if (key == "version" && line.rfind("version ", 0) == 0) return line.substr(8);
        if (line.rfind(key + "\t", 0) != 0) continue;
        std::istringstream parts(line);
        for (std::string part; std::getline(parts, part, '\t');) {
            if (part.rfind(field + "=", 0) == 0) return part.substr(field.size() + 1);
        }
    }
    return std::nullopt;
}

}  // namespace quilto::test
