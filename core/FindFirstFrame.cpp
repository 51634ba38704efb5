// FindFirstFrame: container signatures behind the head tag, then the search
// for the first frame header past stacked tags.
#include <algorithm>
#include <array>
#include <cstring>

#include "core/FrameScan.h"
#include "core/Id3v2Reader.h"

namespace quilto::core {

namespace {

bool IsDigitsThenSpaces(const std::uint8_t* bytes, std::size_t n) {
    std::size_t i = 0;
    while (i < n && bytes[i] >= '0' && bytes[i] <= '9') ++i;
    if (i == 0) return false;
    while (i < n && bytes[i] == ' ') ++i;
    return i == n;
}

// The foreign index: after the digits, a text that holds "[][]", and again
// "[][]" in the text that begins two characters behind the end of the first.
bool HoldsForeignIndexMarks(std::string_view text) {
    const std::size_t first = text.find("[][]");
    if (first == std::string_view::npos) return false;
    const std::size_t rest = first + 4 + 2;
    return rest <= text.size() && text.substr(rest).find("[][]") != std::string_view::npos;
}

// Returns the detected kind and where the frame search starts.
ContainerKind DetectContainer(InputFile& file, const std::array<std::uint8_t, 4>& head, std::uint64_t& searchStart) {
    if (std::memcmp(head.data(), "Pack", 4) == 0) return ContainerKind::Pack;
    if (std::memcmp(head.data(), "PK\x03\x04", 4) == 0) return ContainerKind::Zip;
    if (head[2] == '-' && head[3] == 'l') {
        std::array<std::uint8_t, 3> method{};
        if (file.read(method.data(), 3) == 3 && std::memcmp(method.data(), "h0-", 3) == 0) {
            // The stored LZH header starts with its own size, little-endian.
            searchStart = head[0] + 256u * head[1];
            return ContainerKind::Lzh;
        }
        return ContainerKind::Plain;
    }
    std::array<std::uint8_t, 12> digits{};
    std::memcpy(digits.data(), head.data(), 4);
    if (file.read(digits.data() + 4, 8) != 8 || !IsDigitsThenSpaces(digits.data(), digits.size())) {
        return ContainerKind::Plain;
    }
    std::array<char, 30> text{};
    const std::size_t got = file.read(text.data(), text.size());
    return HoldsForeignIndexMarks({text.data(), got}) ? ContainerKind::Foreign : ContainerKind::Plain;
}

}  // namespace

ContainerKind FindFirstFrame(InputFile& file, ContainerKind kind) {
    const std::uint64_t start = file.position();
    std::array<std::uint8_t, 4> word{};
    if (file.read(word.data(), 4) < 4) {
        file.seek(start);
        return ContainerKind::NoAudio;
    }
    if (FrameHeader{ReadBe32(word.data())}.hasSync()) {
        file.seek(start);
        return kind;
    }
    std::uint64_t offset = 0;
    if (kind == ContainerKind::Plain) kind = DetectContainer(file, word, offset);

    while (offset < kFrameSearchLimit) {
        file.seek(start + offset);
        if (file.read(word.data(), 4) < 4) return ContainerKind::NoAudio;
        if (std::memcmp(word.data(), "ID3", 3) == 0) {
            // A further tag stacked behind the first: step over it whole.
            std::array<std::uint8_t, 10> header{};
            file.seek(start + offset);
            if (file.read(header.data(), header.size()) < header.size()) return ContainerKind::NoAudio;
            offset += TagLength(header);
        } else if (FrameHeader{ReadBe32(word.data())}.hasSync()) {
            file.seek(start + offset);
            return kind;
        } else {
            ++offset;
        }
    }
    return kind;
}

}  // namespace quilto::core
