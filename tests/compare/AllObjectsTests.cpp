// Objects paired across the libraries of whole sides: moves, moves with a change, names held
// by several libraries of one side, libraries changed on disk while the rows are shown, the
// library walk's listings taken over, exports of the rows, and the command line's listing
// of them.

#include "AllObjects.h"
#include "CompareTestUtil.h"
#include "SourceExport.h"

#include <filesystem>
#include <sys/resource.h>

namespace tandrel::test {
namespace {

PblObject Obj(const std::string& name, const std::string& source, int32_t stamp = kStamp) {
    return PblObject{name, source, "", stamp};
}

size_t OpenFileCount() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                             std::filesystem::directory_iterator()));
}

class AllObjectsTest : public ::testing::Test {
protected:
    // "status letter name lib1 lib2 shadowed" per row in view order, "moved" standing
    // before a moved row's status.
    std::string Rows() const {
        std::string out;
        TResultRow row;
        for (const int i : All.ViewOrder()) {
            EXPECT_TRUE(All.Row(i, row));
            out += (row.Moved ? "moved " : "") + std::to_string(row.Status) + " " + row.TypeLetter +
                   " " + row.Name + " " + (row.Lib1.empty() ? "-" : row.Lib1) + " " +
                   (row.Lib2.empty() ? "-" : row.Lib2) + (row.Shadowed1 ? " s1" : "") +
                   (row.Shadowed2 ? " s2" : "") + "\n";
        }
        return out;
    }

    TTempDir Dir;
    TAllObjects All;
};

TEST_F(AllObjectsTest, MovesAndChangesAcrossLibraries) {
    WriteLib(Dir / "one/a.pbl", {Obj("w_stay.srw", "s\r\n"), Obj("w_moved.srw", "m\r\n"),
                                 Obj("w_both.srw", "b\r\n"), Obj("w_gone.srw", "g\r\n")});
    WriteLib(Dir / "one/b.pbl", {Obj("n_util.sru", "u\r\n")});
    WriteLib(Dir / "two/a.pbl", {Obj("w_stay.srw", "s\r\n"), Obj("n_util.sru", "u\r\n")});
    WriteLib(Dir / "two/c.pbl", {Obj("w_moved.srw", "m\r\n", kStamp + 60),
                                 Obj("w_both.srw", "b changed\r\n"), Obj("w_new.srw", "n\r\n")});
    All.Build({Dir / "one/a.pbl", Dir / "one/b.pbl"}, {Dir / "two/a.pbl", Dir / "two/c.pbl"}, {});
    EXPECT_EQ(Rows(), "moved 0 u n_util b.pbl a.pbl\n"
                      "moved 3 w w_both a.pbl c.pbl\n"
                      "2 w w_gone a.pbl -\n"
                      "moved 0 w w_moved a.pbl c.pbl\n"
                      "1 w w_new - c.pbl\n"
                      "0 w w_stay a.pbl a.pbl\n");
    EXPECT_EQ(CountsText(All.Counts()), "5/5 +1 -1 ~1");
    EXPECT_EQ(All.Moved(), 3);

    // Both halves of a moved pair are read from their own libraries.
    std::vector<std::string> lines1, lines2;
    ASSERT_TRUE(All.Source(1, 1, lines1));
    ASSERT_TRUE(All.Source(1, 2, lines2));
    EXPECT_EQ(lines1.back(), "b");
    EXPECT_EQ(lines2.back(), "b changed");
    EXPECT_EQ(All.LibPath(1, 2), Dir / "two/c.pbl");
    EXPECT_FALSE(All.Source(6, 1, lines1));
    EXPECT_FALSE(All.Source(0, 3, lines1));

    // A library changed since the listing is not read from.
    WriteLib(Dir / "two/c.pbl", {Obj("w_both.srw", "other\r\n")});
    EXPECT_THROW(All.Source(1, 2, lines2), TLibraryChanged);
}

TEST_F(AllObjectsTest, ShadowedNamesFollowTheSearchOrder) {
    WriteLib(Dir / "one/first.pbl", {Obj("w_dup.srw", "first\r\n")});
    WriteLib(Dir / "one/second.pbl", {Obj("w_dup.srw", "second\r\n")});
    WriteLib(Dir / "two/second.pbl", {Obj("w_dup.srw", "second\r\n")});
    WriteLib(Dir / "two/first.pbl", {Obj("w_dup.srw", "first\r\n")});
    // Side 2 searches its libraries the other way round: its winner is in second.pbl.
    All.Build({Dir / "one/first.pbl", Dir / "one/second.pbl"},
              {Dir / "two/second.pbl", Dir / "two/first.pbl"}, {});
    EXPECT_EQ(Rows(), "moved 3 w w_dup first.pbl second.pbl\n"
                      "1 w w_dup - first.pbl s2\n"
                      "2 w w_dup second.pbl - s1\n");
    EXPECT_EQ(All.Moved(), 1);

    // A shadowed object pairs only with one of its library on the other side.
    All.Build({Dir / "one/first.pbl", Dir / "one/second.pbl"},
              {Dir / "two/first.pbl", Dir / "two/second.pbl"}, {});
    EXPECT_EQ(Rows(), "0 w w_dup first.pbl first.pbl\n"
                      "0 w w_dup second.pbl second.pbl s1 s2\n");
    EXPECT_EQ(CountsText(All.Counts()), "2/2 +0 -0 ~0");
}

TEST_F(AllObjectsTest, AFolderOfExportsIsNoMoveFromItsLibrary) {
    WriteLib(Dir / "one/app.pbl", {Obj("w_a.srw", "a\r\n")});
    WriteText(Dir / "two/app/w_a.srw", "$PBExportHeader$w_a.srw\r\na\r\n");
    All.Build({Dir / "one/app.pbl"}, {Dir / "two/app"}, {});
    EXPECT_EQ(Rows(), "0 w w_a app.pbl app.pbl\n");
    EXPECT_EQ(All.Moved(), 0);
    // A failed listing keeps what was there.
    EXPECT_THROW(All.Build({Dir / "none.pbl"}, {}, {}), std::runtime_error);
    EXPECT_EQ(All.RowCount(), 1);
}

TEST_F(AllObjectsTest, NoLibraryFileIsHeldOpenWhileTheRowsAreShown) {
    std::vector<std::string> libs1, libs2;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "w_" + std::to_string(i) + ".srw";
        libs1.push_back(Dir / ("one/l" + std::to_string(i) + ".pbl"));
        libs2.push_back(Dir / ("two/l" + std::to_string(i) + ".pbl"));
        WriteLib(libs1.back(), {Obj(name, "aaaa\r\n")});
        // Another time stamp, so that the pairing reads both sources.
        WriteLib(libs2.back(), {Obj(name, "aaaa\r\n", kStamp + 1)});
    }
    const size_t before = OpenFileCount();
    All.Build(libs1, libs2, {});
    EXPECT_EQ(OpenFileCount(), before);
    ASSERT_EQ(All.RowCount(), 8);

    // A library replaced by a file of the same size and time (a checkout) is read as it is
    // now, not from the file it replaced, and nothing stays open after the reading.
    WriteLib(Dir / "new.pbl", {Obj("w_0.srw", "bbbb\r\n", kStamp + 1)});
    std::filesystem::rename(Dir / "new.pbl", libs2[0]);
    std::vector<std::string> lines;
    ASSERT_TRUE(All.Source(0, 2, lines));
    EXPECT_EQ(lines.back(), "bbbb");
    EXPECT_EQ(OpenFileCount(), before);
    // Written again, or deleted, it says so and reads nothing.
    WriteLib(libs2[2], {Obj("w_2.srw", "cccc\r\n", kStamp + 1)}, PblForm::Ansi, kFileTime + 9);
    lines.clear();
    EXPECT_THROW(All.Source(2, 2, lines), TLibraryChanged);
    EXPECT_TRUE(lines.empty());
    std::filesystem::remove(libs1[1]);
    EXPECT_THROW(All.Source(1, 1, lines), TLibraryChanged);
    // The other libraries read on.
    ASSERT_TRUE(All.Source(3, 1, lines));
    EXPECT_EQ(lines.back(), "aaaa");
}

// A workspace may name more libraries than the process may hold open files.
TEST_F(AllObjectsTest, MoreLibrariesThanTheProcessMayHoldOpen) {
    std::vector<std::string> libs1, libs2;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "w_" + std::to_string(i) + ".srw";
        libs1.push_back(Dir / ("one/l" + std::to_string(i) + ".pbl"));
        libs2.push_back(Dir / ("two/l" + std::to_string(i) + ".pbl"));
        WriteLib(libs1.back(), {Obj(name, "a\r\n")});
        WriteLib(libs2.back(), {Obj(name, i % 2 ? "a\r\n" : "b\r\n", kStamp + 1)});
    }
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    struct TRestore {
        const struct rlimit& Limit;
        ~TRestore() { ::setrlimit(RLIMIT_NOFILE, &Limit); }
    } restore{before};
    struct rlimit tight = before;
    tight.rlim_cur = OpenFileCount() + 30;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    EXPECT_NO_THROW(All.Build(libs1, libs2, {}));
    EXPECT_EQ(CountsText(All.Counts()), "40/40 +0 -0 ~20");
}

TEST_F(AllObjectsTest, TheLibraryWalksListingsAreTakenOverWhenUnchanged) {
    WriteLib(Dir / "one/a.pbl", {Obj("w_x.srw", "x\r\n"), Obj("w_gone.srw", "g\r\n")});
    WriteLib(Dir / "two/a.pbl", {Obj("w_x.srw", "y\r\n", kStamp + 1)});
    WriteText(Dir / "one/b/w_y.srw", "$PBExportHeader$w_y.srw\r\ny\r\n");
    WriteText(Dir / "two/b/w_y.srw", "$PBExportHeader$w_y.srw\r\nz\r\n");
    TLibCompare model{std::string()};
    TPathLookup lookup;
    model.AddLibraryPaths({Dir / "one/a.pbl", Dir / "one/b"}, "", 1, {}, lookup);
    model.AddLibraryPaths({Dir / "two/a.pbl", Dir / "two/b"}, "", 2, {}, lookup);
    // Side 2's folder changes after the walk: its listing is not taken, it is listed again.
    WriteText(Dir / "two/b/w_y.srw", "$PBExportHeader$w_y.srw\r\ny\r\n");
    All.Build(model, {});
    EXPECT_EQ(Rows(), "2 w w_gone a.pbl -\n"
                      "3 w w_x a.pbl a.pbl\n"
                      "0 w w_y b.pbl b.pbl\n");
    // The walk no longer holds what was taken; a pair opened next lists it again.
    TLibListing listing;
    EXPECT_FALSE(model.TakeListed(Dir / "one/a.pbl", listing));
    EXPECT_FALSE(model.TakeListed(Dir / "one/b", listing));
    ASSERT_TRUE(model.OpenLibPair(0, {}));
    EXPECT_EQ(CountsText(model.ObjCounts()), "2/1 +0 -1 ~1");
}

// The command line pairs each changed library pair during the walk; the listings it keeps
// then hold the pairing's placeholders, which are no objects.
TEST_F(AllObjectsTest, ListingsPairedDuringTheWalkGiveTheSameRows) {
    WriteLib(Dir / "one/a.pbl",
             {Obj("w_x.srw", "x\r\n"), Obj("w_gone.srw", "g\r\n"), Obj("w_same.srw", "s\r\n")});
    WriteLib(Dir / "two/a.pbl", {Obj("w_x.srw", "y\r\n", kStamp + 1), Obj("w_new.srw", "n\r\n"),
                                 Obj("w_same.srw", "s\r\n"), Obj("w_too.srw", "t\r\n")});
    TLibCompare model{std::string()};
    model.SetPairAhead(true);
    TPathLookup lookup;
    model.AddLibraryPaths({Dir / "one/a.pbl"}, "", 1, {}, lookup);
    model.AddLibraryPaths({Dir / "two/a.pbl"}, "", 2, {}, lookup);
    All.Build(model, {});
    EXPECT_EQ(Rows(), "2 w w_gone a.pbl -\n"
                      "1 w w_new - a.pbl\n"
                      "0 w w_same a.pbl a.pbl\n"
                      "1 w w_too - a.pbl\n"
                      "3 w w_x a.pbl a.pbl\n");
    EXPECT_EQ(CountsText(All.Counts()), "3/4 +2 -1 ~1");
    EXPECT_EQ(All.RowCount(), 5);
    TLibListing listing;
    EXPECT_FALSE(model.TakeListed(Dir / "two/a.pbl", listing)) << "the walk's listing was not used";
}

TEST_F(AllObjectsTest, ExportWritesTheChosenHalvesAndShadowedOnesApart) {
    WriteLib(Dir / "one/first.pbl", {Obj("w_dup.srw", "first\r\n"), Obj("w_a.srw", "a\r\n")});
    WriteLib(Dir / "one/second.pbl", {Obj("w_dup.srw", "second\r\n")});
    WriteLib(Dir / "two/first.pbl", {Obj("w_new.srw", "n\r\n")});
    WriteLib(Dir / "two/other.pbl", {Obj("w_a.srw", "a\r\n"), Obj("w_dup.srw", "first\r\n")});
    All.Build({Dir / "one/first.pbl", Dir / "one/second.pbl"},
              {Dir / "two/first.pbl", Dir / "two/other.pbl"}, {});
    EXPECT_EQ(Rows(), "moved 0 w w_a first.pbl other.pbl\n"
                      "moved 0 w w_dup first.pbl other.pbl\n"
                      "2 w w_dup second.pbl - s1\n"
                      "1 w w_new - first.pbl\n");
    // Every row differs. Side 1 has three halves: the shadowed one goes beside, in a folder
    // that reads as its library; side 2's missing half is passed over.
    const std::vector<int> rows = All.DifferingRows();
    EXPECT_EQ(rows.size(), 4u);
    EXPECT_EQ(ExportAllObjectSources(All, rows, 1, Dir / "out/first"), 3);
    EXPECT_EQ(ReadText(Dir / "out/first/w_dup.srw"), "$PBExportHeader$w_dup.srw\r\nfirst\r\n");
    EXPECT_EQ(ReadText(Dir / "out/first/second.pbl/w_dup.srw"),
              "$PBExportHeader$w_dup.srw\r\nsecond\r\n");
    EXPECT_EQ(ReadText(Dir / "out/first/w_a.srw"), "$PBExportHeader$w_a.srw\r\na\r\n");
    EXPECT_EQ(ExportAllObjectSources(All, {3, 2, 99, -1}, 2, Dir / "out2"), 1);
    EXPECT_EQ(ReadText(Dir / "out2/w_new.srw"), "$PBExportHeader$w_new.srw\r\nn\r\n");
    // Read back as libraries, the export is side 1 again.
    All.Build({Dir / "out/first", Dir / "out/first/second.pbl"},
              {Dir / "one/first.pbl", Dir / "one/second.pbl"}, {});
    EXPECT_EQ(All.Moved(), 0);
    EXPECT_TRUE(All.DifferingRows().empty()) << Rows();
}

// A newer workspace whose target names "app.pbl", kept as a folder of exported sources, and
// a library of its own beside; the older one has every object in its app.pbl library.
TEST_F(AllObjectsTest, WorkspaceWhoseTargetNamesALibraryFolder) {
    const auto exported = [](const std::string& name, const std::string& body) {
        return "$PBExportHeader$" + name + "\r\n" + body;
    };
    WriteLib(Dir / "old/app.pbl", {Obj("w_main.srw", "open()\r\n"), Obj("n_base.sru", "b\r\n"),
                                   Obj("f_util.srf", "return 1\r\n")});
    WriteText(Dir / "old/app.pbt", "LibList \"app.pbl\";\r\n");
    WriteText(Dir / "old/app.pbw", "@begin Targets\r\n 0 \"app.pbt\";\r\n@end;\r\n");
    WriteText(Dir / "new/app.pbl/w_main.srw", exported("w_main.srw", "open()\r\nclose()\r\n"));
    WriteText(Dir / "new/app.pbl/n_base.sru", exported("n_base.sru", "b\r\n"));
    WriteLib(Dir / "new/shared/util.pbl", {Obj("f_util.srf", "return 1\r\n")});
    WriteText(Dir / "new/app.pbt", "LibList \"app.pbl;shared\\\\util.pbl\";\r\n");
    WriteText(Dir / "new/app.pbw", "@begin Targets\r\n 0 \"app.pbt\";\r\n@end;\r\n");

    TCliRun run = RunCliArgs(Dir, {"compare", Dir / "old/app.pbw", "--", Dir / "new/app.pbw"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    std::vector<std::string> lines;
    SplitLines(run.Out, lines);
    ASSERT_EQ(lines.size(), 2u) << run.Out;
    EXPECT_EQ(lines[0].substr(0, lines[0].find('\t', 8)), "更改\tapp.pbl");
    EXPECT_EQ(lines[1].substr(0, lines[1].find('\t', 8)), "增加\tutil.pbl");

    run = RunCliArgs(Dir,
                     {"compare", "--all-objects", Dir / "old/app.pbw", "--", Dir / "new/app.pbw"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_EQ(run.Err, "");
    lines.clear();
    SplitLines(run.Out, lines);
    ASSERT_EQ(lines.size(), 3u) << run.Out;
    EXPECT_TRUE(lines[0].starts_with("移动\tf\tf_util\tapp.pbl\t")) << lines[0];
    EXPECT_NE(lines[0].find("\tutil.pbl\t"), std::string::npos) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("相同\tu\tn_base\tapp.pbl\t")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("更改\tw\tw_main\tapp.pbl\t")) << lines[2];
}

// The library walk lists only the pairs it compares; a damaged library on one side alone is
// listed first by the all-objects list, which must tell it as the other listings do.
TEST_F(AllObjectsTest, CliTellsTheDamageOfALibraryTheWalkNeverListed) {
    PblWriter writer(PblForm::Unicode);
    writer.Add(Obj("w_a.srw", "a\r\n")).Add(Obj("w_b.srw", "b\r\n"));
    PblImage lib = writer.Build();
    lib.SetDataOffset(1, lib.Layout.Blocks[0][0]);
    std::filesystem::create_directories(Dir / "one");
    lib.WriteFile(Dir / "one/damaged.pbl");
    WriteLib(Dir / "two/other.pbl", {Obj("w_a.srw", "a\r\n")});
    const TCliRun run = RunCliArgs(
        Dir, {"compare", "--all-objects", Dir / "one/damaged.pbl", "--", Dir / "two/other.pbl"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Out.find("移动\tw\tw_a\tdamaged.pbl\t"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Err.rfind(Dir / "one/damaged.pbl" + ": damaged at offset ", 0), 0u) << run.Err;
}

TEST_F(AllObjectsTest, CliListsAllObjectsAndTellsAMoveAsADifference) {
    WriteLib(Dir / "one/a.pbl", {Obj("w_x.srw", "x\r\n")});
    WriteLib(Dir / "two/b.pbl", {Obj("w_x.srw", "x\r\n")});
    WriteLib(Dir / "two/a.pbl", {});
    WriteText(Dir / "one.pbt", "LibList \"one\\\\a.pbl\";\r\n");
    TCliRun run = RunCliArgs(Dir, {"compare", "--all-objects", Dir / "one.pbt", "--",
                                   Dir / "two/a.pbl", Dir / "two/b.pbl"});
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_EQ(run.Out, "移动\tw\tw_x\ta.pbl\t2023-11-14 22:13:20\t3\tb.pbl\t2023-11-14 "
                       "22:13:20\t3\t\n");
    WriteLib(Dir / "two/b.pbl", {Obj("w_x.srw", "y\r\n", kStamp + 1)});
    run = RunCliArgs(Dir, {"compare", "--all-objects", Dir / "one.pbt", "--", Dir / "two/b.pbl"});
    EXPECT_EQ(run.Out.substr(0, run.Out.find('\t')), "移动+更改");
    run = RunCliArgs(Dir, {"compare", "--all-objects", Dir / "one/a.pbl", "--", Dir / "one/a.pbl"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    run = RunCliArgs(Dir, {"compare", "--all-objects", "--objects", Dir / "one/a.pbl", "--"});
    EXPECT_EQ(run.Status, 2);
}

} // namespace
} // namespace tandrel::test
