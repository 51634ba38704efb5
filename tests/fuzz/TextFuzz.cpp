// The text conversions over any bytes. The first byte picks the limit for
// the cutting functions; the rest is the text.
#include <cstdlib>

#include "core/TextCodec.h"
#include "core/Utf.h"

using namespace quilto::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const TextCodec codec;
    const std::size_t limit = data[0] % 64;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    if (!IsValidUtf8(codec.decode(text))) std::abort();
    if (!IsValidUtf8(SanitizeUtf8(text))) std::abort();
    if (!IsValidUtf8(DecodeUtf16(text, Utf16Order::LittleEndian))) std::abort();
    if (!IsValidUtf8(DecodeUtf16(text, Utf16Order::BigEndian))) std::abort();
    if (codec.encode(text).bytes.size() > text.size()) std::abort();
    if (codec.encodeLimited(text, limit).bytes.size() > limit) std::abort();
    const std::string kept = codec.truncateToBytes(text, limit);
    if (text.substr(0, kept.size()) != kept || codec.encode(kept).bytes.size() > limit) std::abort();
    return 0;
}
