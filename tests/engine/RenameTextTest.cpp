// Wildcard replace pairs, case conversions, word capitals and trimming of
// list cells, and the short replacement texts of the rename options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/IniFile.h"
#include "rename/ReplaceConvert.h"
#include "rename/ReplaceHistory.h"
#include "rename/ReplacementText.h"

using namespace quilto;
using namespace quilto::rename;

namespace {

struct ReplaceCase {
    const char* from;
    const char* to;
    bool matchCase;
    const char* text;
    const char* expected;
    bool changed;
};

class ReplacePairsTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplacePairsTest, ReplacesByTheWildcardRules) {
    const ReplaceCase& c = GetParam();
    std::string text = c.text;
    EXPECT_EQ(ReplacePairs(text, c.from, c.to, c.matchCase), c.changed);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReplacePairsTest,
    ::testing::Values(
        ReplaceCase{"a*c", "X", true, "abcabc", "XX", true},
        ReplaceCase{"*", "X", true, "abc", "abc", false},         // a pattern ending in "*" never matches
        ReplaceCase{"ab*", "X", true, "abcd", "abcd", false},
        ReplaceCase{"*?", "X", true, "abc", "abc", false},        // "?" right after "*" never matches
        ReplaceCase{"*ab", "X", true, "aab", "aX", true},  // no match at 0, a match from 1
        ReplaceCase{"?b", "X", true, "ab", "X", true},
        ReplaceCase{"a|b", "1|2", true, "abba", "1221", true},
        ReplaceCase{"a|b", "1", true, "abba", "11", true},        // a From without To: replaced by nothing
        ReplaceCase{"a||b", "1|2|3", true, "ab", "13", true},     // the empty From uses up "2"
        ReplaceCase{"|", "x", true, "a|b", "a|b", false},
        ReplaceCase{"", "x", true, "abc", "abc", false},
        ReplaceCase{"b", "b", true, "abc", "abc", true},           // a match counts even if nothing differs
        ReplaceCase{"abc", "x", false, "ABC Abc abc", "x x x", true},
        ReplaceCase{"abc", "x", true, "ABC Abc abc", "ABC Abc x", true},
        // Characters, never bytes: "?" takes a whole character.
        ReplaceCase{"?", "_", true, "日本", "__", true},
        ReplaceCase{"?b", "X", true, "\xC3\xA9" "b", "X", true},
        ReplaceCase{"\xE6\x97\xA5*\xE6\x9C\xAC", "-", true, "\xE6\x97\xA5\xE3\x81\x82\xE6\x9C\xAC!", "-!", true},
        // A byte of one character never matches a part of another.
        ReplaceCase{"\xBC", "x", true, "\xEF\xBC\xBC", "\xEF\xBC\xBC", false},
        // Case-insensitive per character, with characters of other widths.
        ReplaceCase{"\xC3\xA9", "e", false, "\xC3\x89t\xC3\xA9", "ete", true},
        ReplaceCase{"i?", "-", false, "\xC4\xB1" "ab", "-b", true},  // dotless i upper-cases to one byte
        ReplaceCase{"?", "_", true, "a\xFF", "__", true}));          // an invalid byte is one character

struct PrefixCase {
    const char* pattern;
    const char* text;
    std::size_t bytes;
};

class MatchWildPrefixTest : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(MatchWildPrefixTest, CountsMatchedBytes) {
    EXPECT_EQ(MatchWildPrefix(GetParam().pattern, GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Rules, MatchWildPrefixTest,
                         ::testing::Values(PrefixCase{"*ab", "aab", 0},  // no backtracking
                                           PrefixCase{"?b", "ab", 2}, PrefixCase{"a*c", "abcabc", 3},
                                           PrefixCase{"a", "", 0}, PrefixCase{"", "abc", 0},
                                           PrefixCase{"a?", "a\xE6\x97\xA5z", 4}, PrefixCase{"abc", "ab", 0}));

struct ConvertCase {
    Conversion conversion;
    const char* text;
    const char* expected;
};

class ConvertTest : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertTest, ConvertsPerCharacter) {
    EXPECT_EQ(Convert(GetParam().text, GetParam().conversion), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConvertTest,
    ::testing::Values(
        ConvertCase{Conversion::Upper, "stra\xC3\x9F" "e", "STRA\xC3\x9F" "E"},  // sharp s stays one character
        ConvertCase{Conversion::Upper, "\xEF\xBD\x81z", "\xEF\xBC\xA1Z"},       // full-width a
        ConvertCase{Conversion::Lower, "\xC3\x80\xC3\x89X", "\xC3\xA0\xC3\xA9x"},
        ConvertCase{Conversion::Lower, "A\xFF" "B", "a\xFF" "b"},
        ConvertCase{Conversion::SwapCase, "aBc", "AbC"},
        ConvertCase{Conversion::SwapCase, "1\xEF\xBD\xB1-\xC3\xA9", "1\xEF\xBD\xB1-\xC3\x89"},  // digits, kana stay
        ConvertCase{Conversion::CapitalizeWords, "the quick-brown fox", "The Quick-Brown Fox"},
        ConvertCase{Conversion::CapitalizeWords, "hELLO wORLD", "Hello World"},
        ConvertCase{Conversion::CapitalizeWords, "  ab", "  Ab"},
        ConvertCase{Conversion::CapitalizeWords, ".net", ".Net"},
        ConvertCase{Conversion::CapitalizeWords, "ab\xEF\xBD\xA5" "cd", "Ab\xEF\xBD\xA5" "Cd"},
        ConvertCase{Conversion::CapitalizeWords, "\xC3\xA9lan vital", "\xC3\x89lan Vital"},
        ConvertCase{Conversion::CapitalizeWords, "", ""},
        ConvertCase{Conversion::CapitalizeKeep, "hELLO wORLD", "HELLO WORLD"},
        ConvertCase{Conversion::CapitalizeFirst, "hello WORLD", "Hello world"},
        ConvertCase{Conversion::CapitalizeFirst, "the quick-brown fox", "The quick-brown fox"},
        ConvertCase{Conversion::CapitalizeFirst, "", ""},
        ConvertCase{Conversion::TrimLeft, " \t a ", "a "},
        ConvertCase{Conversion::TrimRight, " a \r\n", " a"},
        ConvertCase{Conversion::TrimBoth, "  a b  ", "a b"},
        ConvertCase{Conversion::TrimBoth, "\xE3\x80\x80" "a\xE3\x80\x80", "\xE3\x80\x80" "a\xE3\x80\x80"},
        ConvertCase{Conversion::CollapseSpaces, "a   b  ", "a b "},
        ConvertCase{Conversion::CollapseSpaces, "a\t\tb \xE3\x80\x80\xE3\x80\x80", "a\t\tb \xE3\x80\x80\xE3\x80\x80"}));

TEST(ConvertTest, WordsEndAtTheGivenDelimiters) {
    EXPECT_EQ(Convert("a-b c", Conversion::CapitalizeWords, "-"), "A-B c");
    EXPECT_EQ(Convert("a-b c", Conversion::CapitalizeWords, ""), "A-b c");
}

TEST(ConversionNames, MenuTagsAndNamesFindTheirConversion) {
    const std::vector<std::pair<int, Conversion>> tags = {
        {11, Conversion::Upper},           {12, Conversion::Lower},           {13, Conversion::SwapCase},
        {21, Conversion::CapitalizeWords}, {22, Conversion::CapitalizeKeep},  {23, Conversion::CapitalizeFirst},
        {31, Conversion::TrimLeft},        {32, Conversion::TrimRight},       {33, Conversion::TrimBoth},
        {34, Conversion::CollapseSpaces}};
    for (const auto& [tag, conversion] : tags) {
        EXPECT_EQ(ConversionFromMenuTag(tag), conversion) << tag;
        EXPECT_EQ(ConversionFromName(InfoOf(conversion).name), conversion) << tag;
        EXPECT_EQ(InfoOf(conversion).conversion, conversion) << tag;
    }
    EXPECT_EQ(Conversions().size(), kConversionCount);
    EXPECT_FALSE(ConversionFromMenuTag(14));
    EXPECT_FALSE(ConversionFromName("UPPER"));
}

TEST(ApplyToColumn, ReportsEachCellAndSkipsMissingOnes) {
    std::string a = "abc";
    std::string b = "xyz";
    std::string c = "ABC";
    const std::vector<std::string*> cells = {&a, nullptr, &b, &c};
    const auto replaced = ApplyToColumn(TextOperation::Replace({"b", "_", false}), cells);
    EXPECT_EQ(replaced, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(a, "a_c");
    EXPECT_EQ(c, "A_C");
    const auto upper = ApplyToColumn(TextOperation::Converting(Conversion::Upper), cells);
    EXPECT_EQ(upper, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(a, "A_C");
    EXPECT_EQ(b, "XYZ");
}

TEST(AddToHistory, MovesAnEqualEntryUpInTheNewCaseAndKeepsTwenty) {
    std::vector<std::string> history;
    for (int i = 1; i <= 20; ++i) AddToHistory(history, "t" + std::to_string(i));
    AddToHistory(history, "T5");
    ASSERT_EQ(history.size(), 20u);
    EXPECT_EQ(history.front(), "T5");
    EXPECT_EQ(std::count(history.begin(), history.end(), "t5"), 0);
    AddToHistory(history, "new");
    ASSERT_EQ(history.size(), 20u);
    EXPECT_EQ(history.front(), "new");
    EXPECT_EQ(history.back(), "t2");  // t1, the oldest, is gone
    AddToHistory(history, "");
    EXPECT_EQ(history.front(), "new");
}

TEST(ReplaceHistorySettings, RoundTripsAndCapsTheCounts) {
    ReplaceHistory history{{"a*", "b?"}, {"x"}, true};
    auto file = core::IniFile::Parse("[ReName]\nRFCount=3\nRF-0=old\nRF-1=old\nRF-2=old\nFCount=0\n");
    StoreReplaceHistory(file, history);
    EXPECT_EQ(LoadReplaceHistory(core::IniFile::Parse(file.text())), history);
    EXPECT_FALSE(file.value("ReName", "RF-2"));
    EXPECT_EQ(file.value("ReName", "FCount"), "0");

    const auto huge = LoadReplaceHistory(core::IniFile::Parse("[ReName]\nRFCount=2000000000\nRTCount=-1\n"));
    EXPECT_EQ(huge.from.size(), kHistoryLimit);
    EXPECT_TRUE(huge.to.empty());
    EXPECT_FALSE(huge.matchCase);
}

struct ReplacementCase {
    const char* text;
    bool valid;
};

class ReplacementTextTest : public ::testing::TestWithParam<ReplacementCase> {};

TEST_P(ReplacementTextTest, TwoAsciiOrOneOtherCharacterThatIsSafeInAName) {
    EXPECT_EQ(IsValidReplacementText(GetParam().text), GetParam().valid) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReplacementTextTest,
    ::testing::Values(ReplacementCase{"", true}, ReplacementCase{"'", true}, ReplacementCase{"ab", true},
                      ReplacementCase{"a.", true}, ReplacementCase{"\xEF\xBC\x8A", true},  // full-width *
                      ReplacementCase{"\xC3\xA9", true}, ReplacementCase{"abc", false},
                      ReplacementCase{"a\xEF\xBC\x8A", false}, ReplacementCase{"\xC3\xA9\xC3\xA9", false},
                      ReplacementCase{"/", false}, ReplacementCase{"a:", false}, ReplacementCase{"|", false},
                      ReplacementCase{"\\", false}, ReplacementCase{".", false}, ReplacementCase{"..", false},
                      ReplacementCase{"\t", false}, ReplacementCase{"\x7F", false},
                      ReplacementCase{"\xC2\x85", false},  // a C1 control
                      ReplacementCase{"\xFF", false}));

TEST(ReadReplacementText, FallsBackToTheDefaultForAnUnsafeText) {
    const auto file = core::IniFile::Parse(
        "[OptionRen]\nTimeSep=/-/\nRep1=/../\nRep2=/a/b/\nRep3=/ab/\nRep4=/x\x01/\nRep5=/\xEF\xBC\x9F/\n");
    EXPECT_EQ(ReadReplacementText(file, "TimeSep", "'"), "-");
    EXPECT_EQ(ReadReplacementText(file, "Rep1", "D"), "D");
    EXPECT_EQ(ReadReplacementText(file, "Rep2", "D"), "D");
    EXPECT_EQ(ReadReplacementText(file, "Rep3", "D"), "ab");
    EXPECT_EQ(ReadReplacementText(file, "Rep4", "D"), "D");
    EXPECT_EQ(ReadReplacementText(file, "Rep5", "D"), "\xEF\xBC\x9F");
    EXPECT_EQ(ReadReplacementText(file, "Rep6", "D"), "D");
}

}  // namespace
