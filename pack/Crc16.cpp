#include "pack/Crc16.h"

#include <array>

namespace quilto::pack {

namespace {

using Table = std::array<std::uint16_t, 256>;

// Slicing by eight: table k gives the checksum change of a byte followed by
// k zero bytes, so eight bytes cost eight independent look-ups instead of a
// chain of eight dependent ones. LZH members are whole tracks, and the
// checksum pass otherwise takes longer than copying them.
constexpr std::array<Table, 8> MakeTables() {
    std::array<Table, 8> tables{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ 0xA001u : value >> 1;
        tables[0][i] = static_cast<std::uint16_t>(value);
    }
    for (std::size_t k = 1; k < 8; ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t previous = tables[k - 1][i];
            tables[k][i] = static_cast<std::uint16_t>((previous >> 8) ^ tables[0][previous & 0xFFu]);
        }
    }
    return tables;
}

constexpr std::array<Table, 8> kTables = MakeTables();

}  // namespace

std::uint16_t Crc16Update(std::uint16_t crc, core::ByteView data) {
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    unsigned value = crc;
    for (; n >= 8; n -= 8, p += 8) {
        const unsigned x = value ^ (p[0] | (unsigned{p[1]} << 8));
        value = kTables[7][x & 0xFFu] ^ kTables[6][x >> 8] ^ kTables[5][p[2]] ^ kTables[4][p[3]] ^
                kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
    }
    for (; n > 0; --n, ++p) value = (value >> 8) ^ kTables[0][(value ^ *p) & 0xFFu];
    return static_cast<std::uint16_t>(value);
}

}  // namespace quilto::pack
