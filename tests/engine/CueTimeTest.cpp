// Play time and cue time texts and their arithmetic.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

#include "core/CueTime.h"
#include "core/NumberText.h"

using namespace quilto;
using core::CueTime;
using core::InvalidNumber;

namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// --- play time -------------------------------------------------------------

struct PlayTimeCase {
    std::int32_t seconds;
    const char* text;
};

class PlayTime : public ::testing::TestWithParam<PlayTimeCase> {};

TEST_P(PlayTime, FormatsAndReadsBack) {
    EXPECT_EQ(core::SecondsToPlayTime(GetParam().seconds), GetParam().text);
    EXPECT_EQ(core::PlayTimeToSeconds(GetParam().text), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(CueTime, PlayTime,
                         ::testing::Values(PlayTimeCase{0, "0:00"}, PlayTimeCase{59, "0:59"},
                                           PlayTimeCase{61, "1:01"}, PlayTimeCase{3600, "60:00"},
                                           PlayTimeCase{3601, "1:00:01"}, PlayTimeCase{7199, "1:59:59"},
                                           PlayTimeCase{36000, "10:00:00"}, PlayTimeCase{360000, "100:00:00"}));

TEST(CueTime, PlayTimeReadsShortAndEmptyTexts) {
    EXPECT_EQ(core::PlayTimeToSeconds(""), 0);
    EXPECT_EQ(core::PlayTimeToSeconds("7"), 7);
}

TEST(CueTime, PlayTimeRejectsGroupsThatAreNotNumbers) {
    for (const char* text : {":59", "1:5x", "a:00", "1:00:00:00", "1::00", "99999999999:00:00", " :00"}) {
        EXPECT_THROW(core::PlayTimeToSeconds(text), InvalidNumber) << text;
    }
}

// --- cue time texts --------------------------------------------------------

TEST(CueTime, ParseTakesMinuteWidthFromLength) {
    EXPECT_EQ(core::ParseCueTime("100:02:03"), (CueTime{100, 2, 3}));
    EXPECT_EQ(core::ParseCueTime("10:02:03"), (CueTime{10, 2, 3}));
    EXPECT_EQ(core::ParseCueTime("999:59:74"), (CueTime{999, 59, 74}));
    EXPECT_EQ(core::ParseCueTime("00:00:99"), (CueTime{0, 0, 99}));  // read, not normalised
}

TEST(CueTime, ParseRejectsTextsThatAreNotCueTimes) {
    for (const char* text : {"", "1", "abc", "123", "100:0", "1:02:03", "10:02:0x", "1000:00:00", "10:02:03 ",
                             "  1:02:03", "+1:+2:+3x"}) {
        EXPECT_THROW(core::ParseCueTime(text), InvalidNumber) << '"' << text << '"';
    }
}

struct CueSumCase {
    const char* left;
    const char* right;
    const char* result;
};

class CueDiff : public ::testing::TestWithParam<CueSumCase> {};

TEST_P(CueDiff, SubtractsWithBorrows) {
    EXPECT_EQ(core::CueTimeDiff(GetParam().left, GetParam().right), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(CueTime, CueDiff,
                         ::testing::Values(CueSumCase{"01:30:10", "01:29:00", "00:00:00"},   // negative
                                           CueSumCase{"00:59:74", "01:00:00", "00:00:01"},   // double borrow
                                           CueSumCase{"00:30:00", "01:10:00", "00:40:00"},   // second borrow
                                           CueSumCase{"01:00:00", "103:30:50", "102:30:50"},
                                           CueSumCase{"00:00:00", "999:59:74", "999:59:74"},
                                           CueSumCase{"00:00:00", "00:00:99", "00:01:24"}));  // normalised

class CueAdd : public ::testing::TestWithParam<CueSumCase> {};

TEST_P(CueAdd, AddsWithCarriesAndSaturates) {
    EXPECT_EQ(core::CueTimeAdd(GetParam().left, GetParam().right), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(CueTime, CueAdd,
                         ::testing::Values(CueSumCase{"00:59:74", "00:00:01", "01:00:00"},
                                           CueSumCase{"99:59:74", "00:00:01", "100:00:00"},  // grows to 9 characters
                                           CueSumCase{"998:59:74", "00:00:01", "999:59:74"},
                                           CueSumCase{"500:00:00", "499:00:00", "999:59:74"},  // 999 minutes saturate
                                           CueSumCase{"999:59:74", "999:59:74", "999:59:74"},
                                           CueSumCase{"00:00:99", "00:00:99", "00:02:48"}));

// Track lengths are differences of indexes and indexes sums of lengths; the
// two must agree or the cue list drifts each time it is recomputed.
TEST(CueTime, AddUndoesDiff) {
    const char* times[] = {"00:00:00", "00:00:74", "00:59:74", "03:17:41", "59:59:74", "100:00:00", "998:59:74"};
    for (const char* from : times) {
        for (const char* to : times) {
            const std::string length = core::CueTimeDiff(from, to);
            if (length != "00:00:00" || std::string_view(from) == to) {
                EXPECT_EQ(core::CueTimeAdd(from, length), to) << from << " -> " << to;
            }
        }
    }
}

// --- frames and seconds ----------------------------------------------------

struct NormaliseCase {
    std::int32_t seconds, frames75;
    const char* text;
    std::int32_t storedSeconds, storedFrames;
};

class FramesToCue : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(FramesToCue, NormalisesAndFormats) {
    const NormaliseCase& c = GetParam();
    std::int32_t seconds = c.seconds;
    std::int32_t frames75 = c.frames75;
    EXPECT_EQ(core::FramesToCueTime(seconds, frames75), c.text);
    EXPECT_EQ(seconds, c.storedSeconds);
    EXPECT_EQ(frames75, c.storedFrames);
}

INSTANTIATE_TEST_SUITE_P(CueTime, FramesToCue,
                         ::testing::Values(NormaliseCase{61, 150, "01:03:00", 63, 0},
                                           NormaliseCase{6000, 74, "100:00:74", 6000, 74},
                                           NormaliseCase{59999, 74, "999:59:74", 59999, 74},
                                           NormaliseCase{60000, 0, "999:59:74", 60000, 0},   // saturated text
                                           NormaliseCase{10, -1, "00:09:74", 9, 74},
                                           NormaliseCase{-5, 10, "00:00:00", 0, 0},           // negative total
                                           NormaliseCase{kInt32Max, 200, "999:59:74", kInt32Max, 74}));

struct AddFramesCase {
    const char* framesText;
    const char* hz;
    std::int32_t seconds, frames75;  // after adding to 0:0
    const char* cueText;             // after FramesToCueTime
};

class AddFrames : public ::testing::TestWithParam<AddFramesCase> {};

TEST_P(AddFrames, AddsPlayTimeOfFrames) {
    const AddFramesCase& c = GetParam();
    std::int32_t seconds = 0;
    std::int32_t frames75 = 0;
    core::AddFramesToTime(seconds, frames75, c.framesText, c.hz);
    EXPECT_EQ(seconds, c.seconds);
    EXPECT_EQ(frames75, c.frames75);
    EXPECT_EQ(core::FramesToCueTime(seconds, frames75), c.cueText);
}

INSTANTIATE_TEST_SUITE_P(
    CueTime, AddFrames,
    ::testing::Values(AddFramesCase{"38", "44100", 0, 74, "00:00:74"},  // just under a second
                      AddFramesCase{"39", "44100", 1, 1, "00:01:01"},
                      AddFramesCase{"2297", "44100", 60, 0, "01:00:00"},
                      AddFramesCase{"125", "48000", 3, 0, "00:03:00"},
                      AddFramesCase{"250", "32000", 9, 0, "00:09:00"},
                      AddFramesCase{"", "44100", 0, 0, "00:00:00"},
                      AddFramesCase{"90", "", 90, 0, "01:30:00"},  // unknown rate: a frame a second
                      AddFramesCase{"90", "44,100", 90, 0, "01:30:00"},
                      AddFramesCase{"-38", "44100", 0, -73, "00:00:00"},
                      AddFramesCase{"2147483647", "", kInt32Max, 0, "999:59:74"}));

TEST(CueTime, AddFramesRejectsFrameTextsThatAreNotNumbers) {
    for (const char* text : {"12(3)", "abc", "1,000", "99999999999", " 5"}) {
        std::int32_t seconds = 4;
        std::int32_t frames75 = 5;
        EXPECT_THROW(core::AddFramesToTime(seconds, frames75, text, "44100"), InvalidNumber) << text;
        EXPECT_EQ(seconds, 4);
        EXPECT_EQ(frames75, 5);
    }
}

// --- spin editor -----------------------------------------------------------

struct SpinCase {
    const char* text;
    std::int32_t delta;
    const char* result;
};

class Spin : public ::testing::TestWithParam<SpinCase> {};

TEST_P(Spin, StepsByCueFrames) { EXPECT_EQ(core::SpinCueTime(GetParam().text, GetParam().delta), GetParam().result); }

INSTANTIATE_TEST_SUITE_P(CueTime, Spin,
                         ::testing::Values(SpinCase{"000:00:00", -1, "000:00:00"},
                                           SpinCase{"000:59:74", 1, "001:00:00"},
                                           SpinCase{"001:00:00", -1, "000:59:74"},
                                           SpinCase{"000:00:74", 75, "000:01:74"},   // second button
                                           SpinCase{"00:10:00", -75, "000:09:00"},   // two minute digits
                                           SpinCase{"099:59:74", 1, "100:00:00"},
                                           SpinCase{"999:59:74", 1, "999:59:74"},    // stays readable
                                           SpinCase{"999:59:74", 75, "999:59:74"}));

TEST(CueTime, SpinRejectsTextsThatAreNotCueTimes) {
    for (const char* text : {"", "1", "12345", "00:0x:00", "  1:00:00", "000:00:7"}) {
        EXPECT_THROW(core::SpinCueTime(text, 1), InvalidNumber) << '"' << text << '"';
    }
}

// --- hostile texts ---------------------------------------------------------

std::string RandomText(std::mt19937& random) {
    static const std::string alphabet = "0123456789::::--+ x\xFF";
    const auto length = std::uniform_int_distribution<std::size_t>(0, 12)(random);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(random() % 8 == 0 ? static_cast<char>(random() % 256)
                                         : alphabet[random() % alphabet.size()]);
    }
    return text;
}

// Whatever comes in: a result or InvalidNumber, and every cue text produced
// is one that ParseCueTime reads back within 00:00:00..999:59:74.
TEST(CueTime, HostileTextsGiveReadableResultsOrInvalidNumber) {
    const auto readable = [](const std::string& text) {
        const CueTime time = core::ParseCueTime(text);
        return time.minutes >= 0 && time.minutes <= 999 && time.seconds >= 0 && time.seconds < 60 &&
               time.frames >= 0 && time.frames < 75;
    };
    const auto produced = [&readable](auto make) {
        try {
            const std::string text = make();
            EXPECT_TRUE(readable(text)) << text;
        } catch (const InvalidNumber&) {
        }
    };
    std::mt19937 random(1234);
    int parsed = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string a = RandomText(random);
        const std::string b = i % 2 ? RandomText(random) : "01:02:03";
        try {
            core::ParseCueTime(a);
            ++parsed;
        } catch (const InvalidNumber&) {
        }
        try {
            core::PlayTimeToSeconds(a);
        } catch (const InvalidNumber&) {
        }
        produced([&] { return core::CueTimeAdd(a, b); });
        produced([&] { return core::CueTimeDiff(b, a); });
        produced([&] { return core::SpinCueTime(a, static_cast<std::int32_t>(random() % 151) - 75); });
        produced([&] {
            std::int32_t seconds = static_cast<std::int32_t>(random());
            std::int32_t frames75 = static_cast<std::int32_t>(random() % 200) - 100;
            core::AddFramesToTime(seconds, frames75, a, "44100");
            return core::FramesToCueTime(seconds, frames75);
        });
    }
    EXPECT_GT(parsed, 0);  // the alphabet does reach valid texts
}

}  // namespace
