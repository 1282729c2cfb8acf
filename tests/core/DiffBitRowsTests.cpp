// The bit-parallel search on its own: whatever lower bound of the distance it starts from,
// the subsequence it gives is common to both sequences, ascending, and as long as the
// longest one. Starting from the exact distance, from half of it or from nothing makes the
// first band fit, fall short by a little or by far; every band's rows move their edges.

#include "DiffBitRows.h"
#include "DiffTestUtil.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace tandrel {
namespace {

using test::Seq;

int32_t LongestCommonLength(const Seq& a, const Seq& b) {
    const int64_t distance = test::EditDistance(a, b);
    return static_cast<int32_t>((static_cast<int64_t>(a.size() + b.size()) - distance) / 2);
}

void CheckCommon(const Seq& a, const Seq& b, const std::vector<TMatch>& matches) {
    for (size_t i = 0; i < matches.size(); ++i) {
        const TMatch& match = matches[i];
        ASSERT_GE(match.X, 0);
        ASSERT_GE(match.Y, 0);
        ASSERT_LT(static_cast<size_t>(match.X), a.size());
        ASSERT_LT(static_cast<size_t>(match.Y), b.size());
        ASSERT_EQ(a[static_cast<size_t>(match.X)], b[static_cast<size_t>(match.Y)]);
        if (i > 0) {
            ASSERT_GT(match.X, matches[i - 1].X);
            ASSERT_GT(match.Y, matches[i - 1].Y);
        }
    }
}

// Sequence 2 from sequence 1: runs of it kept, dropped, replaced or moved elsewhere.
Seq Reworked(std::mt19937& rng, const Seq& a, int32_t alphabet) {
    Seq b;
    std::vector<Seq> moved;
    for (size_t i = 0; i < a.size();) {
        const size_t run = 1 + rng() % 40;
        const size_t end = std::min(a.size(), i + run);
        switch (rng() % 8) {
        case 0:
            break;
        case 1:
            for (size_t k = i; k < end; ++k)
                b.push_back(static_cast<int32_t>(rng() % static_cast<unsigned>(alphabet)));
            break;
        case 2:
            moved.emplace_back(a.begin() + static_cast<long>(i),
                               a.begin() + static_cast<long>(end));
            break;
        default:
            b.insert(b.end(), a.begin() + static_cast<long>(i), a.begin() + static_cast<long>(end));
        }
        i = end;
    }
    for (const Seq& part : moved)
        b.insert(b.begin() + static_cast<long>(rng() % (b.size() + 1)), part.begin(), part.end());
    return b;
}

TEST(DiffBitRows, LongestFromAnyStartingBound) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 400; ++round) {
        const int32_t alphabet = std::vector<int32_t>{2, 3, 8, 40, 400}[round % 5];
        const Seq a = test::RandomSymbols(rng, rng() % 700, static_cast<unsigned>(alphabet));
        const Seq b = Reworked(rng, a, alphabet);
        const int32_t longest = LongestCommonLength(a, b);
        const int64_t distance = static_cast<int64_t>(a.size() + b.size()) - 2 * longest;
        for (const int64_t least : {int64_t{0}, distance / 2, distance}) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", lengths " << a.size()
                                            << " and " << b.size() << ", least " << least);
            std::vector<TMatch> matches;
            bool overBudget = true;
            ASSERT_TRUE(LongestCommonByBitRows(
                a, b, alphabet, {least, -1}, matches, [](int) { return true; }, overBudget));
            EXPECT_FALSE(overBudget);
            CheckCommon(a, b, matches);
            ASSERT_EQ(static_cast<int32_t>(matches.size()), longest);
        }
    }
}

// A budget far below the work gives up and says so; the owner's stop says nothing of it.
TEST(DiffBitRows, GivesUpOnItsBudgetOrWhenStopped) {
    std::mt19937 rng(8);
    const Seq a = test::RandomSymbols(rng, 40'000, 30);
    const Seq b = test::RandomSymbols(rng, 40'000, 30);
    std::vector<TMatch> matches;
    bool overBudget = false;
    EXPECT_FALSE(LongestCommonByBitRows(
        a, b, 30, {0, 1 << 20}, matches, [](int) { return true; }, overBudget));
    EXPECT_TRUE(overBudget);
    EXPECT_FALSE(LongestCommonByBitRows(
        a, b, 30, {0, -1}, matches, [](int) { return false; }, overBudget));
    EXPECT_FALSE(overBudget);
}

} // namespace
} // namespace tandrel
