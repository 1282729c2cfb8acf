#include "DiffBitRows.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tandrel {

namespace {

// Words of a row between two calls of the keep-going hook: about a millisecond of work.
constexpr int64_t WordsPerSlice = 1 << 20;

// One run of the search. A row is a bit vector V over a range of sequence 1 that starts all
// ones; each element of sequence 2 in turn, with M the bits of the range's elements equal to
// it, turns V into (V + (V & M)) | (V & ~M). Afterwards the zeros among V's first t bits are
// the length of the longest common subsequence of the range's first t elements and the
// elements taken so far.
class TBitRows {
public:
    TBitRows(const std::vector<int32_t>& seq1, const std::vector<int32_t>& seq2, int32_t classes,
             std::vector<TMatch>& matches, const std::function<bool(int)>& keepGoing)
        : A(seq1), B(seq2), FMatches(matches), FKeepGoing(keepGoing),
          FStart(static_cast<size_t>(classes) + 1, 0), FPositions(seq1.size()),
          FSlotOf(static_cast<size_t>(classes), -1) {
        // The positions of each class in sequence 1, ascending, one bucket per class.
        for (int32_t c : A)
            ++FStart[static_cast<size_t>(c) + 1];
        for (size_t c = 1; c < FStart.size(); ++c)
            FStart[c] += FStart[c - 1];
        std::vector<int32_t> next(FStart.begin(), FStart.end() - 1);
        for (size_t i = 0; i < A.size(); ++i)
            FPositions[static_cast<size_t>(next[static_cast<size_t>(A[i])]++)] =
                static_cast<int32_t>(i);
        // Every level of the halving looks at every row once, over at most the whole width.
        FTotalWork = std::max<int64_t>(1, 2 * (static_cast<int64_t>(A.size()) / 64 + 1) *
                                              static_cast<int64_t>(B.size()));
    }

    bool Solve(int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
        while (a0 < a1 && b0 < b1 && A[static_cast<size_t>(a0)] == B[static_cast<size_t>(b0)])
            FMatches.push_back({a0++, b0++});
        int32_t tail = 0;
        while (a0 < a1 - tail && b0 < b1 - tail &&
               A[static_cast<size_t>(a1 - 1 - tail)] == B[static_cast<size_t>(b1 - 1 - tail)])
            ++tail;
        a1 -= tail;
        b1 -= tail;
        if (!SolveMiddle(a0, a1, b0, b1))
            return false;
        for (int32_t t = 0; t < tail; ++t)
            FMatches.push_back({a1 + t, b1 + t});
        return true;
    }

private:
    // A range whose first elements and whose last ones differ.
    bool SolveMiddle(int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
        if (a0 == a1 || b0 == b1)
            return true;
        if (b1 - b0 == 1 || a1 - a0 == 1) {
            // One element on a side: its first equal on the other side, if any.
            for (int32_t i = a0; i < a1; ++i)
                for (int32_t j = b0; j < b1; ++j)
                    if (A[static_cast<size_t>(i)] == B[static_cast<size_t>(j)]) {
                        FMatches.push_back({i, j});
                        return true;
                    }
            return true;
        }
        const int32_t mid = b0 + (b1 - b0) / 2;
        const int32_t n = a1 - a0;
        std::vector<int32_t> forward;
        std::vector<int32_t> backward;
        if (!Scores(a0, a1, b0, mid, false, forward) || !Scores(a0, a1, mid, b1, true, backward))
            return false;
        // The split of sequence 1 where the halves' subsequences together are longest.
        int32_t split = 0;
        int32_t best = -1;
        for (int32_t t = 0; t <= n; ++t)
            if (const int32_t both =
                    forward[static_cast<size_t>(t)] + backward[static_cast<size_t>(n - t)];
                both > best) {
                best = both;
                split = t;
            }
        forward = {};
        backward = {};
        return Solve(a0, a0 + split, b0, mid) && Solve(a0 + split, a1, mid, b1);
    }

    static size_t Bit(int32_t position, int32_t a0, int32_t a1, bool reverse) {
        return static_cast<size_t>(reverse ? a1 - 1 - position : position - a0);
    }

    // The bits of class c's elements first .. last in the row. A class with fewer elements
    // than the row has words gets them set in the shared mask, which the caller clears
    // again; a more frequent one (at most 64 of them) gets a mask of its own, kept until the
    // row is done, so that setting and clearing never cost more than the row itself.
    const uint64_t* Mask(size_t c, const int32_t* first, const int32_t* last, int32_t a0,
                         int32_t a1, bool reverse, size_t words) {
        uint64_t* mask = FMask.data();
        if (static_cast<size_t>(last - first) > words) {
            if (FSlotOf[c] >= 0)
                return FKept.data() + static_cast<size_t>(FSlotOf[c]) * words;
            FSlotOf[c] = static_cast<int32_t>(FKeptClasses.size());
            FKeptClasses.push_back(static_cast<int32_t>(c));
            FKept.resize(FKeptClasses.size() * words, 0);
            mask = FKept.data() + static_cast<size_t>(FSlotOf[c]) * words;
        }
        for (const int32_t* p = first; p != last; ++p) {
            const size_t bit = Bit(*p, a0, a1, reverse);
            mask[bit / 64] |= uint64_t{1} << (bit % 64);
        }
        return mask;
    }

    // score[t] for t = 0 .. a1 - a0: the longest common subsequence of B[b0 .. b1) and the
    // first t elements of A[a0 .. a1), or with reverse, of its last t elements.
    bool Scores(int32_t a0, int32_t a1, int32_t b0, int32_t b1, bool reverse,
                std::vector<int32_t>& score) {
        const auto n = static_cast<size_t>(a1 - a0);
        const size_t words = n / 64 + 1;
        FRow.assign(words, ~uint64_t{0});
        FMask.assign(words, 0);
        uint64_t* const v = FRow.data();
        uint64_t* const mask = FMask.data();
        FKept.clear();
        for (int32_t r = 0; r < b1 - b0; ++r) {
            const auto c =
                static_cast<size_t>(B[static_cast<size_t>(reverse ? b1 - 1 - r : b0 + r)]);
            const int32_t* const bucket = FPositions.data();
            const int32_t* const first =
                std::lower_bound(bucket + FStart[c], bucket + FStart[c + 1], a0);
            const int32_t* const last = std::lower_bound(first, bucket + FStart[c + 1], a1);
            if (first == last)
                continue; // no equal element: the row stays as it is
            const uint64_t* const m = Mask(c, first, last, a0, a1, reverse, words);
            unsigned char carry = 0;
            for (size_t w = 0; w < words; ++w) {
                const uint64_t x = v[w];
                unsigned long long sum;
                carry = static_cast<unsigned char>(__builtin_uaddll_overflow(x, x & m[w], &sum) |
                                                   __builtin_uaddll_overflow(sum, carry, &sum));
                v[w] = sum | (x & ~m[w]);
            }
            if (m == mask)
                for (const int32_t* p = first; p != last; ++p)
                    mask[Bit(*p, a0, a1, reverse) / 64] = 0;
            FWork += static_cast<int64_t>(words);
            if (FWork >= FNextCall) {
                FNextCall = FWork + WordsPerSlice;
                if (!FKeepGoing(static_cast<int>(std::min<int64_t>(99, FWork * 100 / FTotalWork))))
                    return false;
            }
        }
        for (int32_t c : FKeptClasses)
            FSlotOf[static_cast<size_t>(c)] = -1;
        FKeptClasses.clear();
        score.resize(n + 1);
        score[0] = 0;
        for (size_t t = 0; t < n; ++t)
            score[t + 1] = score[t] + static_cast<int32_t>(((v[t / 64] >> (t % 64)) & 1) == 0);
        return true;
    }

    const std::vector<int32_t>& A;
    const std::vector<int32_t>& B;
    std::vector<TMatch>& FMatches;
    const std::function<bool(int)>& FKeepGoing;
    std::vector<int32_t> FStart;
    std::vector<int32_t> FPositions;
    std::vector<uint64_t> FRow;
    std::vector<uint64_t> FMask;
    // The masks of the row's frequent classes, one after the other, and their slots.
    std::vector<uint64_t> FKept;
    std::vector<int32_t> FKeptClasses;
    std::vector<int32_t> FSlotOf; // per class; -1 = no mask of its own
    int64_t FWork = 0;
    int64_t FNextCall = WordsPerSlice;
    int64_t FTotalWork = 1;
};

} // namespace

bool LongestCommonByBitRows(const std::vector<int32_t>& seq1, const std::vector<int32_t>& seq2,
                            int32_t classes, std::vector<TMatch>& matches,
                            const std::function<bool(int percent)>& keepGoing) {
    matches.clear();
    TBitRows rows(seq1, seq2, classes, matches, keepGoing);
    return rows.Solve(0, static_cast<int32_t>(seq1.size()), 0, static_cast<int32_t>(seq2.size()));
}

} // namespace tandrel
