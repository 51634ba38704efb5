// Builds byte strings for tests field by field, so that a test reads like the
// layout it describes: one annotated call per field.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quilto::test {

class ByteBuilder {
public:
    ByteBuilder& u8(std::uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    ByteBuilder& u16be(std::uint16_t value) { return u8(std::uint8_t(value >> 8)).u8(std::uint8_t(value)); }
    ByteBuilder& u24be(std::uint32_t value) { return u8(std::uint8_t(value >> 16)).u16be(std::uint16_t(value)); }
    ByteBuilder& u32be(std::uint32_t value) { return u16be(std::uint16_t(value >> 16)).u16be(std::uint16_t(value)); }
    ByteBuilder& u16le(std::uint16_t value) { return u8(std::uint8_t(value)).u8(std::uint8_t(value >> 8)); }
    ByteBuilder& u32le(std::uint32_t value) { return u16le(std::uint16_t(value)).u16le(std::uint16_t(value >> 16)); }
    // Four 7-bit groups, most significant first.
    ByteBuilder& syncsafe32(std::uint32_t value) {
        return u8((value >> 21) & 0x7F).u8((value >> 14) & 0x7F).u8((value >> 7) & 0x7F).u8(value & 0x7F);
    }
    ByteBuilder& text(std::string_view text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    ByteBuilder& raw(std::initializer_list<std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    ByteBuilder& raw(const std::vector<std::uint8_t>& bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    ByteBuilder& fill(std::size_t count, std::uint8_t value = 0) {
        bytes_.insert(bytes_.end(), count, value);
        return *this;
    }
    // Pads with value until the builder holds exactly size bytes.
    ByteBuilder& padTo(std::size_t size, std::uint8_t value = 0) {
        if (bytes_.size() < size) fill(size - bytes_.size(), value);
        return *this;
    }

    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    operator std::vector<std::uint8_t>() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace quilto::test
