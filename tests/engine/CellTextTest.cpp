// The rules behind the list editors' time cells and digit-only fields.
#include <gtest/gtest.h>

#include <string>

#include "core/CueTime.h"
#include "core/NumberText.h"

using namespace quilto;

namespace {

struct NormalizeCase {
    const char* typed;
    const char* stored;
};

class NormalizeTime : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeTime, CarriesSaturatesAndFormats) {
    EXPECT_EQ(core::NormalizeCueTimeText(GetParam().typed), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    CellText, NormalizeTime,
    ::testing::Values(NormalizeCase{"  1:75:80", "02:16:05"},    // frames and seconds carry
                      NormalizeCase{"012:34:56", "12:34:56"},    // leading "0" of the editor dropped
                      NormalizeCase{"123:45:67", "123:45:67"},   // three minute digits kept
                      NormalizeCase{"999:59:99", "999:59:74"},   // carry into 1000 minutes saturates
                      NormalizeCase{"999:99:99", "999:59:74"},
                      NormalizeCase{"999:59:74", "999:59:74"},
                      NormalizeCase{"   :  :  ", "00:00:00"},    // blank digits read as 0
                      NormalizeCase{" 1 : 2: 3", "10:02:03"},    // a blank digit is a 0 in its place
                      NormalizeCase{"", "00:00:00"},
                      NormalizeCase{"12:34:56", "12:34:56"},     // 8 characters: two minute digits
                      NormalizeCase{"00:00:75", "00:01:00"},
                      NormalizeCase{"059:60:00", "60:00:00"}));

TEST(CellText, SpinOfNormalisedEditorTextSaturates) {
    // What the time editor's spin buttons do: normalise, then step.
    const struct {
        const char* typed;
        int delta;
        const char* result;
    } cases[] = {
        {"999:59:74", 1, "999:59:74"},  {"999:59:74", 75, "999:59:74"}, {"999:99:99", 1, "999:59:74"},
        {"   :  :  ", -1, "000:00:00"}, {"000:00:10", -75, "000:00:00"}, {"  1:75:80", 1, "002:16:06"},
        {"  0:59:74", 1, "001:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::SpinCueTime(core::NormalizeCueTimeText(c.typed), c.delta), c.result) << c.typed;
}

TEST(CellText, DigitFilterPassesControlsAndDigitsOnly) {
    for (char32_t c : {U'\b', U'\r', U'\x1b', U'\x1f', U'0', U'5', U'9'}) EXPECT_TRUE(core::PassesDigitFilter(c));
    for (char32_t c : {U' ', U':', U'/', U'a', U'-', U'\x7f', U'\uFF10' /* fullwidth zero */})
        EXPECT_FALSE(core::PassesDigitFilter(c));
}

}  // namespace
