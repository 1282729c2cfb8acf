// Exported sources of library sets: the files the object list exports, and the one patch of
// two whole sets that turns the first set's export tree into the second's.

#include "CompareTestUtil.h"
#include "RealData.h"
#include "SetPatch.h"
#include "SourceExport.h"

#include <cstdlib>
#include <map>

namespace tandrel::test {
namespace {

namespace fs = std::filesystem;

PblObject Source(const std::string& name, const std::string& source, int32_t stamp = kStamp) {
    return PblObject{name, source, "", stamp};
}

// Every file under a folder by its relative path, with its bytes.
std::map<std::string, std::string> TreeFiles(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = ReadText(entry.path().string());
    return files;
}

// The export tree of one side of a compared model: a folder per library file, holding a
// file per object.
void ExportTree(TLibCompare& model, int side, const std::string& root) {
    TResultRow lib;
    for (int i = 0; model.LibRow(i, lib); ++i) {
        const std::string& path = side == 1 ? lib.Path1 : lib.Path2;
        if (path.empty() || !model.OpenLibPair(i, {}))
            continue;
        std::vector<int> all(static_cast<size_t>(model.ObjPairCount()));
        for (size_t k = 0; k < all.size(); ++k)
            all[k] = static_cast<int>(k);
        ExportObjectSources(model, all, side, root + "/" + PathFileName(path));
    }
}

std::string SetPatch(TLibCompare& model) {
    std::string patch;
    EmitSetPatch(model, {}, 3, [&](std::string_view piece) { patch += piece; });
    return patch;
}

// The files in which two trees differ, named, for a failure message; empty when equal.
std::string TreeDifference(const std::string& root1, const std::string& root2) {
    const std::map<std::string, std::string> files1 = TreeFiles(root1);
    const std::map<std::string, std::string> files2 = TreeFiles(root2);
    std::string differences;
    for (const auto& [name, bytes] : files1) {
        const auto other = files2.find(name);
        if (other == files2.end())
            differences += name + " only in " + root1 + "\n";
        else if (other->second != bytes)
            differences += name + " differs\n";
    }
    for (const auto& [name, bytes] : files2)
        if (files1.count(name) == 0)
            differences += name + " only in " + root2 + "\n";
    return differences;
}

bool HaveGit() {
    return std::system("git --version >/dev/null 2>&1") == 0;
}

// Applies the set patch to side 1's export tree with git apply, and with patch -p1 to a
// second copy; both must give side 2's tree.
void ExpectPatchGivesSide2(TLibCompare& model, const TTempDir& dir) {
    ExportTree(model, 1, dir / "tree1");
    ExportTree(model, 2, dir / "tree2");
    fs::copy(dir / "tree1", dir / "tree1p", fs::copy_options::recursive);
    WriteText(dir / "set.diff", SetPatch(model));
    ASSERT_EQ(std::system(("cd '" + dir / "tree1" + "' && git apply ../set.diff").c_str()), 0);
    EXPECT_EQ(TreeDifference(dir / "tree1", dir / "tree2"), "");
    ASSERT_EQ(
        std::system(("cd '" + dir / "tree1p" + "' && patch -s -p1 -E < ../set.diff >/dev/null 2>&1")
                        .c_str()),
        0);
    EXPECT_EQ(TreeDifference(dir / "tree1p", dir / "tree2"), "");
}

class SetExport : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string src = "forward\r\nend forward\r\n";
        WriteLib(Dir / "a/lib.pbl",
                 {Source("w_main.srw", src + "a = 1\r\n"), Source("w_same.srw", src),
                  Source("w_gone.srw", src), Source("w_\xD6\xD0.srw", src)});
        WriteLib(Dir / "b/lib.pbl",
                 {Source("w_main.srw", src + "a = 2\r\n", kStamp + 60), Source("w_same.srw", src),
                  Source("w_new.srw", "x\r\n"), Source("w_\xD6\xD0.srw", src)},
                 PblForm::Ansi, kFileTime + 60);
        WriteLib(Dir / "a/old.pbl", {Source("f_old.srf", "old\r\n")});
        WriteLib(Dir / "b/new.pbl", {Source("f_new.srf", "new\r\n")});
        TPathLookup lookup;
        Model.AddLibraryPaths({Dir / "a/lib.pbl", Dir / "a/old.pbl"}, "", 1, {}, lookup);
        Model.AddLibraryPaths({Dir / "b/lib.pbl", Dir / "b/new.pbl"}, "", 2, {}, lookup);
    }

    TTempDir Dir;
    TLibCompare Model{std::string()};
};

TEST_F(SetExport, ObjectSourcesWrittenAsExportFiles) {
    ASSERT_TRUE(Model.OpenLibPair(0, {}));
    std::vector<int> all(static_cast<size_t>(Model.ObjPairCount()));
    for (size_t k = 0; k < all.size(); ++k)
        all[k] = static_cast<int>(k);
    // Side 1 lacks w_new, so its placeholder is passed over.
    EXPECT_EQ(ExportObjectSources(Model, all, 1, Dir / "out1"), 4);
    EXPECT_EQ(TreeFiles(Dir / "out1").size(), 4u);
    EXPECT_EQ(ReadText(Dir / "out1/w_main.srw"),
              "$PBExportHeader$w_main.srw\r\nforward\r\nend forward\r\na = 1\r\n");
    EXPECT_EQ(ReadText(Dir / "out1/w_中.srw"),
              "$PBExportHeader$w_\xD6\xD0.srw\r\nforward\r\nend forward\r\n");
    EXPECT_EQ(ExportObjectSources(Model, all, 2, Dir / "out2/"), 4);
    EXPECT_EQ(ReadText(Dir / "out2/w_new.srw"), "$PBExportHeader$w_new.srw\r\nx\r\n");
    EXPECT_FALSE(fs::exists(Dir / "out2/w_gone.srw"));
    // A folder that cannot be made is an error naming the file.
    WriteText(Dir / "file", "");
    EXPECT_THROW(ExportObjectSources(Model, all, 1, Dir / "file"), std::runtime_error);
}

TEST_F(SetExport, PatchNamesLibraryAndObjectOfEveryDifference) {
    const std::string patch = SetPatch(Model);
    EXPECT_NE(
        patch.find(
            "--- a/lib.pbl/w_main.srw\n+++ b/lib.pbl/w_main.srw\n@@ -1,4 +1,4 @@\n"
            " $PBExportHeader$w_main.srw\r\n forward\r\n end forward\r\n-a = 1\r\n+a = 2\r\n"),
        std::string::npos)
        << patch;
    EXPECT_NE(patch.find("--- a/lib.pbl/w_gone.srw\n+++ /dev/null\n@@ -1,3 +0,0 @@\n"),
              std::string::npos);
    EXPECT_NE(patch.find("--- /dev/null\n+++ b/lib.pbl/w_new.srw\n@@ -0,0 +1,2 "
                         "@@\n+$PBExportHeader$w_new.srw\r\n+x\r\n"),
              std::string::npos);
    EXPECT_NE(patch.find("--- a/old.pbl/f_old.srf\n+++ /dev/null\n"), std::string::npos);
    EXPECT_NE(patch.find("--- /dev/null\n+++ b/new.pbl/f_new.srf\n"), std::string::npos);
    EXPECT_EQ(patch.find("w_same"), std::string::npos);
    EXPECT_EQ(patch.find("w_中"), std::string::npos);
}

TEST_F(SetExport, PatchTurnsSide1TreeIntoSide2Tree) {
    if (!HaveGit())
        GTEST_SKIP() << "git is not installed";
    ExpectPatchGivesSide2(Model, Dir);
}

TEST_F(SetExport, CommandLinePatchIsTheModelsPatch) {
    TCliRun run = RunCliArgs(Dir, {"compare", "--objects", "--patch", Dir / "a/lib.pbl",
                                   Dir / "a/old.pbl", "--", Dir / "b/lib.pbl", Dir / "b/new.pbl"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_EQ(run.Out, SetPatch(Model));
    run = RunCliArgs(Dir, {"compare", "--patch", Dir / "a/old.pbl", "--", Dir / "a/old.pbl"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
}

TEST(SetExportRealData, PatchOfTwoReleasesTurnsOneExportTreeIntoTheOther) {
    const std::string root = TANDREL_REALDATA_DIR;
    TANDREL_REQUIRE_REALDATA(root + "/pfc105/PFC.pbw", root + "/pfc2022/PFC.pbw");
    if (!HaveGit())
        GTEST_SKIP() << "git is not installed";
    TLibCompare model{std::string()};
    TProjectExpansion expansion;
    for (int side = 1; side <= 2; ++side) {
        const std::string workspace = root + (side == 1 ? "/pfc105/PFC.pbw" : "/pfc2022/PFC.pbw");
        model.AddLibraryPaths(TLibCompare::ExpandChosen({workspace}, fkWorkspace, expansion), "",
                              side, {}, expansion.Lookup);
    }
    TTempDir dir;
    ExpectPatchGivesSide2(model, dir);
}

} // namespace
} // namespace tandrel::test
