#include "pack/Crc16.h"

#include <array>

namespace quilto::pack {

namespace {

using Table = std::array<std::uint16_t, 256>;

// Slicing by sixteen: table k gives the checksum change of a byte followed by
// k zero bytes, so sixteen bytes cost sixteen independent look-ups instead of
// a chain of sixteen dependent ones. LZH members are whole tracks, and with
// eight tables the checksum still took a quarter of a pack's time.
constexpr std::size_t kSlices = 16;

constexpr std::array<Table, kSlices> MakeTables() {
    std::array<Table, kSlices> tables{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ 0xA001u : value >> 1;
        tables[0][i] = static_cast<std::uint16_t>(value);
    }
    for (std::size_t k = 1; k < kSlices; ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t previous = tables[k - 1][i];
            tables[k][i] = static_cast<std::uint16_t>((previous >> 8) ^ tables[0][previous & 0xFFu]);
        }
    }
    return tables;
}

constexpr std::array<Table, kSlices> kTables = MakeTables();

}  // namespace

std::uint16_t Crc16Update(std::uint16_t crc, core::ByteView data) {
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    unsigned value = crc;
    for (; n >= kSlices; n -= kSlices, p += kSlices) {
        const unsigned x = value ^ (p[0] | (unsigned{p[1]} << 8));
        const unsigned a = kTables[15][x & 0xFFu] ^ kTables[14][x >> 8] ^ kTables[13][p[2]] ^ kTables[12][p[3]] ^
                           kTables[11][p[4]] ^ kTables[10][p[5]] ^ kTables[9][p[6]] ^ kTables[8][p[7]];
        const unsigned b = kTables[7][p[8]] ^ kTables[6][p[9]] ^ kTables[5][p[10]] ^ kTables[4][p[11]] ^
                           kTables[3][p[12]] ^ kTables[2][p[13]] ^ kTables[1][p[14]] ^ kTables[0][p[15]];
        value = a ^ b;
    }
    for (; n > 0; --n, ++p) value = (value >> 8) ^ kTables[0][(value ^ *p) & 0xFFu];
    return static_cast<std::uint16_t>(value);
}

}  // namespace quilto::pack
