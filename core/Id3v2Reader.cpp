#include "core/Id3v2Reader.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "core/Id3v2Frame.h"
#include "core/SizeCodec.h"
#include "core/Utf.h"

namespace quilto::core {

namespace {

// Each string of a frame may or may not start with its own byte order mark
// (lame writes an empty description as a bare 00 00 before a text with one).
class StringDecoder {
public:
    StringDecoder(int encoding, const TextCodec& codec) : encoding_(encoding), codec_(codec) {}

    int terminatorWidth() const { return encoding_ == 1 || encoding_ == 2 ? 2 : 1; }

    // Length of the string at the start of data, up to its terminator.
    std::size_t stringLength(ByteView data) const {
        if (terminatorWidth() == 1) {
            const auto nul = std::find(data.begin(), data.end(), std::uint8_t{0});
            return static_cast<std::size_t>(nul - data.begin());
        }
        std::size_t i = 0;
        while (i + 1 < data.size() && (data[i] != 0 || data[i + 1] != 0)) i += 2;
        return std::min(i, data.size());
    }

    std::string decode(ByteView bytes) {
        switch (encoding_) {
            case 0: {
                std::string_view text = AsChars(bytes);
                while (!text.empty() && static_cast<unsigned char>(text.back()) < 33) text.remove_suffix(1);
                return codec_.decode(text);
            }
            case 1:
                if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
                    order_ = Utf16Order::LittleEndian;
                    bytes = bytes.subspan(2);
                } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
                    order_ = Utf16Order::BigEndian;
                    bytes = bytes.subspan(2);
                }
                return DecodeUtf16(AsChars(bytes), order_);
            case 2:
                if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) bytes = bytes.subspan(2);
                return DecodeUtf16(AsChars(bytes), Utf16Order::BigEndian);
            default:
                if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes = bytes.subspan(3);
                return SanitizeUtf8(AsChars(bytes));
        }
    }

    // Splits data into its terminated strings (the last needs no terminator).
    std::vector<ByteView> split(ByteView data) const {
        std::vector<ByteView> strings;
        while (!data.empty()) {
            const std::size_t length = stringLength(data);
            strings.push_back(data.first(length));
            data = data.subspan(std::min(data.size(), length + static_cast<std::size_t>(terminatorWidth())));
        }
        return strings;
    }

private:
    int encoding_;
    const TextCodec& codec_;
    Utf16Order order_ = Utf16Order::LittleEndian;  // for strings that come without a mark
};

std::string TrimTrailingBelow33(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 33) text.pop_back();
    return text;
}

bool IsKnownEncoding(std::uint8_t encoding) { return encoding <= 3; }

// The year of a date is its first four characters; cutting at four bytes
// could split a character of a damaged date and leave invalid UTF-8.
std::string FirstCharacters(std::string_view utf8, std::size_t count) {
    std::size_t end = 0;
    for (; count > 0 && end < utf8.size(); --count) {
        end += std::max<std::size_t>(1, Utf8SequenceLength(utf8.substr(end)));
    }
    return std::string(utf8.substr(0, end));
}

bool IsAllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "(13)" refers to genre 13, "(17)Rock" names Rock, "((13)" is the text "(13)".
// A reference without a number keeps the text as it is.
std::string ResolveGenre(std::string text, bool version4, const GenreTable& genres) {
    auto byNumber = [&genres](std::string_view digits) -> std::optional<std::string> {
        if (digits.size() > 3) return std::string();
        const auto n = static_cast<std::size_t>(std::stoi(std::string(digits)));
        if (n >= genres.id3v1Names().size()) return std::string();
        const std::string& name = genres.id3v2Names()[n];
        return name == kUserGenre ? std::string() : name;
    };
    // Version 2.4 writes a bare number instead of the parenthesised one.
    if (version4 && IsAllDigits(text)) return *byNumber(text);
    if (text.size() < 2 || text[0] != '(') return text;
    if (text[1] == '(') return text.substr(1);
    const std::size_t close = text.find(')');
    if (close == std::string::npos || !IsAllDigits(std::string_view(text).substr(1, close - 1))) return text;
    const std::string rest = text.substr(close + 1);
    if (!rest.empty()) return rest;
    return *byNumber(std::string_view(text).substr(1, close - 1));
}

std::string_view TrimmedId(std::string_view id) {
    while (!id.empty() && static_cast<unsigned char>(id.front()) < 33) id.remove_prefix(1);
    while (!id.empty() && static_cast<unsigned char>(id.back()) < 33) id.remove_suffix(1);
    return id;
}

// The frame body as its content, with frame-level transformations undone;
// nothing when the body is compressed or encrypted.
std::optional<Bytes> FrameBody(ByteView body, std::uint8_t formatFlags, const Id3v2FrameLayout& layout, bool tagUnsync) {
    std::size_t skip = 0;
    if (layout.version == 3) {
        if (formatFlags & 0xC0) return std::nullopt;  // compressed or encrypted
        if (formatFlags & 0x20) skip = 1;              // group identifier
    } else if (layout.version == 4) {
        if (formatFlags & 0x0C) return std::nullopt;  // compressed or encrypted
        if (formatFlags & 0x40) skip += 1;             // group identifier
        if (formatFlags & 0x01) skip += 4;             // data length indicator
    }
    if (skip > body.size()) return std::nullopt;
    body = body.subspan(skip);
    if (layout.version == 4 && ((formatFlags & 0x02) || tagUnsync)) return RemoveUnsynchronisation(body);
    return Bytes(body.begin(), body.end());
}

class TagWalker {
public:
    TagWalker(Id3v2Record& record, const GenreTable& genres, const TextCodec& codec, int version)
        : record_(record), genres_(genres), codec_(codec), version_(version) {}

    void frame(std::string_view id, ByteView data) {
        if (id == "GEOB") {
            // Encoding 0, MIME type "text", file name "mp3cue CueSheet".
            static constexpr std::string_view kCueMark("\0text\0mp3cue CueSheet\0", 22);
            if (StartsWith(data, kCueMark)) record_.hasCue = true;
            return;
        }
        if (data.empty() || !IsKnownEncoding(data[0])) return;
        const int field = FieldFor(id);
        if (field < 0) {
            if (id == "TDRC") dateYear_ = FirstCharacters(firstText(data), 4);
            return;
        }
        if (id == "COMM" || id == "COM") {
            comment(data);
        } else if (id == "WXXX" || id == "WXX") {
            url(data);
        } else {
            const bool genre = id == "TCON" || id == "TCO";
            // Each value of a genre list is a reference or a name of its own.
            std::string text = TrimTrailingBelow33(allText(data, genre ? &genres_ : nullptr));
            if (genre && version_ != 4) text = ResolveGenre(std::move(text), false, genres_);
            if (id == "TYER" || id == "TYE") sawYearFrame_ = true;
            record_.field(static_cast<std::size_t>(field)) = std::move(text);
        }
    }

    void finish() {
        if (!sawYearFrame_ && dateYear_) record_.year = TrimTrailingBelow33(*dateYear_);
    }

private:
    static int FieldFor(std::string_view id) {
        static constexpr std::array<std::string_view, Id3v2Record::kFieldCount> kVersion22Ids = {
            "TP1", "TT2", "TAL", "TRK", "TYE", "COM", "TCO", "TCM", "TOA", "TCR", "WXX", "TEN", "TSS",
        };
        const auto& ids = id.size() == 3 ? kVersion22Ids : kId3v2FrameIds;
        const auto found = std::find(ids.begin(), ids.end(), id);
        return found == ids.end() ? -1 : static_cast<int>(found - ids.begin());
    }

    std::string firstText(ByteView data) {
        StringDecoder decoder(data[0], codec_);
        const ByteView text = data.subspan(1);
        return decoder.decode(text.first(decoder.stringLength(text)));
    }

    // Version 2.4 separates several values by terminators; the 2.3 form of
    // that is "/". Older versions end the text at the first terminator.
    // With genres given, each value is resolved as a genre reference.
    std::string allText(ByteView data, const GenreTable* genres = nullptr) {
        if (version_ != 4) return firstText(data);
        StringDecoder decoder(data[0], codec_);
        std::string joined;
        for (const ByteView piece : decoder.split(data.subspan(1))) {
            std::string value = decoder.decode(piece);
            if (genres) value = ResolveGenre(TrimTrailingBelow33(std::move(value)), true, *genres);
            if (value.empty()) continue;
            if (!joined.empty()) joined += '/';
            joined += value;
        }
        return joined;
    }

    void comment(ByteView data) {
        if (StartsWith(data.subspan(1), "AlbumWrap")) {
            record_.albumWrap = true;
            return;
        }
        if (data.size() < 4) return;
        StringDecoder decoder(data[0], codec_);
        ByteView rest = data.subspan(4);  // encoding byte and language
        const std::size_t descriptionLength = decoder.stringLength(rest);
        // Decoded, so that an empty description written as a bare byte order
        // mark (FF FE 00 00, as most UTF-16 writers do) counts as empty; this
        // also picks up the mark's byte order for a text without one.
        const bool describedComment = !decoder.decode(data.subspan(4, descriptionLength)).empty();
        rest = rest.subspan(std::min(rest.size(), descriptionLength + static_cast<std::size_t>(decoder.terminatorWidth())));
        std::string text = TrimTrailingBelow33(decoder.decode(rest.first(decoder.stringLength(rest))));
        // Players add described comments ("iTunNORM" and the like); they must
        // not push out the comment the user wrote.
        if (describedComment && haveUndescribedComment_) return;
        if (!describedComment) haveUndescribedComment_ = true;
        record_.comment = std::move(text);
    }

    void url(ByteView data) {
        StringDecoder decoder(data[0], codec_);
        ByteView rest = data.subspan(1);
        const std::size_t descriptionLength = decoder.stringLength(rest);
        rest = rest.subspan(std::min(rest.size(), descriptionLength + static_cast<std::size_t>(decoder.terminatorWidth())));
        StringDecoder latin(0, codec_);  // the link itself is always a single-byte text
        record_.url = TrimTrailingBelow33(latin.decode(rest.first(latin.stringLength(rest))));
    }

    Id3v2Record& record_;
    const GenreTable& genres_;
    const TextCodec& codec_;
    int version_;
    bool sawYearFrame_ = false;
    bool haveUndescribedComment_ = false;
    std::optional<std::string> dateYear_;
};

}  // namespace

std::uint64_t TagLength(ByteView header) {
    if (header.size() < kId3v2HeaderSize || !StartsWith(header, "ID3")) return 0;
    return (std::uint64_t{header[6]} << 21) + (std::uint64_t{header[7]} << 14) + (std::uint64_t{header[8]} << 7) +
           header[9] + kId3v2HeaderSize;
}

bool ReadId3v2(ByteView tag, Id3v2Record& record, const GenreTable& genres, const TextCodec& codec) {
    if (TagLength(tag) == 0) return false;
    tag = tag.first(std::min<std::uint64_t>(tag.size(), TagLength(tag)));
    const std::uint8_t flags = tag[5];
    const Id3v2FrameLayout layout = Id3v2FrameLayout::ForMajorVersion(tag[3]);
    if (layout.version == 2 && (flags & 0x40)) return false;  // a compressed 2.2 tag cannot be read

    const Bytes prepared = TagWithoutUnsynchronisation(tag, layout);
    tag = prepared;
    std::size_t pos = FirstFrameOffset(tag, layout);

    TagWalker walker(record, genres, codec, layout.version);
    while (pos + layout.headerSize <= tag.size()) {
        if (tag[pos] < 33) {
            // No ID starts with such a byte, so the slide would pass it by one:
            // pass the whole run (padding, mostly) at once.
            const auto run = std::find_if(tag.begin() + static_cast<std::ptrdiff_t>(pos), tag.end(),
                                          [](std::uint8_t c) { return c >= 33; });
            pos = static_cast<std::size_t>(run - tag.begin());
            continue;
        }
        const std::string_view id = AsChars(tag.subspan(pos, layout.idSize));
        const bool idReadable = TrimmedId(id).size() == layout.idSize;
        const std::int64_t size = idReadable ? FrameSize(tag, pos, layout) : 0;
        if (size <= 0 || static_cast<std::uint64_t>(size) > tag.size() - pos - layout.headerSize) {
            ++pos;  // padding or damage: slide until frames make sense again
            continue;
        }
        const ByteView body = tag.subspan(pos + layout.headerSize, static_cast<std::size_t>(size));
        const std::uint8_t formatFlags = layout.version == 2 ? 0 : tag[pos + 9];
        if (const auto content = FrameBody(body, formatFlags, layout, (flags & kId3v2TagUnsynchronised) != 0)) {
            walker.frame(id, *content);
        }
        pos += layout.headerSize + static_cast<std::size_t>(size);
    }
    walker.finish();
    return record.hasCue;
}

}  // namespace quilto::core
