#include "core/Id3v2Writer.h"

#include <algorithm>
#include <deque>
#include <ostream>
#include <optional>
#include <string_view>
#include <vector>

#include "core/AsciiCase.h"
#include "core/GenreTable.h"
#include "core/Id3v2Frame.h"
#include "core/Id3v2Reader.h"
#include "core/SizeCodec.h"
#include "core/Utf.h"

namespace quilto::core {

namespace {

constexpr std::uint8_t kLatin = 0;     // the legacy code page
constexpr std::uint8_t kUtf16 = 1;     // UTF-16 with byte order mark
constexpr std::uint8_t kUtf16Be = 2;   // version 2.4 only
constexpr std::uint8_t kUtf8 = 3;      // version 2.4 only
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kLanguage = "eng";

// Encoding 0, MIME type "text", file name "mp3cue CueSheet": the embedded cue sheet.
constexpr std::string_view kCueMark("\0text\0mp3cue CueSheet\0", 22);
// A foreign container marks itself with a comment whose data begins so.
constexpr std::string_view kAlbumWrapMark = "AlbumWrap";

// Version 2.4 format flags whose effect on the body can be undone.
constexpr std::uint8_t kV24Unsynchronised = 0x02;
constexpr std::uint8_t kV24DataLength = 0x01;
// Version 2.3 format flags: the body is not the frame content as such.
constexpr std::uint8_t kV23Opaque = 0x80 | 0x40;  // compressed, encrypted
constexpr std::uint8_t kV23Grouped = 0x20;

std::string_view TrimBelow33(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) < 33) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 33) text.remove_suffix(1);
    return text;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A link is a single-byte text in every version. One the code page cannot
// hold is written the way links carry such characters anyway: its UTF-8
// bytes percent-encoded, which every reader takes as the same address.
std::string EncodeUrl(std::string_view url, const TextCodec& codec) {
    EncodedText legacy = codec.encode(url);
    if (legacy.lossless) return std::move(legacy.bytes);
    static constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0x0F]);
        }
    }
    return out;
}

// "(k)" only for the numbers every reader knows by the same name; renamed and
// added genres would be read as the built-in name elsewhere. A text starting
// with "(" is escaped so that it is not taken for a reference.
std::string GenreText(std::string_view genre) {
    const auto& names = BuiltInGenreNames();
    for (std::size_t k = 0; k < kStandardGenreCount; ++k) {
        if (EqualIgnoringCase(genre, names[k])) return "(" + std::to_string(k) + ")" + std::string(genre);
    }
    if (!genre.empty() && genre.front() == '(') return "(" + std::string(genre);
    return std::string(genre);
}

void AppendText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

void AppendFrame(Bytes& out, std::string_view id, ByteView body) {
    AppendText(out, id);
    const auto size = EncodeSize(SizeEncoding::Plain, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), size.begin(), size.end());
    out.push_back(0);  // status flags
    out.push_back(0);  // format flags
    out.insert(out.end(), body.begin(), body.end());
}

// The body of the frame for field index, or nothing when the field is empty.
std::optional<Bytes> EditedFrameBody(std::size_t index, std::string_view value, const TextCodec& codec, bool unicode) {
    const std::string_view text = TrimBelow33(value);
    if (text.empty()) return std::nullopt;
    const std::string_view id = kId3v2FrameIds[index];
    Bytes body;
    if (id == "WXXX") {
        body.push_back(kLatin);
        body.push_back(0);  // empty description
        AppendText(body, EncodeUrl(text, codec));
        return body;
    }
    const Id3v2Text encoded = EncodeId3v2Text(id == "TCON" ? GenreText(text) : std::string(text), codec, unicode);
    body.push_back(encoded.encoding);
    if (id == "COMM") {
        AppendText(body, kLanguage);
        if (encoded.encoding == kUtf16) body.push_back(0);  // empty description, two-byte terminator
        body.push_back(0);
    }
    AppendText(body, encoded.bytes);
    return body;
}

bool IsFrameIdChar(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool IsEditedId(std::string_view id) {
    return std::find(kId3v2FrameIds.begin(), kId3v2FrameIds.end(), id) != kId3v2FrameIds.end();
}

std::size_t TerminatorWidth(std::uint8_t encoding) { return encoding == kUtf16 || encoding == kUtf16Be ? 2 : 1; }

// Length of the string at the start of data up to its terminator (or the end).
std::size_t StringLength(ByteView data, std::uint8_t encoding) {
    if (TerminatorWidth(encoding) == 1) {
        return static_cast<std::size_t>(std::find(data.begin(), data.end(), std::uint8_t{0}) - data.begin());
    }
    std::size_t i = 0;
    while (i + 1 < data.size() && (data[i] != 0 || data[i + 1] != 0)) i += 2;
    return std::min(i, data.size());
}

// Whether a comment's description is empty as the reader decides it: a bare
// byte order mark and, in the code page, trailing blanks count as nothing.
bool HasDescription(ByteView content) {
    if (content.size() < 4) return false;
    const std::uint8_t encoding = content[0];
    ByteView description = content.subspan(4);
    description = description.first(StringLength(description, encoding));
    if (encoding == kLatin) {
        return std::any_of(description.begin(), description.end(), [](std::uint8_t c) { return c >= 33; });
    }
    if ((encoding == kUtf16 || encoding == kUtf16Be) &&
        (StartsWith(description, "\xFF\xFE") || StartsWith(description, "\xFE\xFF"))) {
        description = description.subspan(2);
    }
    if (encoding == kUtf8 && StartsWith(description, "\xEF\xBB\xBF")) description = description.subspan(3);
    return !description.empty();
}

// Re-encodes the terminated strings of data from a version 2.4 encoding
// (UTF-16BE or UTF-8) into UTF-16 with mark, keeping the terminators.
std::string RecodeStrings(ByteView data, std::uint8_t encoding) {
    const std::size_t width = TerminatorWidth(encoding);
    std::string out;
    while (!data.empty()) {
        const std::size_t length = StringLength(data, encoding);
        ByteView piece = data.first(length);
        std::string utf8;
        if (encoding == kUtf8) {
            if (StartsWith(piece, "\xEF\xBB\xBF")) piece = piece.subspan(3);
            utf8 = SanitizeUtf8(AsChars(piece));
        } else {
            if (StartsWith(piece, "\xFE\xFF")) piece = piece.subspan(2);
            utf8 = DecodeUtf16(AsChars(piece), Utf16Order::BigEndian);
        }
        out += kUtf16LeMark;
        out += EncodeUtf16Le(utf8);
        if (length + width > data.size()) break;
        out.append(2, '\0');
        data = data.subspan(length + width);
    }
    return out;
}

// Frames whose first byte is a text encoding.
bool HasEncodingByte(std::string_view id) {
    static constexpr std::array<std::string_view, 9> kIds = {"COMM", "USLT", "SYLT", "APIC", "GEOB",
                                                             "USER", "OWNE", "COMR", "IPLS"};
    return id.front() == 'T' || id == "WXXX" || std::find(kIds.begin(), kIds.end(), id) != kIds.end();
}

// A version 2.4 frame content in a form version 2.3 has: UTF-16BE and UTF-8
// become UTF-16 with mark where the layout is known; nothing otherwise.
std::optional<Bytes> ToVersion23(std::string_view id, ByteView content) {
    if (content.empty() || !HasEncodingByte(id) || (content[0] != kUtf16Be && content[0] != kUtf8)) {
        return Bytes(content.begin(), content.end());
    }
    const std::uint8_t encoding = content[0];
    Bytes out{kUtf16};
    if (id.front() == 'T') {
        AppendText(out, RecodeStrings(content.subspan(1), encoding));
    } else if (id == "COMM" || id == "USLT") {
        if (content.size() < 4) return std::nullopt;
        out.insert(out.end(), content.begin() + 1, content.begin() + 4);  // language
        AppendText(out, RecodeStrings(content.subspan(4), encoding));
    } else if (id == "APIC") {
        // MIME type (always single-byte), picture type, description, picture.
        const ByteView rest = content.subspan(1);
        const std::size_t mimeLength = StringLength(rest, kLatin);
        if (mimeLength + 2 > rest.size()) return std::nullopt;
        out.insert(out.end(), rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(mimeLength + 2));
        const ByteView described = rest.subspan(mimeLength + 2);
        const std::size_t descriptionLength = StringLength(described, encoding);
        const std::size_t width = TerminatorWidth(encoding);
        if (descriptionLength + width > described.size()) return std::nullopt;
        AppendText(out, RecodeStrings(described.first(descriptionLength), encoding));
        out.push_back(0);
        out.push_back(0);
        const ByteView picture = described.subspan(descriptionLength + width);
        out.insert(out.end(), picture.begin(), picture.end());
    } else {
        return std::nullopt;
    }
    return out;
}

struct CarriedFrame {
    std::string_view id;
    std::optional<ByteView> header;  // copied as it stands (version 2.3), else written fresh
    ByteView body;
};

class OldTagCarrier {
public:
    OldTagCarrier(ByteView oldTag, bool supportTagOnly) : supportTagOnly_(supportTagOnly) {
        const std::uint64_t length = TagLength(oldTag);
        if (length == 0) return;
        const ByteView tag = oldTag.first(std::min<std::uint64_t>(oldTag.size(), length));
        // Version 2.2 frames have other IDs and layouts, and unknown versions
        // unknown ones: nothing of them can be carried safely.
        const int major = tag[3];
        if (major != 3 && major != 4) return;
        const Id3v2FrameLayout layout = Id3v2FrameLayout::ForMajorVersion(major);
        // The copy only when unsynchronisation has to be undone: old tags may be large.
        ByteView prepared = tag;
        if (major == 3 && (tag[5] & kId3v2TagUnsynchronised)) {
            tag_ = TagWithoutUnsynchronisation(tag, layout);
            prepared = tag_;
        }
        const bool tagUnsync = major == 4 && (tag[5] & kId3v2TagUnsynchronised);
        std::size_t pos = FirstFrameOffset(prepared, layout);
        while (pos + layout.headerSize <= prepared.size()) {
            // Only a plausible header is taken for a frame; everything else is
            // passed byte by byte, so a frame is never lost to a misreading.
            const ByteView idBytes = prepared.subspan(pos, 4);
            const std::int64_t size = std::all_of(idBytes.begin(), idBytes.end(), IsFrameIdChar) ? FrameSize(prepared, pos, layout) : 0;
            if (size < 1 || static_cast<std::uint64_t>(size) > prepared.size() - pos - layout.headerSize) {
                ++pos;
                continue;
            }
            const std::string_view id = AsChars(idBytes);
            const ByteView header = prepared.subspan(pos, layout.headerSize);
            const ByteView body = prepared.subspan(pos + layout.headerSize, static_cast<std::size_t>(size));
            if (major == 3) {
                consider23(id, header, body);
            } else {
                consider24(id, header[9], body, tagUnsync);
            }
            pos += layout.headerSize + static_cast<std::size_t>(size);
        }
    }

    const std::vector<CarriedFrame>& frames() const { return frames_; }

    // Whether a comment with a description (which the reader shows when there
    // is no plain one) goes along.
    bool carriesDescribedComment() const { return carriesDescribedComment_; }

private:
    enum class Fate { Carry, Drop };

    // The comment of the row is the comment without description, in whatever
    // language: the new one (or none) replaces every such old comment. Left
    // in place, the reader would show the old text in place of the new.
    // Described comments (players' "iTunNORM" and the like) are carried.
    Fate fateOf(std::string_view id, std::optional<ByteView> content) {
        if (content && IsOwnFrame(id, *content)) return Fate::Carry;
        if (supportTagOnly_) return Fate::Drop;
        if (id == "TDRC") return Fate::Drop;  // the year is edited: TYER replaces it
        if (id == "COMM") return content && !HasDescription(*content) ? Fate::Drop : Fate::Carry;
        return IsEditedId(id) ? Fate::Drop : Fate::Carry;
    }

    // The program's own marks survive whatever the setting.
    static bool IsOwnFrame(std::string_view id, ByteView content) {
        if (id == "GEOB") return StartsWith(content, kCueMark);
        return id == "COMM" && !content.empty() && StartsWith(content.subspan(1), kAlbumWrapMark);
    }

    void consider23(std::string_view id, ByteView header, ByteView body) {
        const std::uint8_t formatFlags = header[9];
        std::optional<ByteView> content;
        if (!(formatFlags & kV23Opaque)) content = (formatFlags & kV23Grouped) ? body.subspan(std::min<std::size_t>(1, body.size())) : body;
        if (fateOf(id, content) == Fate::Carry) carry({id, header, body});
    }

    void consider24(std::string_view id, std::uint8_t formatFlags, ByteView body, bool tagUnsync) {
        // Grouped, compressed or encrypted frames cannot be turned into 2.3 ones.
        if (formatFlags & ~(kV24Unsynchronised | kV24DataLength)) return;
        ByteView content = body;
        if (formatFlags & kV24DataLength) {
            if (content.size() < 4) return;
            content = content.subspan(4);
        }
        if ((formatFlags & kV24Unsynchronised) || tagUnsync) content = storage_.emplace_back(RemoveUnsynchronisation(content));
        if (fateOf(id, content) == Fate::Drop) return;
        if (IsOwnFrame(id, content)) {
            carry({id, std::nullopt, content});
            return;
        }
        if (auto converted = ToVersion23(id, content)) carry({id, std::nullopt, storage_.emplace_back(std::move(*converted))});
    }

    void carry(const CarriedFrame& frame) {
        if (frame.id == "COMM" && !IsOwnFrame(frame.id, frame.body)) carriesDescribedComment_ = true;
        frames_.push_back(frame);
    }

    bool supportTagOnly_;
    Bytes tag_;  // the old tag with unsynchronisation undone, when it had that
    std::deque<Bytes> storage_;  // bodies that differ from the old bytes; a deque keeps views valid
    std::vector<CarriedFrame> frames_;
    bool carriesDescribedComment_ = false;
};

}  // namespace

Id3v2Text EncodeId3v2Text(std::string_view text, const TextCodec& codec, bool unicode) {
    if (unicode && !IsAscii(text)) return {kUtf16, std::string(kUtf16LeMark) + EncodeUtf16Le(text)};
    EncodedText legacy = codec.encode(text);
    if (legacy.lossless) return {kLatin, std::move(legacy.bytes)};
    return {kUtf16, std::string(kUtf16LeMark) + EncodeUtf16Le(text)};
}

Id3v2BuildResult BuildId3v2(const Id3v2Record& fields, ByteView oldTag, const Id3v2WriteOptions& options) {
    const TextCodec& codec = options.codec ? *options.codec : LegacyCodec();
    const OldTagCarrier carrier(oldTag, options.supportTagOnly);

    std::vector<std::pair<std::string_view, Bytes>> edited;
    for (std::size_t i = 0; i < Id3v2Record::kFieldCount; ++i) {
        std::optional<Bytes> body = EditedFrameBody(i, fields.field(i), codec, options.unicodeText);
        // A cleared comment beside a carried described one is written empty:
        // otherwise the described text would show as the comment.
        if (!body && kId3v2FrameIds[i] == "COMM" && carrier.carriesDescribedComment()) {
            body = Bytes{kLatin};
            AppendText(*body, kLanguage);
            body->push_back(0);
        }
        if (body) edited.emplace_back(kId3v2FrameIds[i], std::move(*body));
    }

    std::uint64_t total = 0;
    for (const auto& [id, body] : edited) total += kId3v2HeaderSize + body.size();
    for (const CarriedFrame& frame : carrier.frames()) total += kId3v2HeaderSize + frame.body.size();
    if (total >= kId3v2SizeLimit) {
        return {{}, "The ID3v2 tag would hold " + std::to_string(total) + " bytes of frames; at most " +
                        std::to_string(kId3v2SizeLimit - 1) + " can be stored."};
    }

    Id3v2BuildResult result;
    Bytes& out = result.tag;
    out.reserve(kId3v2HeaderSize + static_cast<std::size_t>(total));
    AppendText(out, "ID3");
    out.push_back(3);  // version 2.3.0
    out.push_back(0);
    out.push_back(0);  // no unsynchronisation, extended header or footer
    const auto size = EncodeSize(SizeEncoding::Syncsafe, static_cast<std::uint32_t>(total));
    out.insert(out.end(), size.begin(), size.end());
    for (const auto& [id, body] : edited) AppendFrame(out, id, body);
    for (const CarriedFrame& frame : carrier.frames()) {
        if (frame.header) {
            out.insert(out.end(), frame.header->begin(), frame.header->end());
            out.insert(out.end(), frame.body.begin(), frame.body.end());
        } else {
            AppendFrame(out, frame.id, frame.body);
        }
    }
    return result;
}

std::string WriteId3v2(std::ostream& out, const Id3v2Record& fields, ByteView oldTag, const Id3v2WriteOptions& options) {
    const Id3v2BuildResult built = BuildId3v2(fields, oldTag, options);
    if (!built.ok()) return built.error;
    out.write(reinterpret_cast<const char*>(built.tag.data()), static_cast<std::streamsize>(built.tag.size()));
    if (!out) return "The ID3v2 tag could not be written.";
    return {};
}

}  // namespace quilto::core
