#include <gtest/gtest.h>

#include "core/FrameScan.h"
#include "support/MpegBuilder.h"

using namespace quilto;

TEST(Smoke, FullScanCountsSyntheticFrames) {
    std::vector<std::uint8_t> data = test::Frames({}, 100);
    auto file = core::InputFile::FromBytes(data);
    core::NoProgress progress;
    const auto columns = core::FullFrameScan(file, 0, true, progress);
    EXPECT_EQ(columns.info.frames, 100u);
    EXPECT_EQ(columns.text(core::StreamColumn::Kbps), "128");
}
