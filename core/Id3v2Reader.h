// Reading an ID3v2 tag (versions 2.2, 2.3 and 2.4) into an Id3v2Record.
#pragma once

#include <cstdint>

#include "core/Bytes.h"
#include "core/GenreTable.h"
#include "core/Id3v2Record.h"
#include "core/TextCodec.h"

namespace quilto::core {

inline constexpr std::size_t kId3v2HeaderSize = 10;

// Total tag length, header included, from the first 10 bytes of a file; 0
// when they do not start with "ID3". The size bytes are not masked.
std::uint64_t TagLength(ByteView header);

// Parses the whole tag (header included) into record, which the caller has
// cleared, and returns hasCue. A damaged tag is never an error: unreadable
// stretches are passed over and the fields found so far stand. Text in
// encoding 0 is read in the legacy code page.
bool ReadId3v2(ByteView tag, Id3v2Record& record, const GenreTable& genres, const TextCodec& codec = LegacyCodec());

}  // namespace quilto::core
