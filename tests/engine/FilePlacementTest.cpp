// Temporary names beside a target stay usable names whatever the target's.
#include <gtest/gtest.h>

#include <string>

#include "core/FilePlacement.h"
#include "core/Utf.h"

namespace {

TEST(TempPathBeside, StaysWithinTheNameLimitAndKeepsCharactersWhole) {
    // 249 bytes: 83 three-byte characters, the longest names users reach.
    std::string name;
    for (int i = 0; i < 83; ++i) name += "\xE3\x81\x82";
    for (const std::string& target : {"/music/" + name, "/music/" + std::string(254, 'a'), std::string("/music/a.mp3")}) {
        const std::string temp = quilto::core::TempPathBeside(target);
        const std::string base = quilto::core::BaseName(temp);
        EXPECT_LE(base.size(), 255u) << target;
        EXPECT_TRUE(quilto::core::IsValidUtf8(base)) << target;
        EXPECT_EQ(quilto::core::FolderOf(temp), "/music");
        EXPECT_EQ(base.front(), '.');
    }
}

}  // namespace
