// The hand-checked cases of the diff engine: exact blocks for small sequences, failure
// paths, cancel and progress through the hooks.

#include "DiffTestUtil.h"
#include "DiffUnit.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>
#include <thread>

namespace tandrel {

namespace {

using test::Letters;
using test::RunDiff;
using test::Seq;
using Blocks = std::vector<TDiffBlock>;

TEST(DiffEngine, EqualSequencesGiveNoBlocks) {
    EXPECT_EQ(RunDiff(Seq{}, Seq{}), Blocks{});
    EXPECT_EQ(RunDiff(Letters("pqr"), Letters("pqr")), Blocks{});
}

TEST(DiffEngine, WholeSequenceAddedOrDeleted) {
    EXPECT_EQ(RunDiff(Seq{}, Letters("pq")), (Blocks{{bkAdd, 0, 0, 2}}));
    EXPECT_EQ(RunDiff(Letters("pq"), Seq{}), (Blocks{{bkDelete, 0, 0, 2}}));
}

TEST(DiffEngine, SingleInsertionAndDeletion) {
    EXPECT_EQ(RunDiff(Letters("pqr"), Letters("pqxr")), (Blocks{{bkAdd, 2, 2, 1}}));
    EXPECT_EQ(RunDiff(Letters("pqr"), Letters("pr")), (Blocks{{bkDelete, 1, 0, 1}}));
}

TEST(DiffEngine, ReplacedLinesBecomeModifications) {
    EXPECT_EQ(RunDiff(Letters("pqrs"), Letters("pxys")), (Blocks{{bkModify, 1, 1, 2}}));
    EXPECT_EQ(RunDiff(Letters("pqrstu"), Letters("pzrsxu")),
              (Blocks{{bkModify, 1, 1, 1}, {bkModify, 4, 4, 1}}));
}

TEST(DiffEngine, SwappedPairIsAnAddAndADelete) {
    EXPECT_EQ(RunDiff(Letters("pq"), Letters("qp")),
              (Blocks{{bkAdd, 0, 0, 1}, {bkDelete, 1, 0, 1}}));
}

TEST(DiffEngine, SeparateDeletionsStaySeparate) {
    EXPECT_EQ(RunDiff(Letters("pxqyr"), Letters("pqr")),
              (Blocks{{bkDelete, 1, 0, 1}, {bkDelete, 3, 0, 1}}));
}

TEST(DiffEngine, InterleavedAddsAndDeletes) {
    EXPECT_EQ(RunDiff(Letters("pqrpq"), Letters("rqpqpr")),
              (Blocks{{bkAdd, 0, 0, 2}, {bkAdd, 2, 4, 1}, {bkDelete, 3, 0, 2}}));
}

TEST(DiffEngine, MoreLinesReplacedThanRemovedGivesModifyThenAdd) {
    EXPECT_EQ(RunDiff(Letters("aXYb"), Letters("aPQRb")),
              (Blocks{{bkModify, 1, 1, 2}, {bkAdd, 3, 3, 1}}));
    EXPECT_EQ(RunDiff(Letters("aXYZb"), Letters("aPQb")),
              (Blocks{{bkModify, 1, 1, 2}, {bkDelete, 3, 0, 1}}));
}

TEST(DiffEngine, AbsentSequenceFails) {
    TDiff diff;
    const Seq b = Letters("pq");
    EXPECT_FALSE(diff.Execute(nullptr, b.data(), 2, 2));
    EXPECT_EQ(diff.Count(), 0);
    EXPECT_FALSE(diff.Execute(b.data(), b.data(), -1, 2));
    EXPECT_TRUE(diff.Execute(nullptr, b.data(), 0, 2));
    EXPECT_EQ(diff.Count(), 1);
}

TEST(DiffEngine, BlocksStayUntilTheNextRunAndClear) {
    TDiff diff;
    EXPECT_EQ(RunDiff(diff, Letters("pq"), Letters("qp")).size(), 2u);
    TDiffBlock block;
    diff.GetBlock(1, block);
    EXPECT_EQ(block.Kind, bkDelete);
    EXPECT_THROW(diff.GetBlock(2, block), std::out_of_range);
    EXPECT_THROW(diff.GetBlock(-1, block), std::out_of_range);
    EXPECT_EQ(RunDiff(diff, Letters("pq"), Letters("pq")), Blocks{});
    RunDiff(diff, Letters("pq"), Letters("qp"));
    diff.Clear();
    EXPECT_EQ(diff.Count(), 0);
}

// Random sequences over a few symbols need many D steps, one hook call each.
Seq FewSymbols(int32_t count, unsigned seed) {
    std::mt19937 rng(seed);
    return test::RandomSymbols(rng, static_cast<size_t>(count), 4);
}

TEST(DiffEngine, CancelFromTheHookFailsWithNoBlocks) {
    TDiff diff;
    int calls = 0;
    diff.OnProcessEvents = [&] {
        if (++calls == 50)
            diff.Cancel();
    };
    const Seq a = FewSymbols(3000, 1);
    const Seq b = FewSymbols(3000, 2);
    EXPECT_FALSE(diff.Execute(a.data(), b.data(), 3000, 3000));
    EXPECT_EQ(calls, 50);
    EXPECT_EQ(diff.Count(), 0);

    // The flag belongs to one run only.
    diff.OnProcessEvents = nullptr;
    EXPECT_TRUE(diff.Execute(a.data(), b.data(), 3000, 3000));
    EXPECT_GT(diff.Count(), 0);
}

TEST(DiffEngine, RunStartedFromTheHookIsRefusedAndLeavesTheRunningSearchIntact) {
    const Seq a = FewSymbols(3000, 1);
    const Seq b = FewSymbols(3000, 2);
    TDiff plain;
    ASSERT_TRUE(plain.Execute(a.data(), b.data(), 3000, 3000));

    TDiff diff;
    const Seq inner1{1, 2, 3};
    const Seq inner2{4};
    int refused = 0;
    std::string message;
    diff.OnProcessEvents = [&] {
        EXPECT_TRUE(diff.Running());
        try {
            diff.Execute(inner1.data(), inner2.data(), 3, 1);
        } catch (const std::runtime_error& e) {
            ++refused;
            message = e.what();
        }
        EXPECT_THROW(diff.Clear(), std::runtime_error);
    };
    ASSERT_TRUE(diff.Execute(a.data(), b.data(), 3000, 3000));
    EXPECT_GT(refused, 0);
    EXPECT_EQ(message, "A comparison is running; wait until it ends");
    EXPECT_EQ(diff.Blocks(), plain.Blocks());
    EXPECT_FALSE(diff.Running());

    // A run that ends with an exception from the hook leaves the engine usable.
    diff.OnProcessEvents = [] { throw std::logic_error("hook"); };
    EXPECT_THROW(diff.Execute(a.data(), b.data(), 3000, 3000), std::logic_error);
    EXPECT_FALSE(diff.Running());
    diff.OnProcessEvents = nullptr;
    EXPECT_TRUE(diff.Execute(inner1.data(), inner2.data(), 3, 1));
}

TEST(DiffEngine, CancelInADeepLevelOfTheRecursion) {
    TDiff diff;
    Seq a;
    Seq b;
    for (int32_t i = 0; i < 400; ++i) {
        a.push_back(i);
        b.push_back(i % 7 == 0 ? -i : i);
    }
    int calls = 0;
    diff.OnProcessEvents = [&] { ++calls; };
    ASSERT_TRUE(diff.Execute(a.data(), b.data(), 400, 400));
    const int total = calls;
    ASSERT_GT(total, 10);
    calls = 0;
    diff.OnProcessEvents = [&] {
        if (++calls == total - 1)
            diff.Cancel();
    };
    EXPECT_FALSE(diff.Execute(a.data(), b.data(), 400, 400));
    EXPECT_EQ(diff.Count(), 0);
}

TEST(DiffEngine, ProgressIsRaisedAboutOnceASecond) {
    TDiff diff;
    std::vector<int> percents;
    diff.OnProgress = [&](TDiff& sender, int percent) {
        EXPECT_EQ(&sender, &diff);
        percents.push_back(percent);
    };
    int calls = 0;
    // Slow steps stand in for a long run: the first 45 steps take more than two seconds.
    diff.OnProcessEvents = [&] {
        if (++calls <= 45)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    const Seq a = FewSymbols(200, 3);
    const Seq b = FewSymbols(200, 4);
    ASSERT_TRUE(diff.Execute(a.data(), b.data(), 200, 200));
    ASSERT_GT(calls, 45);
    EXPECT_GE(percents.size(), 2u);
    EXPECT_LE(percents.size(), 3u);
    for (int p : percents)
        EXPECT_GE(p, 0);
    // Until the outermost searches meet the value stays below 46; then it grows with time.
    EXPECT_LE(percents.front(), 46);
    EXPECT_GE(percents.back(), percents.front());
}

TEST(DiffEngine, NoProgressWithoutHandler) {
    TDiff diff;
    int calls = 0;
    diff.OnProcessEvents = [&] { ++calls; };
    const Seq a = Letters("pqrs");
    const Seq b = Letters("pxys");
    EXPECT_TRUE(diff.Execute(a.data(), b.data(), 4, 4));
    EXPECT_GT(calls, 0);
}

} // namespace
} // namespace tandrel
