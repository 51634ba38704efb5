#include "core/TextCodec.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <utility>

#include "core/AsciiCase.h"
#include "core/Utf.h"

namespace quilto::core {

namespace {

const iconv_t kNoHandle = reinterpret_cast<iconv_t>(-1);

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Runs one iconv conversion; on an unconvertible input sequence calls
// onInvalid(remaining input, output) which must consume at least one byte.
template <typename OnInvalid>
void Convert(iconv_t handle, std::string_view input, std::string& out, OnInvalid onInvalid) {
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    while (!input.empty()) {
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        input.remove_prefix(input.size() - inLeft);
        if (rc != static_cast<std::size_t>(-1)) break;
        if (error == E2BIG) continue;
        // EILSEQ, or EINVAL for a sequence cut short at the end.
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        input.remove_prefix(onInvalid(input, out));
    }
}

}  // namespace

struct TextCodec::Handles {
    iconv_t toUtf8 = kNoHandle;
    iconv_t fromUtf8 = kNoHandle;
    ~Handles() {
        if (toUtf8 != kNoHandle) iconv_close(toUtf8);
        if (fromUtf8 != kNoHandle) iconv_close(fromUtf8);
    }
};

TextCodec::TextCodec(std::string codePage) : codePage_(std::move(codePage)), handles_(std::make_unique<Handles>()) {
    handles_->toUtf8 = iconv_open("UTF-8", codePage_.c_str());
    handles_->fromUtf8 = iconv_open(codePage_.c_str(), "UTF-8");
    if (handles_->toUtf8 == kNoHandle || handles_->fromUtf8 == kNoHandle) {
        handles_ = std::make_unique<Handles>();
        codePage_ = std::string(kDefaultCodePage);
        handles_->toUtf8 = iconv_open("UTF-8", codePage_.c_str());
        handles_->fromUtf8 = iconv_open(codePage_.c_str(), "UTF-8");
    }
}

TextCodec::~TextCodec() = default;

std::string TextCodec::decode(std::string_view bytes) const {
    if (IsAscii(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    if (handles_->toUtf8 == kNoHandle) return SanitizeUtf8(bytes);
    Convert(handles_->toUtf8, bytes, out, [](std::string_view, std::string& o) {
        AppendUtf8(o, 0xFFFD);
        return std::size_t{1};
    });
    return out;
}

EncodedText TextCodec::encode(std::string_view utf8) const {
    EncodedText result;
    if (IsAscii(utf8)) {
        result.bytes = std::string(utf8);
        return result;
    }
    if (handles_->fromUtf8 == kNoHandle) {
        result.lossless = false;
        return result;
    }
    result.bytes.reserve(utf8.size());
    bool lost = false;
    Convert(handles_->fromUtf8, utf8, result.bytes, [&lost](std::string_view rest, std::string& o) {
        lost = true;
        o.push_back('?');
        return std::max<std::size_t>(1, Utf8SequenceLength(rest));
    });
    // Some code pages take a character to a look-alike (CP932 writes U+00A5 as
    // 0x5C, which reads back as a backslash); only a round trip proves a form exact.
    result.lossless = !lost && decode(result.bytes) == utf8;
    return result;
}

EncodedText TextCodec::encodeLimited(std::string_view utf8, std::size_t maxBytes) const {
    EncodedText whole = encode(utf8);
    if (whole.bytes.size() <= maxBytes) return whole;
    EncodedText result;
    result.lossless = whole.lossless;
    while (!utf8.empty()) {
        const std::size_t n = std::max<std::size_t>(1, Utf8SequenceLength(utf8));
        const EncodedText one = encode(utf8.substr(0, n));
        if (result.bytes.size() + one.bytes.size() > maxBytes) break;
        result.bytes += one.bytes;
        utf8.remove_prefix(n);
    }
    return result;
}

std::string TextCodec::truncateToBytes(std::string_view utf8, std::size_t maxBytes) const {
    std::size_t used = 0;
    std::size_t keep = 0;
    while (keep < utf8.size()) {
        const std::size_t n = std::max<std::size_t>(1, Utf8SequenceLength(utf8.substr(keep)));
        const std::size_t size = encode(utf8.substr(keep, n)).bytes.size();
        if (used + size > maxBytes) break;
        used += size;
        keep += n;
    }
    return std::string(utf8.substr(0, keep));
}

namespace {
// The chosen code page is shared; the codecs are not, since a codec's iconv
// descriptors keep conversion state. Each thread builds its own from the
// chosen name and builds it again when the generation says the choice changed.
struct LegacyChoice {
    std::mutex mutex;
    std::string codePage = std::string(TextCodec::kDefaultCodePage);
    std::atomic<std::uint64_t> generation{0};
};

LegacyChoice& Choice() {
    static LegacyChoice choice;
    return choice;
}

struct ThreadCodec {
    std::uint64_t generation = 0;
    std::unique_ptr<TextCodec> codec;
};
thread_local ThreadCodec threadCodec;
}  // namespace

bool IsKnownCodePage(const std::string& codePage) {
    // iconv reads an empty name as the locale's own code page, which is not a choice the user made.
    if (codePage.empty()) return false;
    bool known = true;
    for (const auto& [to, from] : {std::pair{"UTF-8", codePage.c_str()}, std::pair{codePage.c_str(), "UTF-8"}}) {
        const iconv_t handle = iconv_open(to, from);
        if (handle == kNoHandle) {
            known = false;
        } else {
            iconv_close(handle);
        }
    }
    return known;
}

std::vector<std::string> OfferedCodePages() {
    static constexpr std::string_view kCandidates[] = {
        "CP932",  "CP936",  "CP949",  "CP950",  "CP1250",     "CP1251",      "CP1252", "CP1253",
        "CP1254", "CP1255", "CP1256", "CP1257", "CP1258",     "ISO-8859-1", "ISO-8859-15", "KOI8-R"};
    std::vector<std::string> offered;
    for (const std::string_view name : kCandidates) {
        if (IsKnownCodePage(std::string(name))) offered.emplace_back(name);
    }
    return offered;
}

std::string UsableCodePage(const std::string& stored) {
    for (std::string& offered : OfferedCodePages()) {
        if (EqualIgnoringCase(offered, stored)) return std::move(offered);
    }
    return std::string(TextCodec::kDefaultCodePage);
}

const TextCodec& LegacyCodec() {
    LegacyChoice& choice = Choice();
    if (threadCodec.codec && threadCodec.generation == choice.generation.load(std::memory_order_acquire)) {
        return *threadCodec.codec;
    }
    std::string codePage;
    std::uint64_t generation = 0;
    {
        const std::lock_guard lock(choice.mutex);
        codePage = choice.codePage;
        generation = choice.generation.load(std::memory_order_relaxed);
    }
    threadCodec.codec = std::make_unique<TextCodec>(std::move(codePage));
    threadCodec.generation = generation;
    return *threadCodec.codec;
}

void SetLegacyCodePage(const std::string& codePage) {
    LegacyChoice& choice = Choice();
    const std::lock_guard lock(choice.mutex);
    if (choice.codePage == codePage) return;
    choice.codePage = codePage;
    choice.generation.fetch_add(1, std::memory_order_release);
}

}  // namespace quilto::core
