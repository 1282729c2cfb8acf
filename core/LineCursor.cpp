#include "LineCursor.h"

#include <bit>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tandrel {

const char* FindLineEnd(const char* p, const char* end) {
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(sixteen, cr), _mm_cmpeq_epi8(sixteen, lf)),
                         _mm_cmpeq_epi8(sixteen, nul));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0)
            return p + std::countr_zero(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '\r' && *p != '\n' && *p != '\0')
        ++p;
    return p;
}

} // namespace tandrel
