#include "core/Id3v1.h"

#include <algorithm>
#include <cstring>

#include "core/NumberText.h"

namespace quilto::core {

namespace {

std::string_view TrimTrailingBelow33(std::string_view bytes) {
    while (!bytes.empty() && static_cast<unsigned char>(bytes.back()) < 33) bytes.remove_suffix(1);
    return bytes;
}

std::string_view Field(ByteView block, std::size_t offset, std::size_t width) {
    return AsChars(block.subspan(offset, width));
}

std::string TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

unsigned TrackByte(std::string_view text) {
    std::string trimmed = TrimBlanks(text);
    if (trimmed.empty()) return 0;
    // "3/12" is how ID3v2 writes a track of a total; the block holds the track.
    const auto slash = trimmed.find('/');
    const std::string number = slash == std::string::npos ? trimmed : TrimBlanks(std::string_view(trimmed).substr(0, slash));
    const std::int32_t value = ParseInt32(number);
    if (value < 0 || value > 255) throw InvalidNumber(text);
    return static_cast<unsigned>(value);
}

}  // namespace

bool ReadId3v1(ByteView block, Id3v1Record* record, const GenreTable& genres, const TextCodec& codec) {
    if (block.size() < kId3v1Size || !StartsWith(block, "TAG")) return false;
    if (!record) return true;
    record->title = codec.decode(TrimTrailingBelow33(Field(block, 3, 30)));
    record->artist = codec.decode(TrimTrailingBelow33(Field(block, 33, 30)));
    record->album = codec.decode(TrimTrailingBelow33(Field(block, 63, 30)));
    record->year = codec.decode(TrimTrailingBelow33(Field(block, 93, 4)));
    std::string_view comment = Field(block, 97, 30);
    comment = comment.substr(0, comment.find('\0'));
    record->comment = codec.decode(TrimTrailingBelow33(comment));
    // A comment that reaches into byte 125 leaves no room for a track (ID3v1.0).
    const unsigned track = block[126];
    record->track = comment.size() >= 29 || track == 0 ? std::string() : ZeroPadded(track, 2);
    record->genre = genres.id3v1Genre(block[127]);
    return true;
}

Id3v1Block BuildId3v1(const Id3v1Record& record, const GenreTable& genres, const TextCodec& codec) {
    Id3v1Block result;
    auto& bytes = result.bytes;
    std::memcpy(bytes.data(), "TAG", 3);
    auto put = [&](std::size_t offset, std::size_t width, const std::string& text) {
        const EncodedText encoded = codec.encodeLimited(text, width);
        if (!encoded.lossless || encoded.bytes.size() < codec.encode(text).bytes.size()) result.lossless = false;
        std::memcpy(bytes.data() + offset, encoded.bytes.data(), encoded.bytes.size());
    };
    put(3, kId3v1TextWidth, record.title);
    put(33, kId3v1TextWidth, record.artist);
    put(63, kId3v1TextWidth, record.album);
    put(93, kId3v1YearWidth, record.year);
    put(97, kId3v1CommentWidth, record.comment);
    bytes[126] = static_cast<std::uint8_t>(TrackByte(record.track));
    bytes[127] = static_cast<std::uint8_t>(genres.id3v1Number(record.genre));
    return result;
}

}  // namespace quilto::core
