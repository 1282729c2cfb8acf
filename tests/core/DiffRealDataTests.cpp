// The diff engine on the exported sources of two versions of a real class library: for
// every object exported by both versions, the O(ND) search over all elements gives the
// blocks of the plain transcription of the algorithm, and every method gives blocks that
// turn version 1 into version 2 and are minimal.

#include "DiffReference.h"
#include "DiffTestUtil.h"
#include "HashUnit.h"
#include "PbFuncs.h"
#include "RealData.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <sstream>

namespace tandrel {
namespace {

namespace fs = std::filesystem;

// Exported sources by lower-case file name.
std::map<std::string, fs::path> Exports(const fs::path& root) {
    std::map<std::string, fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (entry.is_regular_file() && name.size() > 4 &&
            name.compare(name.size() - 4, 3, ".sr") == 0)
            files.emplace(name, entry.path());
    }
    return files;
}

test::Seq Hashes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::vector<std::string> lines;
    SplitLines(bytes.str(), lines);
    return HashLines(lines, false, false);
}

TEST(DiffRealData, ObjectsOfTwoLibraryVersions) {
    const fs::path root = TANDREL_REALDATA_DIR;
    TANDREL_REQUIRE_REALDATA(root / "pfc105", root / "pfc2022");
    const auto old = Exports(root / "pfc105");
    const auto now = Exports(root / "pfc2022");
    int pairs = 0;
    int differing = 0;
    int otherScript = 0;
    for (const auto& [name, path1] : old) {
        const auto found = now.find(name);
        if (found == now.end())
            continue;
        const test::Seq a = Hashes(path1);
        const test::Seq b = Hashes(found->second);
        if (a.size() * b.size() > 4'000'000)
            continue;
        SCOPED_TRACE(name);
        ++pairs;
        const std::vector<TDiffBlock> expected = test::TReferenceDiff().Run(a, b);
        TDiff twoThreads;
        twoThreads.SetParallelWidth(1);
        twoThreads.SetMethod(dmSearchAll);
        ASSERT_EQ(test::RunDiff(twoThreads, a, b), expected);
        ASSERT_EQ(test::RunDiff(a, b, dmSearchAll), expected);
        const int64_t distance = test::EditDistance(a, b);
        ASSERT_EQ(test::ChangedElements(expected), distance);
        for (TDiffMethod method : {dmAutomatic, dmSearchCommon, dmEqualPairs, dmBitRows}) {
            SCOPED_TRACE(testing::Message() << "method " << int{method});
            const std::vector<TDiffBlock> blocks = test::RunDiff(a, b, method);
            test::Seq applied;
            ASSERT_TRUE(test::ApplyBlocks(a, b, blocks, applied));
            ASSERT_EQ(applied, b);
            ASSERT_EQ(test::ChangedElements(blocks), distance);
            if (method == dmAutomatic && blocks != expected)
                ++otherScript;
        }
        differing += expected.empty() ? 0 : 1;
    }
    std::cout << "[          ] " << otherScript << " of " << differing
              << " differing objects got another minimum script than the O(ND) search's\n";
    EXPECT_GT(pairs, 400);
    EXPECT_GT(differing, 100);
}

} // namespace
} // namespace tandrel
