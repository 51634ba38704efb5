#include "rename/ReplaceConvert.h"

#include <algorithm>
#include <locale>
#include <stdexcept>

#include "core/Utf.h"

namespace quilto::rename {

namespace {

// A byte that is not valid UTF-8 stands for itself: it gets a code above the
// Unicode range, so it equals only the same byte and no case maps it.
constexpr char32_t kInvalidByteBase = 0x110000;

struct Char {
    char32_t code;
    std::string_view bytes;
};

char32_t DecodeUtf8(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1) return lead;
    char32_t code = lead & (0x7Fu >> sequence.size());
    for (std::size_t i = 1; i < sequence.size(); ++i) code = (code << 6) | (static_cast<unsigned char>(sequence[i]) & 0x3Fu);
    return code;
}

std::vector<Char> Split(std::string_view text) {
    std::vector<Char> chars;
    chars.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = core::Utf8SequenceLength(text);
        if (length == 0) {
            chars.push_back({kInvalidByteBase + static_cast<unsigned char>(text[0]), text.substr(0, 1)});
            text.remove_prefix(1);
        } else {
            chars.push_back({DecodeUtf8(text.substr(0, length)), text.substr(0, length)});
            text.remove_prefix(length);
        }
    }
    return chars;
}

// The case tables of the built-in UTF-8 locale: complete for Unicode and one
// character to one character. Without that locale, ASCII letters only.
const std::ctype<wchar_t>* CaseTable() {
    static const std::ctype<wchar_t>* const table = []() -> const std::ctype<wchar_t>* {
        try {
            static const std::locale locale("C.UTF-8");
            return &std::use_facet<std::ctype<wchar_t>>(locale);
        } catch (const std::runtime_error&) {
            return nullptr;
        }
    }();
    return table;
}

// A surrogate or out-of-range result would not encode back to UTF-8.
char32_t Checked(char32_t original, wchar_t mapped) {
    const auto code = static_cast<char32_t>(mapped);
    return code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ? original : code;
}

char32_t ToUpper(char32_t c) {
    if (c >= kInvalidByteBase) return c;
    if (c < 0x80 || CaseTable() == nullptr) return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
    return Checked(c, CaseTable()->toupper(static_cast<wchar_t>(c)));
}

char32_t ToLower(char32_t c) {
    if (c >= kInvalidByteBase) return c;
    if (c < 0x80 || CaseTable() == nullptr) return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
    return Checked(c, CaseTable()->tolower(static_cast<wchar_t>(c)));
}

// The character's own bytes when the mapping leaves it, so invalid bytes and
// unchanged characters come out exactly as they went in.
void AppendMapped(std::string& out, const Char& c, char32_t mapped) {
    if (mapped == c.code) {
        out.append(c.bytes);
    } else {
        core::AppendUtf8(out, mapped);
    }
}

template <typename Map>
std::string MapChars(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (const Char& c : Split(text)) AppendMapped(out, c, map(c.code));
    return out;
}

char32_t SwapCase(char32_t c) {
    const char32_t upper = ToUpper(c);
    return upper != c ? upper : ToLower(c);
}

// The match over decoded characters; returns the number of characters of
// text matched. The loop keeps the rules of the byte-wise original, only
// with characters as the unit.
std::size_t MatchChars(std::span<const Char> pattern, std::span<const Char> text, bool matchCase) {
    std::size_t p = 0;
    std::size_t pos = 0;
    bool star = false;
    const auto same = [matchCase](char32_t a, char32_t b) { return matchCase ? a == b : ToUpper(a) == ToUpper(b); };
    while (p < pattern.size()) {
        if (pos >= text.size()) return 0;
        const char32_t c = pattern[p].code;
        if (c == '*') {
            star = true;
            ++p;
        } else if (c == '?') {
            // While a "*" is pending the "?" stays at the head and eats the
            // rest of the text, so "*?" never matches.
            ++pos;
            if (!star) ++p;
        } else if (same(text[pos].code, c)) {
            star = false;
            ++p;
            ++pos;
        } else if (!star) {
            return 0;
        } else {
            ++pos;
        }
    }
    return star ? 0 : pos;
}

// A pattern ending in "*", or with a "?" right after a "*", cannot match
// anywhere; knowing that up front keeps a long cell from being scanned to
// its end from every position.
bool NeverMatches(std::span<const Char> pattern) {
    if (pattern.empty() || pattern.back().code == '*') return true;
    for (std::size_t i = 1; i < pattern.size(); ++i) {
        if (pattern[i].code == '?' && pattern[i - 1].code == '*') return true;
    }
    return false;
}

std::size_t ByteLength(std::span<const Char> chars) {
    std::size_t n = 0;
    for (const Char& c : chars) n += c.bytes.size();
    return n;
}

bool IsDelimiter(char32_t c, std::span<const Char> delimiters) {
    return std::any_of(delimiters.begin(), delimiters.end(), [c](const Char& d) { return d.code == c; });
}

// One word of chars from start: up to and including the first delimiter (a
// leading delimiter is a word of its own); the last character needs no test,
// it ends the word either way. Appends the word lower-cased unless keepRest, with
// its first character upper-cased; returns the index after the word.
std::size_t CapitalizeWord(std::span<const Char> chars, std::size_t start, bool keepRest, std::span<const Char> delimiters,
                           std::string& out) {
    std::size_t end = start + 1;
    while (end < chars.size() && !IsDelimiter(chars[end - 1].code, delimiters)) ++end;
    for (std::size_t i = start; i < end; ++i) {
        const char32_t mapped = i == start ? ToUpper(keepRest ? chars[i].code : ToLower(chars[i].code))
                                           : (keepRest ? chars[i].code : ToLower(chars[i].code));
        AppendMapped(out, chars[i], mapped);
    }
    return end;
}

std::string CapitalizeText(std::string_view text, Conversion conversion, std::string_view wordDelimiters) {
    const std::vector<Char> chars = Split(text);
    const std::vector<Char> delimiters = Split(wordDelimiters);
    std::string out;
    out.reserve(text.size());
    if (chars.empty()) return out;
    if (conversion == Conversion::CapitalizeFirst) {
        const std::size_t end = CapitalizeWord(chars, 0, false, delimiters, out);
        for (std::size_t i = end; i < chars.size(); ++i) AppendMapped(out, chars[i], ToLower(chars[i].code));
        return out;
    }
    const bool keepRest = conversion == Conversion::CapitalizeKeep;
    for (std::size_t i = 0; i < chars.size();) i = CapitalizeWord(chars, i, keepRest, delimiters, out);
    return out;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string Trim(std::string_view text, bool left, bool right) {
    if (left) {
        while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
    }
    if (right) {
        while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
    }
    return std::string(text);
}

std::string CollapseSpaces(std::string_view text) {
    // A space byte is never part of a longer UTF-8 sequence: bytes will do.
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += c;
    }
    return out;
}

const std::vector<ConversionInfo> kConversions = {
    {Conversion::Upper, 11, "upper", "UpperCase/LowerCase", "LowerCase \u21D2 UpperCase"},
    {Conversion::Lower, 12, "lower", "UpperCase/LowerCase", "UpperCase \u21D2 LowerCase"},
    {Conversion::SwapCase, 13, "swap", "UpperCase/LowerCase", "LowerCase \u21D4 UpperCase"},
    {Conversion::CapitalizeWords, 21, "capitalize", "Beginning of a Word UpperCase", "Others LowerCase"},
    {Conversion::CapitalizeKeep, 22, "capitalize-keep", "Beginning of a Word UpperCase", "Others No Convert"},
    {Conversion::CapitalizeFirst, 23, "capitalize-first", "Beginning of a Word UpperCase", "First Word Only"},
    {Conversion::TrimLeft, 31, "trim-left", "Trimming", "Left"},
    {Conversion::TrimRight, 32, "trim-right", "Trimming", "Right"},
    {Conversion::TrimBoth, 33, "trim", "Trimming", "Both"},
    {Conversion::CollapseSpaces, 34, "multi-space", "Trimming", "Multi Space"},
};

}  // namespace

std::string UpperCase(std::string_view text) { return MapChars(text, ToUpper); }

std::string LowerCase(std::string_view text) { return MapChars(text, ToLower); }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    const std::vector<Char> x = Split(a);
    const std::vector<Char> y = Split(b);
    return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                      [](const Char& l, const Char& r) { return ToUpper(l.code) == ToUpper(r.code); });
}

std::size_t MatchWildPrefix(std::string_view pattern, std::string_view text, bool matchCase) {
    const std::vector<Char> p = Split(pattern);
    const std::vector<Char> t = Split(text);
    const std::size_t matched = MatchChars(p, t, matchCase);
    return ByteLength(std::span<const Char>(t).first(matched));
}

bool ReplaceAllWild(std::string& text, std::string_view from, std::string_view to, bool matchCase) {
    const std::vector<Char> pattern = Split(from);
    if (NeverMatches(pattern)) return false;
    const std::vector<Char> chars = Split(text);
    const std::span<const Char> all(chars);
    std::string result;
    result.reserve(text.size());
    bool changed = false;
    for (std::size_t i = 0; i < chars.size();) {
        const std::size_t n = MatchChars(pattern, all.subspan(i), matchCase);
        if (n > 0) {
            changed = true;
            result.append(to);
            i += n;
        } else {
            result.append(chars[i].bytes);
            ++i;
        }
    }
    text = std::move(result);
    return changed;
}

bool ReplacePairs(std::string& text, std::string_view from, std::string_view to, bool matchCase) {
    bool changed = false;
    // "|" is ASCII and so never inside a longer UTF-8 sequence.
    while (!from.empty() && from != "|") {
        const std::size_t p = std::min(from.find('|'), from.size());
        const std::size_t q = std::min(to.find('|'), to.size());
        if (p > 0) changed |= ReplaceAllWild(text, from.substr(0, p), to.substr(0, q), matchCase);
        from.remove_prefix(std::min(p + 1, from.size()));
        to.remove_prefix(std::min(q + 1, to.size()));
    }
    return changed;
}

const std::vector<ConversionInfo>& Conversions() { return kConversions; }

const ConversionInfo& InfoOf(Conversion conversion) { return kConversions[static_cast<std::size_t>(conversion)]; }

std::optional<Conversion> ConversionFromMenuTag(int tag) {
    for (const ConversionInfo& info : kConversions) {
        if (info.menuTag == tag) return info.conversion;
    }
    return std::nullopt;
}

std::optional<Conversion> ConversionFromName(std::string_view name) {
    for (const ConversionInfo& info : kConversions) {
        if (info.name == name) return info.conversion;
    }
    return std::nullopt;
}

std::string Convert(std::string_view text, Conversion conversion, std::string_view wordDelimiters) {
    switch (conversion) {
    case Conversion::Upper: return UpperCase(text);
    case Conversion::Lower: return LowerCase(text);
    case Conversion::SwapCase: return MapChars(text, SwapCase);
    case Conversion::CapitalizeWords:
    case Conversion::CapitalizeKeep:
    case Conversion::CapitalizeFirst: return CapitalizeText(text, conversion, wordDelimiters);
    case Conversion::TrimLeft: return Trim(text, true, false);
    case Conversion::TrimRight: return Trim(text, false, true);
    case Conversion::TrimBoth: return Trim(text, true, true);
    case Conversion::CollapseSpaces: return CollapseSpaces(text);
    }
    return std::string(text);
}

TextOperation TextOperation::Replace(ReplaceRequest request) {
    TextOperation operation;
    operation.replace = std::move(request);
    return operation;
}

TextOperation TextOperation::Converting(Conversion conversion, std::string_view wordDelimiters) {
    TextOperation operation;
    operation.conversion = conversion;
    operation.wordDelimiters = std::string(wordDelimiters);
    return operation;
}

bool Apply(const TextOperation& operation, std::string& text) {
    if (operation.replace) {
        // Any replaced match counts, also one that put back the same text.
        return ReplacePairs(text, operation.replace->from, operation.replace->to, operation.replace->matchCase);
    }
    std::string result = Convert(text, operation.conversion, operation.wordDelimiters);
    const bool changed = result != text;
    text = std::move(result);
    return changed;
}

std::vector<bool> ApplyToColumn(const TextOperation& operation, std::span<std::string* const> cells) {
    std::vector<bool> changed(cells.size(), false);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] != nullptr) changed[i] = Apply(operation, *cells[i]);
    }
    return changed;
}

}  // namespace quilto::rename
