#include "HashUnit.h"

#include "CodePage.h"

#include <array>

namespace tandrel {

namespace {

// The reflected CRC-32 table of polynomial 0xEDB88320 (IEEE 802.3), built at compile time.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> CrcTable = MakeCrcTable();
static_assert(CrcTable[1] == 0x77073096u);

constexpr bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t';
}

} // namespace

// Blank removal and lower-casing are applied to the byte stream as it is fed to the CRC,
// so no working copy is needed. The double-byte state follows the bytes that remain after
// blank removal, which is what lowering a blank-free copy would see.
int32_t LineHash(std::string_view line, bool ignoreCase, bool ignoreBlanks) {
    uint32_t crc = 0xFFFFFFFFu;
    if (!ignoreCase && !ignoreBlanks) {
        for (char ch : line)
            crc = CrcTable[(crc ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (crc >> 8);
        return static_cast<int32_t>(~crc);
    }
    const CodePage& cp = SystemCodePage();
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
        crc = CrcTable[(crc ^ c) & 0xFF] ^ (crc >> 8);
    }
    return static_cast<int32_t>(~crc);
}

std::vector<int32_t> HashLines(const std::vector<std::string>& lines, bool ignoreCase,
                               bool ignoreBlanks) {
    std::vector<int32_t> hashes(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        hashes[i] = LineHash(lines[i], ignoreCase, ignoreBlanks);
    return hashes;
}

} // namespace tandrel
