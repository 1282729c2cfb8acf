// Real libraries against folders of the sources PowerBuilder itself exported from them: every
// object the corpus lists as matching must come out the same, object by object, and with
// it the whole library when every one of its objects was exported. And a real version pair
// in the all-objects list, with an object moved by hand between two libraries.

#include "AllObjects.h"
#include "CompareTestUtil.h"
#include "LibKeys.h"
#include "RealData.h"
#include "RealMatches.h"
#include "SourceExport.h"

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

// The rows of an all-objects list, one a line: status word, key, and the two libraries.
std::string AllRows(const TAllObjects& all) {
    std::string rows;
    TResultRow row;
    for (const int i : all.ViewOrder())
        if (all.Row(i, row))
            rows += AllObjectsStatusWord(row) + " " + row.TypeLetter + row.Name + " " + row.Lib1 +
                    " " + row.Lib2 + "\n";
    return rows;
}

// The 2022 workspace's libraries exported into one folder per library, then one object moved
// from its folder into another: against the 10.5 workspace, the folders list as the
// libraries do, and the moved object as a move.
TEST(RealAllObjects, AnObjectMovedByHandBetweenVersionsIsAMove) {
    const std::string ws1 = RealData + "/pfc105/PFC.pbw", ws2 = RealData + "/pfc2022/PFC.pbw";
    TANDREL_REQUIRE_REALDATA(ws1, ws2);
    TLibCompare model{std::string()};
    model.SetFilterKind(fkWorkspace);
    model.AddLibraries({ws1}, 1, {});
    model.AddLibraries({ws2}, 2, {});
    TAllObjects libraries;
    libraries.Build(model, {});
    ASSERT_GT(libraries.Counts().Changed, 0);
    EXPECT_EQ(libraries.Moved(), 0);

    TTempDir dir;
    std::vector<std::string> folders;
    for (const std::string& lib : model.SearchOrder(2)) {
        folders.push_back(dir / LibKeyOfPath(lib));
        TLibCompare one{std::string()};
        one.OpenSingleLib(lib, 1, {});
        std::vector<int> all(one.Objs1().size());
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<int>(i);
        ExportObjectSources(one, all, 1, folders.back());
    }
    ASSERT_GE(folders.size(), 2u);
    TAllObjects exported;
    exported.Build(model.SearchOrder(1), folders, {});
    EXPECT_EQ(AllRows(exported), AllRows(libraries));

    // The first object that is the same in both versions moves into another folder.
    TResultRow row;
    int moved = -1;
    for (int i = 0; moved < 0 && exported.Row(i, row); ++i)
        if (row.Status == csSame && !row.Shadowed1 && !row.Shadowed2)
            moved = i;
    ASSERT_GE(moved, 0);
    const std::string from = dir / row.Lib2;
    const std::string to = from == folders[0] ? folders[1] : folders[0];
    const std::string name = ExportFileName(*exported.Entry(moved, 2));
    std::filesystem::rename(from + "/" + name, to + "/" + name);
    exported.Build(model.SearchOrder(1), folders, {});
    EXPECT_EQ(exported.Moved(), 1);
    EXPECT_EQ(exported.Counts().Changed, libraries.Counts().Changed);
    ASSERT_TRUE(exported.Row(moved, row));
    EXPECT_EQ(AllObjectsStatusWord(row), "移动");
    EXPECT_EQ(row.Lib2, LibKeyOfPath(to));
    std::vector<std::string> lines1, lines2;
    ASSERT_TRUE(exported.Source(moved, 1, lines1));
    ASSERT_TRUE(exported.Source(moved, 2, lines2));
    EXPECT_EQ(lines2.front(), "$PBExportHeader$" + name);
}

INSTANTIATE_TEST_SUITE_P(Corpora, RealFolderTest, ::testing::Values("pfc105", "pfc2022", "wns"));

} // namespace
} // namespace tandrel::test
