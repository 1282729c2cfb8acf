// Real libraries against folders of the sources PowerBuilder itself exported from them: every
// object the corpus lists as matching must come out the same, object by object, and with
// it the whole library when every one of its objects was exported.

#include "CompareTestUtil.h"
#include "LibKeys.h"
#include "RealData.h"
#include "RealMatches.h"

#include <filesystem>
#include <map>

namespace tandrel::test {
namespace {

const std::string RealData = TANDREL_REALDATA_DIR;

// Library path (relative to the corpus) -> (object file name, exported file) of its objects.
using TLibExports = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

TLibExports LoadLibExports(const std::string& corpus) {
    TLibExports exports;
    for (TRealMatch& match : ReadRealMatches(RealData, corpus))
        exports[match.Lib].emplace_back(std::move(match.Name), std::move(match.Exported));
    return exports;
}

class RealFolderTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RealFolderTest, LibrariesAgreeWithTheirOwnExports) {
    const std::string corpus = GetParam();
    TANDREL_REQUIRE_REALDATA(RealData + "/" + corpus + ".matches.tsv");
    const TLibExports exports = LoadLibExports(corpus);
    ASSERT_FALSE(exports.empty());
    int objects = 0;
    for (const auto& [lib, files] : exports) {
        TTempDir dir;
        const std::string libPath = RealData + "/" + corpus + "/" + lib;
        const std::string folder = dir / LibKeyOfPath(libPath);
        for (const auto& [name, exported] : files)
            WriteText(folder + "/" + name, ReadText(exported));

        TLibCompare model{std::string()};
        std::string notices;
        model.OnNotice = [&](const std::string& text, const std::string&) {
            notices += text + "\n";
        };
        model.AddLibraryPaths({libPath}, std::string(), 1, {});
        model.AddLibraryPaths({folder}, std::string(), 2, {});
        // Characters a Unicode library holds and the code page does not are told for the
        // folder; the library's reader turns them into "?" alike, so they agree.
        std::vector<std::string> noticeLines;
        SplitLines(notices, noticeLines);
        for (const std::string& notice : noticeLines)
            EXPECT_TRUE(notice.ends_with("cannot hold are shown as \"?\"")) << notice;
        ASSERT_EQ(model.LibPairCount(), 1) << lib;
        ASSERT_TRUE(model.OpenLibPair(0, {}));
        // Objects without a matching export are only on side 1; every other one is the same.
        int same = 0;
        TResultRow row;
        for (int i = 0; model.ObjRow(i, row); ++i) {
            if (row.Status == csSame)
                ++same;
            else
                EXPECT_EQ(row.Status, csDeleted) << lib << " " << row.Name;
        }
        EXPECT_EQ(same, static_cast<int>(files.size())) << lib;
        TResultRow libRow;
        ASSERT_TRUE(model.LibRow(0, libRow));
        EXPECT_EQ(libRow.Status == csSame,
                  model.ObjCounts().Count1 == static_cast<int>(files.size()))
            << lib;
        objects += same;
    }
    EXPECT_GT(objects, 10);
}

// The newer version keeps every library's sources beside the workspace, in
// "ws_objects/.../<library>.pbl.src": each such folder pairs with its library and agrees.
TEST(RealFolders, WorkspaceSourceFoldersAgreeWithTheirLibraries) {
    const std::string corpus = RealData + "/pfc2022";
    TANDREL_REQUIRE_REALDATA(corpus + "/ws_objects");
    int pairs = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(corpus + "/ws_objects")) {
        const std::string folder = item.path().string();
        if (!item.is_directory() || !folder.ends_with(".pbl.src"))
            continue;
        const std::string name = item.path().filename().string();
        const std::string relative =
            item.path().parent_path().lexically_relative(corpus + "/ws_objects").string();
        const std::string lib = corpus + "/" + relative + "/" + name.substr(0, name.size() - 4);
        if (!std::filesystem::exists(lib))
            continue;
        TLibCompare model{std::string()};
        model.AddLibraryPaths({lib}, std::string(), 1, {});
        model.AddLibraryPaths({folder}, std::string(), 2, {});
        TResultRow row;
        ASSERT_EQ(model.LibPairCount(), 1) << folder;
        ASSERT_TRUE(model.LibRow(0, row));
        EXPECT_EQ(row.Status, csSame) << folder;
        ++pairs;
    }
    EXPECT_GE(pairs, 15);
}

INSTANTIATE_TEST_SUITE_P(Corpora, RealFolderTest, ::testing::Values("pfc105", "pfc2022", "wns"));

} // namespace
} // namespace tandrel::test
