// The tag readers over any bytes: the head tag as the file list reads it
// (TagLength, then that many bytes, or what there is) and the ID3v1 block.
#include <algorithm>
#include <cstdlib>

#include "core/Id3v1.h"
#include "core/Id3v2Reader.h"
#include "core/SizeCodec.h"
#include "core/Utf.h"

using namespace quilto::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const GenreTable standard;
    static const GenreTable extended(true);
    const GenreTable& genres = size % 2 ? extended : standard;
    const ByteView input(data, size);

    const std::uint64_t length = TagLength(input.first(std::min(size, kId3v2HeaderSize)));
    if (length != 0) {
        const Bytes tag(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(length, size)));
        Id3v2Record record;
        ReadId3v2(tag, record, genres);
        for (std::size_t i = 0; i < Id3v2Record::kFieldCount; ++i) {
            if (!IsValidUtf8(record.field(i))) std::abort();
        }
    }
    const Bytes block(input.end() - static_cast<std::ptrdiff_t>(std::min(size, kId3v1Size)), input.end());
    Id3v1Record v1;
    if (ReadId3v1(block, &v1, genres) && !IsValidUtf8(v1.title + v1.artist + v1.album + v1.year + v1.comment)) {
        std::abort();
    }
    DecodeSize(SizeEncoding::Syncsafe, input.first(std::min<std::size_t>(size, 4)));
    return 0;
}
