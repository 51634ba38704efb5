// The text transformations behind every "Replace" and "Convert" command:
// wildcard replace pairs, letter case, word capitals and trimming. They work
// on UTF-8 texts one character at a time, so no character is ever split and
// a case change never moves the characters after it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quilto::rename {

// ------------------------------------------------------------ letter case

// Per-character, one-to-one mappings: a character whose case form would be
// several characters (German sharp s) stays as it is. Bytes that are not
// valid UTF-8 pass unchanged.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Equal after upper-casing both, the comparison of an unchecked "U/L Case".
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// ---------------------------------------------------------- wildcard replace

// Number of bytes at the start of text that the pattern matches, 0 for no
// match. "*" is any run of characters, shortest first and without
// backtracking ("*ab" does not match "aab"); "?" is one character; a pattern
// ending in "*" never matches, nor does a "?" right after a "*".
// Without matchCase both sides are compared upper-cased.
std::size_t MatchWildPrefix(std::string_view pattern, std::string_view text, bool matchCase = true);

// Replaces every match of from, scanning left to right; unmatched characters
// are copied from the text as they were, to is inserted unchanged. True when
// at least one match was replaced.
bool ReplaceAllWild(std::string& text, std::string_view from, std::string_view to, bool matchCase);

// from and to hold alternatives separated by "|"; the k-th To belongs to the
// k-th From, a From without a To is replaced by nothing, an empty From
// alternative is skipped (and still uses up its To). True when any pair
// replaced something.
bool ReplacePairs(std::string& text, std::string_view from, std::string_view to, bool matchCase);

struct ReplaceRequest {
    std::string from;
    std::string to;
    bool matchCase = false;  // the "U/L Case" check box
};

// --------------------------------------------------------------- conversions

// Every conversion of the column menus' "Convert" submenus, in menu order.
// The values are fixed: they index Conversions().
enum class Conversion {
    Upper = 0,            // "LowerCase ⇒ UpperCase"
    Lower = 1,            // "UpperCase ⇒ LowerCase"
    SwapCase = 2,         // "LowerCase ⇔ UpperCase"
    CapitalizeWords = 3,  // "Others LowerCase"
    CapitalizeKeep = 4,   // "Others No Convert"
    CapitalizeFirst = 5,  // "First Word Only"
    TrimLeft = 6,         // "Left"
    TrimRight = 7,        // "Right"
    TrimBoth = 8,         // "Both"
    CollapseSpaces = 9,   // "Multi Space"
};
inline constexpr std::size_t kConversionCount = 10;

// The default of the rename option "Delimiter": the characters that end a word.
inline constexpr std::string_view kDefaultWordDelimiters = "!#$%&()=-~^@{}[]+;,\xEF\xBD\xA5_ .";

struct ConversionInfo {
    Conversion conversion;
    int menuTag;                   // tens digit = group, units digit = variant
    std::string_view name;         // for the command line ("--convert NAME")
    std::string_view groupCaption; // the submenu
    std::string_view caption;      // the item
};

const std::vector<ConversionInfo>& Conversions();
const ConversionInfo& InfoOf(Conversion conversion);
std::optional<Conversion> ConversionFromMenuTag(int tag);
std::optional<Conversion> ConversionFromName(std::string_view name);

// Word capitals: each word (a run of characters up to and including the next
// delimiter; a delimiter at the start is a word of its own) gets an
// upper-case first character. CapitalizeWords lower-cases the rest of every
// word, CapitalizeKeep leaves it, CapitalizeFirst capitalises the first word
// and lower-cases everything after it.
// Trimming removes control characters and spaces (bytes up to 0x20, not the
// full-width space); CollapseSpaces shrinks runs of the ASCII space to one.
std::string Convert(std::string_view text, Conversion conversion, std::string_view wordDelimiters = kDefaultWordDelimiters);

// ---------------------------------------------------- the column commands

// One Replace or Convert request of a column command.
struct TextOperation {
    std::optional<ReplaceRequest> replace;  // set: replace, else convert
    Conversion conversion = Conversion::Upper;
    std::string wordDelimiters = std::string(kDefaultWordDelimiters);

    static TextOperation Replace(ReplaceRequest request);
    static TextOperation Converting(Conversion conversion, std::string_view wordDelimiters = kDefaultWordDelimiters);
};

// Rewrites one cell; true when a conversion changed its bytes or a replace
// replaced at least one match (callers mark such rows as changed).
bool Apply(const TextOperation& operation, std::string& text);

// Rewrites the given cells of a column, returning per cell whether it changed.
// The cells are pointers so that a caller can pass one field of each of the
// selected rows of any list; null entries are skipped and report false.
std::vector<bool> ApplyToColumn(const TextOperation& operation, std::span<std::string* const> cells);

}  // namespace quilto::rename
