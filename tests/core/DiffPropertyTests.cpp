// Property tests of the diff engine on many random sequences: the blocks of every method turn
// sequence 1 into sequence 2 and their changed elements equal the minimum edit distance; the
// O(ND) search over all elements gives exactly the blocks of the plain transcription of the
// algorithm.

#include "DiffReference.h"
#include "DiffTestUtil.h"
#include "DiffUnit.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace tandrel {
namespace {

using test::ApplyBlocks;
using test::ChangedElements;
using test::EditDistance;
using test::RunDiff;
using test::Seq;

Seq RandomSeq(std::mt19937& rng, int maxLen, int alphabet) {
    std::uniform_int_distribution<int> len(0, maxLen);
    std::uniform_int_distribution<int32_t> sym(0, alphabet - 1);
    Seq s(static_cast<size_t>(len(rng)));
    for (int32_t& v : s)
        v = sym(rng);
    return s;
}

// Sequence 2 as an edited copy of sequence 1, so long common runs occur as in real texts.
Seq Edited(std::mt19937& rng, const Seq& a, int alphabet) {
    std::uniform_int_distribution<int> op(0, 9);
    std::uniform_int_distribution<int32_t> sym(0, alphabet - 1);
    Seq b;
    for (int32_t v : a) {
        switch (op(rng)) {
        case 0:
            break;
        case 1:
            b.push_back(sym(rng));
            break;
        case 2:
            b.push_back(sym(rng));
            b.push_back(v);
            break;
        default:
            b.push_back(v);
        }
    }
    return b;
}

bool SameBlocks(const std::vector<TDiffBlock>& x, const std::vector<TDiffBlock>& y) {
    return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](const auto& p, const auto& q) {
        return p.Kind == q.Kind && p.Pos1 == q.Pos1 && p.Pos2 == q.Pos2 && p.Count == q.Count;
    });
}

// The blocks with the passes of every step shared between two threads; one engine keeps
// its second thread from one pair to the next.
std::vector<TDiffBlock> RunDiffOnTwoThreads(const Seq& a, const Seq& b) {
    static TDiff diff;
    diff.SetParallelWidth(1);
    diff.SetMethod(dmSearchAll);
    return RunDiff(diff, a, b);
}

// The methods that may choose another of several minimum scripts.
constexpr TDiffMethod OtherMethods[] = {dmAutomatic, dmSearchCommon, dmEqualPairs, dmBitRows};

// A script of `changed` changed elements that turns a into b, in ascending blocks the builder
// has merged.
void CheckScript(const Seq& a, const Seq& b, const std::vector<TDiffBlock>& blocks,
                 int64_t changed) {
    ASSERT_FALSE(blocks.size() == 1 && blocks[0].Count == -1) << "Execute failed";
    Seq applied;
    ASSERT_TRUE(ApplyBlocks(a, b, blocks, applied));
    ASSERT_EQ(applied, b);
    ASSERT_EQ(ChangedElements(blocks), changed);
    for (size_t i = 1; i < blocks.size(); ++i) {
        // Ascending and never two touching blocks of one kind that the builder should merge.
        const TDiffBlock& p = blocks[i - 1];
        const TDiffBlock& q = blocks[i];
        ASSERT_LE(p.Pos1, q.Pos1);
        if (p.Kind == q.Kind && p.Kind == bkDelete) {
            ASSERT_NE(p.Pos1 + p.Count, q.Pos1);
        }
    }
}

void CheckSameAsReference(const Seq& a, const Seq& b) {
    const std::vector<TDiffBlock> expected = test::TReferenceDiff().Run(a, b);
    ASSERT_TRUE(SameBlocks(RunDiff(a, b, dmSearchAll), expected))
        << "lengths " << a.size() << " and " << b.size();
    ASSERT_TRUE(SameBlocks(RunDiffOnTwoThreads(a, b), expected))
        << "two threads, lengths " << a.size() << " and " << b.size();
    for (TDiffMethod method : OtherMethods) {
        SCOPED_TRACE(testing::Message() << "method " << int{method} << ", lengths " << a.size()
                                        << " and " << b.size());
        CheckScript(a, b, RunDiff(a, b, method), ChangedElements(expected));
    }
}

void CheckPair(const Seq& a, const Seq& b) {
    const std::vector<TDiffBlock> blocks = RunDiff(a, b, dmSearchAll);
    ASSERT_TRUE(SameBlocks(blocks, test::TReferenceDiff().Run(a, b)));
    ASSERT_TRUE(SameBlocks(RunDiffOnTwoThreads(a, b), blocks)) << "two threads";
    const int64_t distance = EditDistance(a, b);
    CheckScript(a, b, blocks, distance);
    for (TDiffMethod method : OtherMethods) {
        SCOPED_TRACE(testing::Message() << "method " << int{method});
        CheckScript(a, b, RunDiff(a, b, method), distance);
    }
}

TEST(DiffProperties, RandomSmallSequences) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        const int alphabet = 2 + round % 6;
        const Seq a = RandomSeq(rng, 12, alphabet);
        const Seq b = RandomSeq(rng, 12, alphabet);
        CheckPair(a, b);
        if (HasFatalFailure())
            return;
    }
}

TEST(DiffProperties, RandomEditedSequences) {
    std::mt19937 rng(777);
    for (int round = 0; round < 3000; ++round) {
        const int alphabet = 3 + round % 40;
        const Seq a = RandomSeq(rng, 120, alphabet);
        CheckPair(a, Edited(rng, a, alphabet));
        if (HasFatalFailure())
            return;
    }
}

// Every pair of sequences over two symbols up to length 6: small enough to list them all.
TEST(DiffProperties, AllBinarySequencesUpToSix) {
    std::vector<Seq> all;
    for (int len = 0; len <= 6; ++len)
        for (int bits = 0; bits < (1 << len); ++bits) {
            Seq s;
            for (int i = 0; i < len; ++i)
                s.push_back((bits >> i) & 1);
            all.push_back(s);
        }
    for (const Seq& a : all)
        for (const Seq& b : all) {
            CheckPair(a, b);
            if (HasFatalFailure())
                return;
        }
}

TEST(DiffProperties, VeryUnevenLengths) {
    std::mt19937 rng(99);
    for (int round = 0; round < 12; ++round) {
        const int alphabet = round < 6 ? 3 : 1000;
        Seq shortSeq = RandomSeq(rng, 2, alphabet);
        Seq longSeq(static_cast<size_t>(2000 + round * 150));
        std::uniform_int_distribution<int32_t> sym(0, alphabet - 1);
        for (int32_t& v : longSeq)
            v = sym(rng);
        CheckPair(shortSeq, longSeq);
        CheckPair(longSeq, shortSeq);
        if (HasFatalFailure())
            return;
    }
}

// Larger inputs of the shapes the faster paths of the engine are built for: edited texts,
// texts with nothing in common, one element against many, many repeated elements.
TEST(DiffProperties, LargerInputsMatchTheReference) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> len(0, 1500);
    for (int round = 0; round < 120; ++round) {
        const int alphabet = round % 3 == 0 ? 4 : 5000;
        Seq a = RandomSeq(rng, 1, alphabet);
        a.resize(static_cast<size_t>(len(rng)));
        for (int32_t& v : a)
            v = static_cast<int32_t>(rng() % static_cast<unsigned>(alphabet));
        Seq b;
        switch (round % 4) {
        case 0:
            b = Edited(rng, a, alphabet);
            break;
        case 1:
            for (size_t i = 0; i < a.size() / 2 + 1; ++i)
                b.push_back(alphabet + static_cast<int32_t>(rng() % 1000));
            break;
        case 2:
            b = RandomSeq(rng, 2, alphabet);
            break;
        default:
            b = Edited(rng, Edited(rng, a, alphabet), alphabet);
            std::reverse(b.begin(), b.begin() + static_cast<long>(b.size() / 3));
        }
        CheckSameAsReference(a, b);
        CheckSameAsReference(b, a);
        if (HasFatalFailure())
            return;
    }
}

// Sequences without any common element are answered from their lengths alone; every pair
// of lengths up to 70, and some large and uneven ones, against the full search.
TEST(DiffProperties, UnrelatedSequencesMatchTheReference) {
    auto run = [](int32_t n, int32_t m) {
        Seq a(static_cast<size_t>(n));
        Seq b(static_cast<size_t>(m));
        for (int32_t i = 0; i < n; ++i)
            a[static_cast<size_t>(i)] = i % 5;
        for (int32_t i = 0; i < m; ++i)
            b[static_cast<size_t>(i)] = 100 + i % 7;
        CheckSameAsReference(a, b);
    };
    for (int32_t n = 0; n <= 70; ++n)
        for (int32_t m = 0; m <= 70; ++m) {
            run(n, m);
            if (HasFatalFailure())
                return;
        }
    for (auto [n, m] : {std::pair{1, 3001}, {3000, 1}, {2, 2999}, {1200, 1201}, {1777, 555}})
        run(n, m);
}

} // namespace
} // namespace tandrel
