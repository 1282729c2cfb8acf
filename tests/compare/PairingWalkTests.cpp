// The pairing walk on its own: placeholders, statuses and counters, and its order of keys.

#include "CompareTestUtil.h"
#include "PairingWalk.h"

#include <algorithm>
#include <iterator>
#include <random>
#include <set>

namespace tandrel::test {
namespace {

TLibList Libs(std::initializer_list<const char*> keys) {
    TLibList list;
    for (const char* key : keys) {
        TKeyedItem<TFolderRec> item;
        item.Key = key;
        item.Object = std::make_unique<TFolderRec>();
        item.Object->FileName = std::string("/x/") + key;
        list.push_back(std::move(item));
    }
    SortByKey(list);
    return list;
}

struct TWalkResult {
    TCompareCounts Counts;
    std::vector<std::string> Matched; // "key1=key2" for every pair handed to the rule
    std::vector<std::string> Steps;   // "k:len1/len2"
};

// Walks with a rule that calls the pairs whose keys are in `changed` changed.
TWalkResult Walk(TLibList& l1, TLibList& l2, std::vector<std::string> changed = {}) {
    TWalkResult r;
    r.Counts.Count1 = 77; // the walk must leave the caller's counts alone
    PairLists(
        l1, l2, r.Counts,
        [&](const TFolderRec& a, const TFolderRec& b) {
            r.Matched.push_back(a.FileName.substr(3) + "=" + b.FileName.substr(3));
            return std::find(changed.begin(), changed.end(), a.FileName.substr(3)) != changed.end();
        },
        [&](size_t k, size_t n1, size_t n2) {
            r.Steps.push_back(std::to_string(k) + ":" + std::to_string(n1) + "/" +
                              std::to_string(n2));
        });
    return r;
}

TEST(PairingWalk, EmptyAndOneSidedLists) {
    TLibList a, b;
    TWalkResult r = Walk(a, b);
    EXPECT_TRUE(a.empty() && b.empty());
    EXPECT_EQ(CountsText(r.Counts), "77/0 +0 -0 ~0");

    TLibList l1 = Libs({"b", "a"}), l2;
    r = Walk(l1, l2);
    EXPECT_EQ(Describe(l1), "a:2 b:2");
    EXPECT_EQ(Describe(l2), "_:2 _:2");
    EXPECT_EQ(r.Counts.Deleted, 2);
    EXPECT_TRUE(r.Steps.empty()) << "the tails report no progress";

    TLibList m1, m2 = Libs({"x"});
    r = Walk(m1, m2);
    EXPECT_EQ(Describe(m1), "_:1");
    EXPECT_EQ(Describe(m2), "x:1");
    EXPECT_EQ(r.Counts.Added, 1);
}

TEST(PairingWalk, InterleavedKeysGetPlaceholdersOppositeAndStepsSeeGrowingLists) {
    TLibList l1 = Libs({"a", "c", "e"}), l2 = Libs({"b", "c", "d"});
    TWalkResult r = Walk(l1, l2, {"c"});
    EXPECT_EQ(Describe(l1), "a:2 _:1 c:3 _:1 e:2");
    EXPECT_EQ(Describe(l2), "_:2 b:1 c:3 d:1 _:2");
    EXPECT_EQ(CountsText(r.Counts), "77/0 +2 -2 ~1");
    EXPECT_EQ(r.Matched, std::vector<std::string>{"c=c"});
    EXPECT_EQ(r.Steps, (std::vector<std::string>{"1:3/4", "2:4/4", "3:4/4", "4:5/4"}));
}

TEST(PairingWalk, KeysPairWithoutRegardToLetterCaseButDoubleByteTrailsStayDistinct) {
    TLibList l1 = Libs({"App.pbl", "W_MAIN"}), l2 = Libs({"app.PBL", "w_main"});
    TWalkResult r = Walk(l1, l2);
    EXPECT_EQ(r.Matched, (std::vector<std::string>{"App.pbl=app.PBL", "W_MAIN=w_main"}));

    // In GBK 0x81 0x41 and 0x81 0x61 are two different characters whose trail bytes look
    // like A and a: they must not pair.
    TLibList g1 = Libs({"\x81\x41"}), g2 = Libs({"\x81\x61"});
    r = Walk(g1, g2);
    EXPECT_TRUE(r.Matched.empty());
    EXPECT_EQ(r.Counts.Added + r.Counts.Deleted, 2);
}

TEST(PairingWalk, UnpairThenWalkAgainGivesTheSameResult) {
    TLibList l1 = Libs({"a", "B", "d", "f"}), l2 = Libs({"b", "C", "d", "e", "g"});
    const TWalkResult first = Walk(l1, l2, {"d"});
    const std::string d1 = Describe(l1), d2 = Describe(l2);
    UnpairList(l1);
    UnpairList(l2);
    EXPECT_EQ(Describe(l1), "a:0 B:0 d:0 f:0");
    EXPECT_EQ(l2.size(), 5u);
    const TWalkResult second = Walk(l1, l2, {"d"});
    EXPECT_EQ(Describe(l1), d1);
    EXPECT_EQ(Describe(l2), d2);
    EXPECT_EQ(CountsText(second.Counts), CountsText(first.Counts));
    ASSERT_EQ(l1.size(), l2.size());
}

// Random lists against the plain merge of two sorted key sets; while the rule runs, the
// lists hold finished pairs only, so a list view reading them mid-walk sees no half pair.
TEST(PairingWalk, RandomListsPairLikeAMergeOfTheKeySetsAndArePairedAtEveryStep) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        std::set<std::string> keys1, keys2;
        const int n1 = static_cast<int>(random() % 30), n2 = static_cast<int>(random() % 30);
        for (int i = 0; i < n1; ++i)
            keys1.insert(std::string(1, static_cast<char>('a' + random() % 26)) +
                         static_cast<char>('a' + random() % 3));
        for (int i = 0; i < n2; ++i)
            keys2.insert(std::string(1, static_cast<char>('a' + random() % 26)) +
                         static_cast<char>('a' + random() % 3));
        TLibList l1, l2;
        for (const auto& [keys, list] : {std::pair{&keys1, &l1}, std::pair{&keys2, &l2}})
            for (const std::string& k : *keys) {
                list->push_back({k, std::make_unique<TFolderRec>()});
                list->back().Object->FileName = k;
            }

        std::string expected1, expected2;
        int added = 0, deleted = 0, changed = 0;
        std::vector<std::string> merged;
        std::set_union(keys1.begin(), keys1.end(), keys2.begin(), keys2.end(),
                       std::back_inserter(merged));
        for (const std::string& k : merged) {
            const bool in1 = keys1.count(k) > 0, in2 = keys2.count(k) > 0;
            // Keys ending in "a" are changed when they pair.
            const int status = !in2              ? csDeleted
                               : !in1            ? csAdded
                               : k.back() == 'a' ? csChanged
                                                 : csSame;
            added += status == csAdded;
            deleted += status == csDeleted;
            changed += status == csChanged;
            expected1 +=
                (expected1.empty() ? "" : " ") + (in1 ? k : "_") + ":" + std::to_string(status);
            expected2 +=
                (expected2.empty() ? "" : " ") + (in2 ? k : "_") + ":" + std::to_string(status);
        }

        TCompareCounts counts{};
        PairLists(
            l1, l2, counts,
            [&](const TFolderRec& rec1, const TFolderRec&) {
                EXPECT_EQ(l1.size(), l2.size());
                for (size_t i = 0; i < l1.size() && i < l2.size(); ++i) {
                    EXPECT_TRUE(l1[i].Object && l2[i].Object);
                    EXPECT_TRUE(l1[i].Key.empty() || l2[i].Key.empty() || l1[i].Key == l2[i].Key);
                }
                return rec1.FileName.back() == 'a';
            },
            [](size_t, size_t, size_t) {});
        EXPECT_EQ(Describe(l1), expected1);
        EXPECT_EQ(Describe(l2), expected2);
        EXPECT_EQ(counts.Added, added);
        EXPECT_EQ(counts.Deleted, deleted);
        EXPECT_EQ(counts.Changed, changed);
    }
}

TEST(PairingWalk, AFailingRuleLeavesEveryItemInItsListPairedUpToThere) {
    TLibList l1 = Libs({"a", "c", "d", "f"}), l2 = Libs({"b", "c", "d", "e"});
    TCompareCounts counts{};
    int matched = 0;
    EXPECT_THROW(PairLists(
                     l1, l2, counts,
                     [&](const TFolderRec&, const TFolderRec&) -> bool {
                         if (++matched == 2)
                             throw std::runtime_error("cannot open");
                         return true;
                     },
                     [](size_t, size_t, size_t) {}),
                 std::runtime_error);
    EXPECT_EQ(Describe(l1), "a:2 _:1 c:3 d:0 f:0");
    EXPECT_EQ(Describe(l2), "_:2 b:1 c:3 d:0 e:0");
    UnpairList(l1);
    UnpairList(l2);
    EXPECT_EQ(Describe(l1), "a:0 c:0 d:0 f:0");
    EXPECT_EQ(Describe(l2), "b:0 c:0 d:0 e:0");
}

TEST(PairingWalk, SortIsStableAndCaseInsensitive) {
    TLibList l = Libs({"b", "A", "a", "C", "B"});
    std::string keys;
    for (const auto& item : l)
        keys += item.Key;
    EXPECT_EQ(keys, "AabBC");
}

} // namespace
} // namespace tandrel::test
