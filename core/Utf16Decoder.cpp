#include "Utf16Decoder.h"

#include "CodePage.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tandrel {

namespace {

bool IsAsciiUnit(const unsigned char* unit) {
    return unit[1] == 0 && unit[0] < 0x80;
}

} // namespace

TUtf16Decoder::TUtf16Decoder(std::string& out, size_t units)
    : FPage(SystemCodePage()), FOut(out), FUsed(out.size()) {
    FOut.resize(FUsed + units);
}

char* TUtf16Decoder::Room(size_t count) {
    if (FUsed + count > FOut.size())
        FOut.resize(std::max(FUsed + count, 2 * FOut.size()));
    return FOut.data() + FUsed;
}

void TUtf16Decoder::Add(const unsigned char* bytes, size_t size) {
    if (size == 0)
        return;
    if (FHalfHeld) {
        const unsigned char unit[2] = {FHalf, bytes[0]};
        FHalfHeld = false;
        AddUnits(unit, 1);
        ++bytes;
        --size;
    }
    AddUnits(bytes, size / 2);
    if (size % 2 != 0) {
        FHalf = bytes[size - 1];
        FHalfHeld = true;
    }
}

void TUtf16Decoder::AddUnits(const unsigned char* bytes, size_t units) {
    size_t i = 0;
    while (i < units) {
        if (!IsAsciiUnit(bytes + 2 * i)) {
            FPending.push_back(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
            ++i;
            continue;
        }
        Flush();
        char* dst = Room(units - i);
        const size_t runStart = i;
#ifdef __SSE2__
        // Sixteen characters a step: all below 0x80 when no byte but the low ones has a bit
        // of 0xFF80 set; packing the 16-bit lanes to bytes then gives the text.
        const __m128i highBits = _mm_set1_epi16(static_cast<short>(0xFF80));
        while (i + 16 <= units) {
            const auto* at = reinterpret_cast<const __m128i*>(bytes + 2 * i);
            const __m128i low = _mm_loadu_si128(at);
            const __m128i high = _mm_loadu_si128(at + 1);
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(low, high), highBits),
                                                  _mm_setzero_si128())) != 0xFFFF)
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(low, high));
            dst += 16;
            i += 16;
        }
#endif
        while (i < units && IsAsciiUnit(bytes + 2 * i)) {
            *dst++ = static_cast<char>(bytes[2 * i]);
            ++i;
        }
        FUsed += i - runStart;
    }
}

void TUtf16Decoder::Flush() {
    if (FPending.empty())
        return;
    const std::string converted = FPage.FromUtf16(FPending.data(), FPending.size());
    std::memcpy(Room(converted.size()), converted.data(), converted.size());
    FUsed += converted.size();
    FPending.clear();
}

void TUtf16Decoder::Finish() {
    Flush();
    FHalfHeld = false;
    FOut.resize(FUsed);
}

std::string Utf16BytesToCodePage(const unsigned char* bytes, size_t units) {
    std::string out;
    TUtf16Decoder decoder(out, units);
    decoder.Add(bytes, 2 * units);
    decoder.Finish();
    return out;
}

} // namespace tandrel
