// Conversion between the program's UTF-8 text and the legacy code page of the
// byte formats (ID3v1, ID3v2 encoding 0, cue text, pack block, archive names).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quilto::core {

struct EncodedText {
    std::string bytes;
    bool lossless = true;  // false when a character had no exact form in the code page
};

// Holds open iconv descriptors, so one instance must not be used by two
// threads at once.
class TextCodec {
public:
    static constexpr std::string_view kDefaultCodePage = "CP932";

    // An unknown code page name falls back to the default.
    explicit TextCodec(std::string codePage = std::string(kDefaultCodePage));
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    const std::string& codePage() const { return codePage_; }

    // Never fails: bytes without a meaning in the code page become U+FFFD.
    std::string decode(std::string_view bytes) const;

    // Characters without an exact form become "?" and clear `lossless`.
    EncodedText encode(std::string_view utf8) const;

    // As encode, but cut to at most maxBytes without splitting a character.
    EncodedText encodeLimited(std::string_view utf8, std::size_t maxBytes) const;

    // Longest prefix of utf8 whose encoding fits in maxBytes, as UTF-8.
    std::string truncateToBytes(std::string_view utf8, std::size_t maxBytes) const;

private:
    struct Handles;
    std::string codePage_;
    std::unique_ptr<Handles> handles_;
};

// True when iconv converts between the named code page and UTF-8 both ways.
// TextCodec itself falls back silently, so callers taking a name from the
// user check it here first.
bool IsKnownCodePage(const std::string& codePage);

// The code pages offered to the user, in this order, as far as iconv here
// converts them: the East Asian double-byte pages, the Windows pages of
// Europe and the Middle East, then ISO-8859-1, ISO-8859-15 and KOI8-R.
std::vector<std::string> OfferedCodePages();
// A stored choice as it is used: its offered spelling, or the default when
// it is not offered.
std::string UsableCodePage(const std::string& stored);

// The code page chosen in the settings; used wherever a byte format is read or
// written without an explicit codec. One codec per thread, so threads may
// decode at once. A reference stays valid on its thread until that thread
// asks again after another choice.
const TextCodec& LegacyCodec();
void SetLegacyCodePage(const std::string& codePage);

}  // namespace quilto::core
