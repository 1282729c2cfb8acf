#include "HashUnit.h"

#include "CodePage.h"

#include <array>
#include <bit>
#include <cstring>

namespace tandrel {

namespace {

using TCrcTables = std::array<std::array<uint32_t, 256>, 8>;

// Table 0 is the reflected CRC-32 table of polynomial 0xEDB88320 (IEEE 802.3); table t
// advances a byte's contribution by t further zero bytes, so eight bytes can be folded in
// with one lookup each ("slicing by 8") and the same result as the byte-wise loop.
constexpr TCrcTables MakeCrcTables() {
    TCrcTables tables{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n)
        for (size_t t = 1; t < 8; ++t)
            tables[t][n] = (tables[t - 1][n] >> 8) ^ tables[0][tables[t - 1][n] & 0xFF];
    return tables;
}

constexpr TCrcTables CrcTables = MakeCrcTables();
static_assert(CrcTables[0][1] == 0x77073096u);

constexpr bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t';
}

uint32_t CrcByte(uint32_t crc, unsigned char c) {
    return CrcTables[0][(crc ^ c) & 0xFF] ^ (crc >> 8);
}

uint32_t CrcBytes(uint32_t crc, const unsigned char* p, size_t size) {
    for (; size >= 8; p += 8, size -= 8) {
        uint32_t low;
        uint32_t high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + 4, 4);
        if constexpr (std::endian::native == std::endian::big) {
            low = __builtin_bswap32(low);
            high = __builtin_bswap32(high);
        }
        low ^= crc;
        crc = CrcTables[7][low & 0xFF] ^ CrcTables[6][(low >> 8) & 0xFF] ^
              CrcTables[5][(low >> 16) & 0xFF] ^ CrcTables[4][low >> 24] ^
              CrcTables[3][high & 0xFF] ^ CrcTables[2][(high >> 8) & 0xFF] ^
              CrcTables[1][(high >> 16) & 0xFF] ^ CrcTables[0][high >> 24];
    }
    for (; size > 0; ++p, --size)
        crc = CrcByte(crc, *p);
    return crc;
}

} // namespace

// Blank removal and lower-casing are applied to the byte stream as it is fed to the CRC,
// so no working copy is needed. The double-byte state follows the bytes that remain after
// blank removal, which is what lowering a blank-free copy would see.
int32_t LineHash(std::string_view line, bool ignoreCase, bool ignoreBlanks) {
    if (!ignoreCase && !ignoreBlanks)
        return static_cast<int32_t>(~CrcBytes(
            0xFFFFFFFFu, reinterpret_cast<const unsigned char*>(line.data()), line.size()));
    return LineHash(line, ignoreCase, ignoreBlanks, SystemCodePage());
}

int32_t LineHash(std::string_view line, bool ignoreCase, bool ignoreBlanks, const CodePage& cp) {
    uint32_t crc = 0xFFFFFFFFu;
    bool trailByte = false;
    for (char ch : line) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (ignoreBlanks && IsBlank(c))
            continue;
        if (ignoreCase) {
            if (trailByte)
                trailByte = false;
            else if (cp.IsLeadByte(c))
                trailByte = true;
            else
                c = cp.LowerByte(c);
        }
        crc = CrcByte(crc, c);
    }
    return static_cast<int32_t>(~crc);
}

} // namespace tandrel
