// Objects paired across the libraries of whole sides: moves, moves with a change, names held
// by several libraries of one side, and the command line's listing of them.

#include "AllObjects.h"
#include "CompareTestUtil.h"

namespace tandrel::test {
namespace {

PblObject Obj(const std::string& name, const std::string& source, int32_t stamp = kStamp) {
    return PblObject{name, source, "", stamp};
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
