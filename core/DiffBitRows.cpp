#include "DiffBitRows.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace tandrel {

namespace {

// Words of a row between two calls of the keep-going hook: about a millisecond of work.
constexpr int64_t WordsPerSlice = 1 << 20;

// Classes that get a mask of their own in one pass at most: the masks take at most this
// many rows of memory.
constexpr size_t MostOwnMasks = 16;

// The first band is this much wider than the lower bound of the distance: between two
// versions of a real class library the distance was 1.3 times the bound, and 1.9 times with
// the objects of one in another order. A band that proves too narrow costs a second pass; a
// wide one costs less than its width, as the rows drop the points out of its reach.
constexpr int64_t FirstBandNum = 2;
constexpr int64_t FirstBandDen = 1;

// The diagonals k = row - bit that a script of at most `distance` changes through an n x m
// problem can use, from either of its corners: |k| + |m - n - k| <= distance.
struct TBand {
    int64_t Low;
    int64_t High;
};

TBand BandOf(int32_t n, int32_t m, int64_t distance) {
    const int64_t delta = int64_t{m} - n;
    // The shifts round down, so Low rounds up.
    return {-((distance - delta) >> 1), (delta + distance) >> 1};
}

int32_t ZerosBelow(const std::vector<uint64_t>& row, int32_t count) {
    int32_t ones = 0;
    const auto full = static_cast<size_t>(count) / 64;
    for (size_t w = 0; w < full; ++w)
        ones += std::popcount(row[w]);
    if (const int rest = count % 64; rest > 0)
        ones += std::popcount(row[full] & ((uint64_t{1} << rest) - 1));
    return count - ones;
}

bool ZeroAt(const std::vector<uint64_t>& row, int32_t bit) {
    return ((row[static_cast<size_t>(bit) / 64] >> (bit % 64)) & 1) == 0;
}

// One word of a row with its mask `me` and the carry into it; returns the carry out.
uint64_t AddWord(uint64_t& v, uint64_t me, uint64_t carry, uint64_t& sum) {
    const uint64_t x = v;
    unsigned long long s;
    carry = static_cast<uint64_t>(__builtin_uaddll_overflow(x, x & me, &s)) |
            static_cast<uint64_t>(__builtin_uaddll_overflow(s, carry, &s));
    sum = s;
    v = s | (x & ~me);
    return carry;
}

// v = (v + (v & m)) | (v & ~m) over `words` words taken as one number, lowest word first.
// The carry from word to word is the whole cost of a row; on x86-64 it stays in the carry
// flag over four words at a time, as a compiler keeps saving and restoring it after each.
// There v & ~m is (v & m) ^ v, so that the sum can take v's register.
uint64_t AddMasked(uint64_t* v, const uint64_t* m, size_t words, uint64_t carry) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (size_t groups = words / 4; groups > 0) {
        uint64_t x0, x1, x2, x3, y0, y1, y2, y3;
        asm volatile("1:\n\t"
                     "mov (%[v]), %[x0]\n\t"
                     "mov 8(%[v]), %[x1]\n\t"
                     "mov 16(%[v]), %[x2]\n\t"
                     "mov 24(%[v]), %[x3]\n\t"
                     "mov (%[m]), %[y0]\n\t"
                     "mov 8(%[m]), %[y1]\n\t"
                     "mov 16(%[m]), %[y2]\n\t"
                     "mov 24(%[m]), %[y3]\n\t"
                     "and %[x0], %[y0]\n\t"
                     "and %[x1], %[y1]\n\t"
                     "and %[x2], %[y2]\n\t"
                     "and %[x3], %[y3]\n\t"
                     "bt $0, %[c]\n\t"
                     "adc %[y0], %[x0]\n\t"
                     "adc %[y1], %[x1]\n\t"
                     "adc %[y2], %[x2]\n\t"
                     "adc %[y3], %[x3]\n\t"
                     "setc %b[c]\n\t"
                     "xor (%[v]), %[y0]\n\t"
                     "xor 8(%[v]), %[y1]\n\t"
                     "xor 16(%[v]), %[y2]\n\t"
                     "xor 24(%[v]), %[y3]\n\t"
                     "or %[y0], %[x0]\n\t"
                     "or %[y1], %[x1]\n\t"
                     "or %[y2], %[x2]\n\t"
                     "or %[y3], %[x3]\n\t"
                     "mov %[x0], (%[v])\n\t"
                     "mov %[x1], 8(%[v])\n\t"
                     "mov %[x2], 16(%[v])\n\t"
                     "mov %[x3], 24(%[v])\n\t"
                     "add $32, %[v]\n\t"
                     "add $32, %[m]\n\t"
                     "dec %[g]\n\t"
                     "jnz 1b"
                     : [v] "+r"(v), [m] "+r"(m), [g] "+r"(groups), [c] "+r"(carry), [x0] "=&r"(x0),
                       [x1] "=&r"(x1), [x2] "=&r"(x2), [x3] "=&r"(x3), [y0] "=&r"(y0),
                       [y1] "=&r"(y1), [y2] "=&r"(y2), [y3] "=&r"(y3)
                     :
                     : "cc", "memory");
        carry &= 1;
        words %= 4;
    }
#endif
    uint64_t sum = 0;
    for (size_t w = 0; w < words; ++w)
        carry = AddWord(v[w], m[w], carry, sum);
    return carry;
}

// Where a problem's longest common subsequence crosses the middle row, and the distances of
// the two halves around that point.
struct TSplit {
    int32_t Bit = 0;  // elements of sequence 1 left of the crossing
    int32_t Rows = 0; // elements of sequence 2 above it
    int32_t Common = 0;
    int64_t LeftDistance = 0;
    int64_t RightDistance = 0;
};

// One run of the search. A row is a bit vector V over a range of sequence 1 that starts all
// ones; each element of sequence 2 in turn, with M the bits of the range's elements equal to
// it, turns V into (V + (V & M)) | (V & ~M). Afterwards the zeros among V's first t bits are
// the length of the longest common subsequence of the range's first t elements and the
// elements taken so far. Each row only updates the words between the edges of the points a
// script within the band can pass (see Scores), with the equal pairs between them: words
// left of them get no carry (a word without matches never overflows) and words right of
// them hold ones unless an earlier row reached them. Counting only some of the equal pairs
// still gives a common subsequence, and one at least as long as any script's that keeps
// within the band.
class TBitRows {
public:
    TBitRows(const std::vector<int32_t>& seq1, const std::vector<int32_t>& seq2, int32_t classes,
             int64_t mostWords, std::vector<TMatch>& matches,
             const std::function<bool(int)>& keepGoing)
        : A(seq1), B(seq2), FMatches(matches), FKeepGoing(keepGoing),
          FStart(static_cast<size_t>(classes) + 1, 0), FPositions(seq1.size()),
          FMask(seq1.size() / 64 + 1, 0), FSlotOf(static_cast<size_t>(classes), -1),
          FMostWords(mostWords) {
        // The positions of each class in sequence 1, ascending, one bucket per class.
        for (int32_t c : A)
            ++FStart[static_cast<size_t>(c) + 1];
        for (size_t c = 1; c < FStart.size(); ++c)
            FStart[c] += FStart[c - 1];
        std::vector<int32_t> next(FStart.begin(), FStart.end() - 1);
        for (size_t i = 0; i < A.size(); ++i)
            FPositions[static_cast<size_t>(next[static_cast<size_t>(A[i])]++)] =
                static_cast<int32_t>(i);
    }

    bool Run(int64_t leastDistance) {
        const auto n = static_cast<int32_t>(A.size());
        const auto m = static_cast<int32_t>(B.size());
        const int64_t first =
            std::min(int64_t{n} + m, std::max(leastDistance * FirstBandNum / FirstBandDen,
                                              int64_t{std::abs(n - m)}));
        // Two passes over the first band, then about as much again for the halves.
        FTotalWork = std::max<int64_t>(1, 2 * (std::min<int64_t>(first, n) / 64 + 1) * m);
        return Solve(0, n, 0, m, first, false);
    }

    bool OverBudget() const { return FOverBudget; }

private:
    // With exact, distance is that of the range; otherwise it is a lower bound to start from.
    bool Solve(int32_t a0, int32_t a1, int32_t b0, int32_t b1, int64_t distance, bool exact) {
        while (a0 < a1 && b0 < b1 && A[static_cast<size_t>(a0)] == B[static_cast<size_t>(b0)])
            FMatches.push_back({a0++, b0++});
        int32_t tail = 0;
        while (a0 < a1 - tail && b0 < b1 - tail &&
               A[static_cast<size_t>(a1 - 1 - tail)] == B[static_cast<size_t>(b1 - 1 - tail)])
            ++tail;
        a1 -= tail;
        b1 -= tail;
        [[maybe_unused]] const size_t before = FMatches.size();
        if (!SolveMiddle(a0, a1, b0, b1, distance, exact))
            return false;
        // A range of known distance must get exactly the matches its distance leaves.
        assert(!exact || 2 * static_cast<int64_t>(FMatches.size() - before) ==
                             int64_t{a1 - a0} + (b1 - b0) - distance);
        for (int32_t t = 0; t < tail; ++t)
            FMatches.push_back({a1 + t, b1 + t});
        return true;
    }

    // A range whose first elements and whose last ones differ.
    bool SolveMiddle(int32_t a0, int32_t a1, int32_t b0, int32_t b1, int64_t distance, bool exact) {
        const int32_t n = a1 - a0;
        const int32_t m = b1 - b0;
        if (n == 0 || m == 0 || (exact && distance == int64_t{n} + m))
            return true;
        if (m == 1 || n == 1) {
            // One element on a side: its first equal on the other side, if any.
            for (int32_t i = a0; i < a1; ++i)
                for (int32_t j = b0; j < b1; ++j)
                    if (A[static_cast<size_t>(i)] == B[static_cast<size_t>(j)]) {
                        FMatches.push_back({i, j});
                        return true;
                    }
            return true;
        }
        int64_t band = std::max(distance, int64_t{std::abs(n - m)});
        TSplit split;
        for (;;) {
            if (!Split(a0, a1, b0, b1, band, split))
                return false;
            const int64_t found = int64_t{n} + m - 2 * int64_t{split.Common};
            // A script within the band no longer than the band is the shortest of all: any
            // shorter one would lie in the band as well.
            if (found <= band)
                break;
            assert(!exact);
            band = std::min(found, 2 * band + 64);
        }
        const int32_t bit = a0 + split.Bit;
        const int32_t row = b0 + split.Rows;
        return Solve(a0, bit, b0, row, split.LeftDistance, true) &&
               Solve(bit, a1, row, b1, split.RightDistance, true);
    }

    // The longest common subsequence within the band of `distance` changes, found as the
    // best pair of the upper half's scores from the top left corner and the lower half's
    // from the bottom right one.
    bool Split(int32_t a0, int32_t a1, int32_t b0, int32_t b1, int64_t distance, TSplit& split) {
        const int32_t n = a1 - a0;
        const int32_t m = b1 - b0;
        const TBand band = BandOf(n, m, distance);
        const int32_t rows = m / 2;
        if (!Scores(a0, a1, b0, b1, rows, false, distance, FUpper) ||
            !Scores(a0, a1, b0, b1, m - rows, true, distance, FLower))
            return false;
        // The crossing of the middle row lies in the band too.
        const auto from = static_cast<int32_t>(std::max<int64_t>(0, rows - band.High));
        const auto to = static_cast<int32_t>(std::min<int64_t>(n, rows - band.Low));
        int32_t upper = ZerosBelow(FUpper, from);
        int32_t lower = ZerosBelow(FLower, n - from);
        int32_t best = -1;
        for (int32_t t = from; t <= to; ++t) {
            if (upper + lower > best) {
                best = upper + lower;
                split = {t, rows, best, int64_t{t} + rows - 2 * int64_t{upper},
                         int64_t{n - t} + (m - rows) - 2 * int64_t{lower}};
            }
            if (t < n) {
                upper += ZeroAt(FUpper, t);
                lower -= ZeroAt(FLower, n - 1 - t);
            }
        }
        return true;
    }

    // The bits of class c's elements in the row, as a mask of its own over the whole row,
    // made once per pass; null when the class has no room for one.
    const uint64_t* OwnMask(size_t c, int32_t a0, int32_t a1, bool reverse, size_t words) {
        if (FSlotOf[c] >= 0)
            return FKept.data() + static_cast<size_t>(FSlotOf[c]) * words;
        if (FKeptClasses.size() >= MostOwnMasks)
            return nullptr;
        FSlotOf[c] = static_cast<int32_t>(FKeptClasses.size());
        FKeptClasses.push_back(static_cast<int32_t>(c));
        FKept.resize(FKeptClasses.size() * words, 0);
        uint64_t* const mask = FKept.data() + static_cast<size_t>(FSlotOf[c]) * words;
        const int32_t* const bucket = FPositions.data();
        const int32_t* const end = bucket + FStart[c + 1];
        for (const int32_t* p = std::lower_bound(bucket + FStart[c], end, a0); p != end && *p < a1;
             ++p) {
            const size_t bit = Bit(*p, a0, a1, reverse);
            mask[bit / 64] |= uint64_t{1} << (bit % 64);
        }
        return mask;
    }

    static size_t Bit(int32_t position, int32_t a0, int32_t a1, bool reverse) {
        return static_cast<size_t>(reverse ? a1 - 1 - position : position - a0);
    }

    // row = V after `rows` rows of the problem A[a0 .. a1) x B[b0 .. b1) taken from its top
    // left corner, or with reverse from its bottom right one (bit t is then A[a1 - 1 - t]),
    // counting only the equal pairs at points (t, r) a script of at most `distance` changes
    // can pass: those with t + r - 2 * Z(t) changes so far (Z(t) = the zeros among V's first
    // t bits) and at least |(m - r) - (n - t)| still to come. They lie between two edges
    // that only the rows move: the lowest such point never falls back (every path to a
    // lower one crossed an earlier row left of that row's lowest) and the highest rises by at
    // most one a row, so each row tracks both with a few bit steps. Words left of the lowest
    // are final; a carry out of the highest runs on through words an earlier row touched.
    // A class with fewer elements in the band than the band has words gets them set in the
    // shared mask, which is cleared again; a more frequent one gets a mask of its own, kept
    // for the pass, so that setting and clearing never cost more than the row itself.
    bool Scores(int32_t a0, int32_t a1, int32_t b0, int32_t b1, int32_t rows, bool reverse,
                int64_t distance, std::vector<uint64_t>& row) {
        const int32_t n = a1 - a0;
        const int64_t m = b1 - b0;
        const size_t words = static_cast<size_t>(n) / 64 + 1;
        row.assign(words, ~uint64_t{0});
        uint64_t* const v = row.data();
        uint64_t* const shared = FMask.data();
        const int32_t* const bucket = FPositions.data();
        const auto within = [&](int64_t t, int64_t zeros, int64_t r) {
            return t + r - 2 * zeros + std::abs((m - r) - (n - t)) <= distance;
        };
        const auto zeroAt = [&](int32_t t) { return static_cast<int64_t>(ZeroAt(row, t)); };
        int32_t lo = 0;
        int64_t zerosLo = 0; // Z(lo)
        auto hi = static_cast<int32_t>(std::min<int64_t>(n, -BandOf(n, b1 - b0, distance).Low));
        int64_t zerosHi = 0; // Z(hi)
        size_t touched = 0;  // words up to here may hold zeros
        for (int32_t r = 0; r < rows; ++r) {
            assert(zerosLo == ZerosBelow(row, lo) && zerosHi == ZerosBelow(row, hi));
            while (hi >= lo && !within(hi, zerosHi, r))
                if (--hi >= lo)
                    zerosHi -= zeroAt(hi);
            while (lo <= hi && !within(lo, zerosLo, r)) {
                zerosLo += zeroAt(lo);
                ++lo;
            }
            if (lo > hi)
                break; // no script of that many changes passes this row
            const int32_t top = std::min(hi, n - 1); // the highest bit of the row
            // The highest point's bit is a one (a zero would make the point above it fit as
            // well, and none above the highest does), so zerosHi is Z(top + 1) too.
            assert(hi == n || !ZeroAt(row, hi));
            hi = std::min(hi + 1, n);
            if (lo > top)
                continue;
            const auto c =
                static_cast<size_t>(B[static_cast<size_t>(reverse ? b1 - 1 - r : b0 + r)]);
            const int32_t pLo = reverse ? a1 - 1 - top : a0 + lo;
            const int32_t pHi = reverse ? a1 - 1 - lo : a0 + top;
            const int32_t* const first =
                std::lower_bound(bucket + FStart[c], bucket + FStart[c + 1], pLo);
            const int32_t* const last = std::upper_bound(first, bucket + FStart[c + 1], pHi);
            if (first == last)
                continue; // no equal element in the band: the row stays as it is
            const size_t wLo = static_cast<size_t>(lo) / 64;
            const size_t wHi = static_cast<size_t>(top) / 64;
            const uint64_t* mask = nullptr;
            if (FSlotOf[c] >= 0 || static_cast<size_t>(last - first) > wHi - wLo + 1)
                mask = OwnMask(c, a0, a1, reverse, words);
            if (!mask) {
                for (const int32_t* p = first; p != last; ++p) {
                    const size_t bit = Bit(*p, a0, a1, reverse);
                    shared[bit / 64] |= uint64_t{1} << (bit % 64);
                }
                mask = shared;
            }
            zerosHi += Step(v, mask, lo, top, touched);
            if (mask == shared)
                for (const int32_t* p = first; p != last; ++p)
                    shared[Bit(*p, a0, a1, reverse) / 64] = 0;
            FWork += static_cast<int64_t>(wHi - wLo + 1);
            if (FWork >= FNextCall && !Pause())
                return false;
        }
        for (int32_t c : FKeptClasses)
            FSlotOf[static_cast<size_t>(c)] = -1;
        FKeptClasses.clear();
        FKept.clear();
        return true;
    }

    // One row over bits lo .. top, with only their bits of the mask; returns the carry out
    // of bit top, by which Z(top + 1) grows. The carry out of the top word runs on while it
    // meets words an earlier row left with zeros.
    static int64_t Step(uint64_t* v, const uint64_t* m, int32_t lo, int32_t top, size_t& touched) {
        const size_t wLo = static_cast<size_t>(lo) / 64;
        const size_t wHi = static_cast<size_t>(top) / 64;
        const uint64_t loEdge = ~uint64_t{0} << (lo % 64);
        const uint64_t hiEdge = ~uint64_t{0} >> (63 - top % 64);
        uint64_t carry = 0;
        uint64_t sum = 0;
        if (wLo < wHi) {
            carry = AddWord(v[wLo], m[wLo] & loEdge, 0, sum);
            carry = AddMasked(v + wLo + 1, m + wLo + 1, wHi - wLo - 1, carry);
        }
        const uint64_t x = v[wHi];
        const uint64_t me = m[wHi] & hiEdge & (wLo == wHi ? loEdge : ~uint64_t{0});
        carry = AddWord(v[wHi], me, carry, sum);
        const int bit = top % 64 + 1;
        const uint64_t out = bit == 64 ? carry : ((sum ^ x ^ (x & me)) >> bit) & 1;
        for (size_t w = wHi + 1; carry != 0 && w <= touched; ++w) {
            carry = v[w] == ~uint64_t{0} ? 1 : 0;
            v[w] |= v[w] + 1;
        }
        touched = std::max(touched, wHi);
        return static_cast<int64_t>(out);
    }

    // At the end of a slice of work: the budget, progress and the owner's say.
    bool Pause() {
        FNextCall = FWork + WordsPerSlice;
        if (FMostWords >= 0 && FWork > FMostWords) {
            FOverBudget = true;
            return false;
        }
        return FKeepGoing(static_cast<int>(std::min<int64_t>(99, FWork * 100 / FTotalWork)));
    }

    const std::vector<int32_t>& A;
    const std::vector<int32_t>& B;
    std::vector<TMatch>& FMatches;
    const std::function<bool(int)>& FKeepGoing;
    std::vector<int32_t> FStart;
    std::vector<int32_t> FPositions;
    std::vector<uint64_t> FUpper; // the rows of a split's two halves
    std::vector<uint64_t> FLower;
    std::vector<uint64_t> FMask; // all zero between rows
    // The masks of the pass's frequent classes, one after the other, and their slots.
    std::vector<uint64_t> FKept;
    std::vector<int32_t> FKeptClasses;
    std::vector<int32_t> FSlotOf; // per class; -1 = no mask of its own
    const int64_t FMostWords;
    bool FOverBudget = false;
    int64_t FWork = 0;
    int64_t FNextCall = WordsPerSlice;
    int64_t FTotalWork = 1;
};

} // namespace

bool LongestCommonByBitRows(const std::vector<int32_t>& seq1, const std::vector<int32_t>& seq2,
                            int32_t classes, const TBitRowsLimits& limits,
                            std::vector<TMatch>& matches,
                            const std::function<bool(int percent)>& keepGoing, bool& overBudget) {
    matches.clear();
    TBitRows rows(seq1, seq2, classes, limits.MostWords, matches, keepGoing);
    const bool found = rows.Run(limits.LeastDistance);
    overBudget = rows.OverBudget();
    return found;
}

} // namespace tandrel
