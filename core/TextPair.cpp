#include "TextPair.h"

#include "HashUnit.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tandrel {

namespace {

bool IsBreak(char c) {
    return c == '\r' || c == '\n';
}

// The first CR or LF in [p, end), or end.
const char* FindBreak(const char* p, const char* end) {
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(sixteen, cr), _mm_cmpeq_epi8(sixteen, lf)));
        if (mask != 0)
            return p + std::countr_zero(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && !IsBreak(*p))
        ++p;
    return p;
}

// The offset just after the line break that ends at `stop` (a CR or LF at text[stop]).
size_t AfterBreak(std::string_view text, size_t stop) {
    return stop + (text[stop] == '\r' && stop + 1 < text.size() && text[stop + 1] == '\n' ? 2 : 1);
}

// The number of bytes both texts share from their start.
size_t CommonPrefix(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y)
            break;
    }
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// The number of bytes both texts share at their end, at most `limit`.
size_t CommonSuffix(std::string_view a, std::string_view b, size_t limit) {
    const char* pa = a.data() + a.size();
    const char* pb = b.data() + b.size();
    size_t i = 0;
    for (; i + 8 <= limit; i += 8) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, pa - i - 8, 8);
        std::memcpy(&y, pb - i - 8, 8);
        if (x != y)
            break;
    }
    while (i < limit && pa[-static_cast<ptrdiff_t>(i) - 1] == pb[-static_cast<ptrdiff_t>(i) - 1])
        ++i;
    return i;
}

// The start of the line holding offset p of a prefix both texts share: after the last line
// break in [0, p) whose end is known, that is not a CR at p - 1 (a LF may follow it in one
// text and not in the other).
size_t LineStartOfSharedPrefix(std::string_view text, size_t p) {
    for (size_t q = p; q-- > 0;)
        if (text[q] == '\n' || (text[q] == '\r' && q + 1 < p))
            return q + 1;
    return 0;
}

bool IsLineStart(std::string_view text, size_t pos) {
    if (pos == 0)
        return true;
    const char before = text[pos - 1];
    return before == '\n' || (before == '\r' && (pos == text.size() || text[pos] != '\n'));
}

// Lines in text[from, to), which starts at a line start: its line breaks, and an
// unterminated last line.
size_t CountLines(std::string_view text, size_t from, size_t to) {
    if (from >= to)
        return 0;
    size_t lines = 0;
    const char* const end = text.data() + to;
    for (const char* p = text.data() + from;
         (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))); ++p)
        ++lines;
    for (const char* p = text.data() + from;
         (p = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)))); ++p)
        if (p + 1 == text.data() + text.size() || p[1] != '\n')
            ++lines;
    if (to > from && !IsBreak(text[to - 1]))
        ++lines;
    return lines;
}

int32_t ToLineCount(size_t lines) {
    if (lines > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw std::length_error("The files are too long to compare");
    return static_cast<int32_t>(lines);
}

} // namespace

void TLineIndex::Split(std::string_view text) {
    if (text.size() >= std::numeric_limits<uint32_t>::max())
        throw std::length_error("The files are too long to compare");
    FText = text;
    FStarts.clear();
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    while (p < end) {
        FStarts.push_back(static_cast<uint32_t>(p - begin));
        const char* stop = FindBreak(p, end);
        if (stop == end) {
            p = end;
            break;
        }
        p = begin + AfterBreak(text, static_cast<size_t>(stop - begin));
    }
    FStarts.push_back(static_cast<uint32_t>(text.size()));
}

std::string_view TLineIndex::Line(size_t i) const {
    const size_t start = FStarts[i];
    size_t end = FStarts[i + 1];
    if (end > start && FText[end - 1] == '\n')
        --end;
    if (end > start && FText[end - 1] == '\r')
        --end;
    return FText.substr(start, end - start);
}

TTextPair PrepareTextPair(std::string_view text1, std::string_view text2, bool ignoreCase,
                          bool ignoreBlanks) {
    TTextPair pair;
    // The head: whole lines of the shared bytes, then line by line as the engine walks.
    size_t head1 = LineStartOfSharedPrefix(text1, CommonPrefix(text1, text2));
    size_t head2 = head1;
    size_t headLines = CountLines(text1, 0, head1);
    while (head1 < text1.size() && head2 < text2.size()) {
        const size_t stop1 = static_cast<size_t>(
            FindBreak(text1.data() + head1, text1.data() + text1.size()) - text1.data());
        const size_t stop2 = static_cast<size_t>(
            FindBreak(text2.data() + head2, text2.data() + text2.size()) - text2.data());
        const std::string_view line1 = text1.substr(head1, stop1 - head1);
        const std::string_view line2 = text2.substr(head2, stop2 - head2);
        if (line1 != line2 &&
            LineHash(line1, ignoreCase, ignoreBlanks) != LineHash(line2, ignoreCase, ignoreBlanks))
            break;
        ++headLines;
        head1 = stop1 == text1.size() ? stop1 : AfterBreak(text1, stop1);
        head2 = stop2 == text2.size() ? stop2 : AfterBreak(text2, stop2);
    }

    // The tail: whole lines of the bytes shared at the end, after the head on both sides.
    const size_t shared =
        CommonSuffix(text1, text2, std::min(text1.size() - head1, text2.size() - head2));
    size_t tail1 = text1.size() - shared;
    size_t tail2 = text2.size() - shared;
    while (tail1 < text1.size() && !(IsLineStart(text1, tail1) && IsLineStart(text2, tail2))) {
        ++tail1;
        ++tail2;
    }

    pair.Head = ToLineCount(headLines);
    pair.Tail = ToLineCount(CountLines(text1, tail1, text1.size()));
    pair.Middle1.Split(text1.substr(head1, tail1 - head1));
    pair.Middle2.Split(text2.substr(head2, tail2 - head2));
    pair.Lines1 = ToLineCount(headLines + pair.Middle1.Count() + static_cast<size_t>(pair.Tail));
    pair.Lines2 = ToLineCount(headLines + pair.Middle2.Count() + static_cast<size_t>(pair.Tail));
    auto hashAll = [&](const TLineIndex& lines, std::vector<int32_t>& hashes) {
        hashes.resize(lines.Count());
        for (size_t i = 0; i < hashes.size(); ++i)
            hashes[i] = LineHash(lines.Line(i), ignoreCase, ignoreBlanks);
    };
    hashAll(pair.Middle1, pair.Hashes1);
    hashAll(pair.Middle2, pair.Hashes2);
    return pair;
}

} // namespace tandrel
