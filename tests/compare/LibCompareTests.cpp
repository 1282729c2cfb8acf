// The library lists and the object view of the comparison model, on library files written
// for each test.

#include "CompareTestUtil.h"

#include <filesystem>

namespace tandrel::test {
namespace {

PblObject Obj(const std::string& name, const std::string& source, int32_t stamp = kStamp) {
    return PblObject{name, source, "", stamp};
}

class LibCompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        Model.OnNotice = [this](const std::string& text, const std::string& caption) {
            Notices.push_back(caption + ": " + text);
        };
        Model.OnProgress = [this](TProgressKind kind, int position, int maximum,
                                  const std::string& text) {
            switch (kind) {
            case TProgressKind::Start:
                Progress.push_back("start " + std::to_string(maximum));
                break;
            case TProgressKind::Step:
                Progress.push_back(std::to_string(position) + " " + text);
                break;
            case TProgressKind::Finish:
                Progress.push_back("finish");
                break;
            }
        };
    }

    void Add(const std::vector<std::string>& paths, int side, TCompareOptions options = {}) {
        Model.AddLibraries(paths, side, options);
    }

    // "status name size1 size2" per library row; times are checked apart.
    std::string LibRows() const { return LibRowsText(Model); }

    std::string ObjRows() const { return ObjRowsText(Model); }

    TTempDir Dir;
    TLibCompare Model{Dir / "exe"};
    std::vector<std::string> Notices;
    std::vector<std::string> Progress;
};

const std::string Src = "forward\r\nend forward\r\n";

std::string Size(const std::string& path) {
    return std::to_string(std::filesystem::file_size(path));
}

TEST_F(LibCompareTest, LibrariesOnOneSideOnlyAreDeletedWithEmptyCellsOpposite) {
    WriteLib(Dir / "d1/b.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d1/a.pbl", {});
    Add({Dir / "d1/b.pbl", Dir / "d1/a.pbl"}, 1);
    EXPECT_EQ(LibRows(),
              "2 a.pbl " + Size(Dir / "d1/a.pbl") + " \n2 b.pbl " + Size(Dir / "d1/b.pbl") + " \n");
    TResultRow row;
    ASSERT_TRUE(Model.LibRow(0, row));
    EXPECT_EQ(row.Time1.size(), 19u);
    EXPECT_EQ(row.Time2, "");
    EXPECT_EQ(row.Path2, "") << "a placeholder has no file";
    EXPECT_EQ(CountsText(Model.LibCounts()), "2/0 +0 -2 ~0");
    EXPECT_EQ(Progress, (std::vector<std::string>{"start 2", "finish"}));
    EXPECT_EQ(Model.RememberedFolder(1), Dir / "d1/");
    EXPECT_TRUE(Notices.empty());
}

TEST_F(LibCompareTest, NamesPairAcrossFoldersWithoutRegardToCase) {
    WriteLib(Dir / "d1/App.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d2/app.pbl", {Obj("w_a.srw", Src)});
    Add({Dir / "d1/App.pbl"}, 1);
    Add({Dir / "d2/app.pbl"}, 2);
    const std::string size = Size(Dir / "d1/App.pbl");
    EXPECT_EQ(LibRows(), "0 App.pbl " + size + " " + size + "\n");
    TResultRow row;
    ASSERT_TRUE(Model.LibRow(0, row));
    EXPECT_EQ(row.Path1, Dir / "d1/App.pbl");
    EXPECT_EQ(row.Path2, Dir / "d2/app.pbl");
}

TEST_F(LibCompareTest, DuplicatesAreDroppedSilentlyOnSideOneAndWithANoticeOnSideTwo) {
    WriteLib(Dir / "d1/a.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d2/a.pbl", {Obj("w_b.srw", Src)}, PblForm::Ansi, kFileTime + 2);
    const std::string size = Size(Dir / "d1/a.pbl");
    Add({Dir / "d1/a.pbl", Dir / "d2/a.pbl"}, 1);
    ASSERT_EQ(Model.Libs1().size(), 1u);
    EXPECT_EQ(Model.Libs1()[0].Object->FileName, Dir / "d1/a.pbl") << "the first in list order";
    Add({Dir / "d2/a.pbl"}, 1);
    EXPECT_EQ(Model.Libs1()[0].Object->FileName, Dir / "d1/a.pbl");
    EXPECT_TRUE(Notices.empty());

    Add({Dir / "d2/a.pbl"}, 2);
    EXPECT_EQ(LibRows(), "3 a.pbl " + size + " " + size + "\n");
    Add({Dir / "d1/a.pbl"}, 2);
    EXPECT_EQ(Notices, std::vector<std::string>{"information: a.pbl already in Destination"});
    EXPECT_EQ(Model.Libs2()[0].Object->FileName, Dir / "d2/a.pbl");
    EXPECT_EQ(LibRows(), "3 a.pbl " + size + " " + size + "\n");
    EXPECT_EQ(CountsText(Model.LibCounts()), "1/1 +0 -0 ~1");
}

TEST_F(LibCompareTest, EqualSizeAndTimeWithDifferentBytesAreChangedAsAreDifferentTimes) {
    WriteLib(Dir / "d1/a.pbl", {Obj("w_a.srw", "x = 1\r\n")});
    WriteLib(Dir / "d2/a.pbl", {Obj("w_a.srw", "y = 2\r\n", kStamp + 1)});
    const std::string size = Size(Dir / "d1/a.pbl");
    Add({Dir / "d1/a.pbl"}, 1);
    Add({Dir / "d2/a.pbl"}, 2);
    EXPECT_EQ(LibRows(), "3 a.pbl " + size + " " + size + "\n");

    SetFileTime(Dir / "d2/a.pbl", kFileTime + 60);
    Model.ClearSide(2, {});
    Add({Dir / "d2/a.pbl"}, 2);
    EXPECT_EQ(LibRows(), "3 a.pbl " + size + " " + size + "\n");
    TResultRow row;
    ASSERT_TRUE(Model.LibRow(0, row));
    EXPECT_LT(row.Time1, row.Time2) << "the text order is the order in time";
}

TEST_F(LibCompareTest, LibrariesOfDifferentSizeWhoseObjectsAllMatchAreTheSame) {
    WriteLib(Dir / "d1/a.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d2/a.pbl", {Obj("w_a.srw", Src + "\r\n", kStamp + 3)}, PblForm::Unicode);
    Add({Dir / "d1/a.pbl"}, 1);
    Add({Dir / "d2/a.pbl"}, 2);
    const std::string size1 = Size(Dir / "d1/a.pbl"), size2 = Size(Dir / "d2/a.pbl");
    ASSERT_NE(size1, size2);
    EXPECT_EQ(LibRows(), "0 a.pbl " + size1 + " " + size2 + "\n") << "each side shows its own size";
    Model.ClearSide(1, {});
    EXPECT_EQ(LibRows(), "1 a.pbl  " + size2 + "\n");
    EXPECT_EQ(CountsText(Model.LibCounts()), "0/1 +1 -0 ~0");
    EXPECT_EQ(Model.Libs1().size(), 1u) << "a placeholder opposite";
}

TEST_F(LibCompareTest, AnAmplifyingWorkspaceStopsTheOpenCommandAndChangesNothing) {
    WriteLib(Dir / "p/a.pbl", {});
    std::string names;
    for (int i = 0; i < 1000; ++i)
        names += "a.pbl;";
    WriteText(Dir / "p/t.pbt", "LibList \"" + names + "\";\r\n");
    const auto workspaceNaming = [&](int times) {
        std::string text = "@begin Targets\r\n";
        for (int i = 0; i < times; ++i)
            text += " \"t.pbt\";\r\n";
        WriteText(Dir / "p/w.pbw", text + "@end;\r\n");
    };
    workspaceNaming(101);
    Model.SetFilterKind(fkWorkspace);
    try {
        Add({Dir / "p/w.pbw"}, 1);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Too many libraries at \"" + Dir / "p/t.pbt" +
                                             "\": one command takes at most 100000");
    }
    EXPECT_EQ(LibRows(), "");
    EXPECT_EQ(Notices, std::vector<std::string>{});

    // 100,000 names are within the bounds, and each open command has bounds of its own.
    workspaceNaming(100);
    Add({Dir / "p/w.pbw"}, 1);
    Add({Dir / "p/w.pbw"}, 1);
    EXPECT_EQ(LibRows(), "2 a.pbl " + Size(Dir / "p/a.pbl") + " \n");
}

TEST_F(LibCompareTest, MissingLibrariesOfATargetAreReportedAndTheOthersAdded) {
    WriteLib(Dir / "p/a.pbl", {});
    // The final ";" gives an empty item, which names no library and is no missing one.
    WriteText(Dir / "p/t.pbt",
              "save format v10.5(19990112)\r\nLibList \"a.pbl;missing.pbl;\";\r\n");
    Model.SetFilterKind(fkTarget);
    Add({Dir / "p/t.pbt", Dir / "ignored.pbt"}, 1);
    EXPECT_EQ(Notices, (std::vector<std::string>{"information: " + Dir.Path() +
                                                 "p/missing.pbl does not exist"}));
    const std::string row = "2 a.pbl " + Size(Dir / "p/a.pbl") + " \n";
    EXPECT_EQ(LibRows(), row);
    EXPECT_EQ(Model.RememberedFolder(1), Dir / "p/");

    Notices.clear();
    WriteText(Dir / "w/ws.pbw",
              "@begin Targets\r\n 0 \"../p/t.pbt\";\r\n 1 \"gone.pbt\";\r\n@end;\r\n");
    Model.SetFilterKind(fkWorkspace);
    EXPECT_THROW(Add({Dir / "w/ws.pbw"}, 2), std::runtime_error) << "an unreadable target";
    EXPECT_EQ(LibRows(), row) << "nothing changed";
    EXPECT_THROW(Model.SetFilterKind(4), std::invalid_argument);
}

TEST_F(LibCompareTest, ProgressReportsEveryStepOfTheFirstPhase) {
    for (const char* name : {"d1/a.pbl", "d1/c.pbl", "d2/b.pbl"})
        WriteLib(Dir / name, {});
    Add({Dir / "d1/a.pbl", Dir / "d1/c.pbl"}, 1);
    Progress.clear();
    Add({Dir / "d2/b.pbl"}, 2);
    // a|_ then _|b: the walk has inserted one placeholder into each side by step 2.
    EXPECT_EQ(Progress, (std::vector<std::string>{"start 2", "1 Approx. 50% complete",
                                                  "2 Approx. 100% complete", "finish"}));
    const std::string size = Size(Dir / "d1/a.pbl");
    EXPECT_EQ(LibRows(), "2 a.pbl " + size + " \n1 b.pbl  " + size + "\n2 c.pbl " + size + " \n");
}

TEST_F(LibCompareTest, ALibraryThatCannotBeOpenedStopsTheWalkWithoutBreakingTheLists) {
    WriteLib(Dir / "d1/a.pbl", {});
    WriteLib(Dir / "d1/b.pbl", {});
    WriteLib(Dir / "d2/a.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d2/b.pbl", {Obj("w_a.srw", Src)});
    const std::string size = Size(Dir / "d2/a.pbl");
    Add({Dir / "d1/a.pbl", Dir / "d1/b.pbl"}, 1);
    std::filesystem::remove(Dir / "d1/a.pbl");
    Progress.clear();
    try {
        Add({Dir / "d2/a.pbl", Dir / "d2/b.pbl"}, 2);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Progress.back(), "finish");
    TResultRow row;
    for (int i = -1; i < 4; ++i) {
        if (i < 0 || i >= Model.LibPairCount()) {
            EXPECT_FALSE(Model.LibRow(i, row));
        }
    }
    EXPECT_FALSE(Model.OpenLibPair(Model.LibPairCount(), {}));

    Model.ClearSide(1, {});
    EXPECT_EQ(LibRows(), "1 a.pbl  " + size + "\n1 b.pbl  " + size + "\n");
}

TEST_F(LibCompareTest, TheObjectViewListsThePairGroupedByTypeLetter) {
    WriteLib(Dir / "d1/x.pbl",
             {Obj("w_b.srw", Src), Obj("d_a.srd", Src), Obj("u_c.sru", Src), Obj("f_z.srf", Src)});
    WriteLib(Dir / "d2/x.pbl", {Obj("w_b.srw", Src + "x\r\n", kStamp + 1), Obj("d_a.srd", Src),
                                Obj("f_y.srf", Src), Obj("W_A.srw", Src)});
    Add({Dir / "d1/x.pbl"}, 1);
    Add({Dir / "d2/x.pbl"}, 2);
    ASSERT_TRUE(Model.OpenLibPair(0, {}));
    EXPECT_EQ(Model.LibPath1(), Dir / "d1/x.pbl");
    EXPECT_EQ(Model.LibPath2(), Dir / "d2/x.pbl");
    EXPECT_EQ(ObjRows(), "0 d d_a\n1 f f_y\n2 f f_z\n2 u u_c\n1 w W_A\n3 w w_b\n");
    EXPECT_EQ(CountsText(Model.ObjCounts()), "4/4 +2 -2 ~1");

    // Object rows of the view order index the paired lists; a missing half has no source.
    std::vector<std::string> lines;
    const int added = Model.ObjViewOrder()[1];
    ASSERT_TRUE(Model.ObjSource(added, 1, lines));
    EXPECT_TRUE(lines.empty());
    ASSERT_TRUE(Model.ObjSource(added, 2, lines));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"$PBExportHeader$f_y.srf", "forward", "end forward"}));
    EXPECT_FALSE(Model.ObjSource(Model.ObjPairCount(), 1, lines));
    EXPECT_FALSE(Model.ObjSource(0, 3, lines));
    TResultRow row;
    EXPECT_FALSE(Model.ObjRow(-1, row));
    EXPECT_FALSE(Model.OpenLibPair(-1, {}));
}

TEST_F(LibCompareTest, OpeningAPairAfterItsFileChangedListsTheFileAsItIsNow) {
    WriteLib(Dir / "d1/x.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d2/x.pbl", {Obj("w_a.srw", Src + "x\r\n", kStamp + 1)});
    Add({Dir / "d1/x.pbl"}, 1);
    Add({Dir / "d2/x.pbl"}, 2);
    // The walk listed both files; one is written again before its pair is opened.
    WriteLib(Dir / "d2/x.pbl", {Obj("w_a.srw", Src + "x\r\n", kStamp + 1), Obj("w_b.srw", Src)},
             PblForm::Ansi, kFileTime + 10);
    ASSERT_TRUE(Model.OpenLibPair(0, {}));
    EXPECT_EQ(ObjRows(), "3 w w_a\n1 w w_b\n");
    std::vector<std::string> lines;
    ASSERT_TRUE(Model.ObjSource(0, 2, lines));
    EXPECT_EQ(lines.back(), "x");
    // Opened again, the pair is listed afresh.
    ASSERT_TRUE(Model.OpenLibPair(0, {}));
    EXPECT_EQ(ObjRows(), "3 w w_a\n1 w w_b\n");
}

TEST_F(LibCompareTest, NoObjectIsReadFromALibraryThatChangedOnDiskSinceItWasListed) {
    WriteLib(Dir / "d1/x.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d2/x.pbl", {Obj("w_a.srw", Src + "x\r\n", kStamp + 1)});
    Add({Dir / "d1/x.pbl"}, 1);
    Add({Dir / "d2/x.pbl"}, 2);
    ASSERT_TRUE(Model.OpenLibPair(0, {}));
    std::vector<std::string> lines;
    ASSERT_TRUE(Model.ObjSource(0, 1, lines));
    EXPECT_NO_THROW(Model.CheckLibPairOnDisk());

    // Only its time changed: the listing may no longer fit the bytes.
    SetFileTime(Dir / "d2/x.pbl", kFileTime + 10);
    lines.clear();
    EXPECT_THROW(Model.ObjSource(0, 2, lines), TLibraryChanged);
    EXPECT_TRUE(lines.empty());
    ASSERT_TRUE(Model.ObjSource(0, 1, lines)) << "the other side is as it was";
    EXPECT_THROW(Model.CheckLibPairOnDisk(), TLibraryChanged);

    // Written anew with another object; listed again, the pair shows the file as it is now.
    WriteLib(Dir / "d2/x.pbl", {Obj("w_b.srw", Src)}, PblForm::Ansi, kFileTime + 20);
    Model.ReloadLibPair({});
    EXPECT_NO_THROW(Model.CheckLibPairOnDisk());
    EXPECT_EQ(ObjRows(), "2 w w_a\n1 w w_b\n");
    EXPECT_EQ(CountsText(Model.ObjCounts()), "1/1 +1 -1 ~0");
    lines.clear();
    ASSERT_TRUE(Model.ObjSource(1, 2, lines));
    EXPECT_EQ(lines.front(), "$PBExportHeader$w_b.srw");

    // Gone altogether: changed too, and listing it again fails without touching the pair.
    std::filesystem::remove(Dir / "d1/x.pbl");
    EXPECT_THROW(Model.ObjSource(0, 1, lines), TLibraryChanged);
    EXPECT_THROW(Model.ReloadLibPair({}), std::runtime_error);
    EXPECT_EQ(ObjRows(), "2 w w_a\n1 w w_b\n");
}

TEST_F(LibCompareTest, ALibraryPairThatCannotBeLoadedLeavesTheCurrentPairAsItWas) {
    WriteLib(Dir / "d1/x.pbl", {Obj("w_a.srw", Src)});
    Add({Dir / "d1/x.pbl"}, 1);
    ASSERT_TRUE(Model.OpenLibPair(0, {}));
    EXPECT_EQ(Model.LibPath2(), "");
    EXPECT_EQ(Model.LibStream2(), nullptr);
    const std::string before = Describe(Model.Objs1()) + "|" + Describe(Model.Objs2());
    EXPECT_EQ(before, "ww_a:2|_:2");

    TFolderRec gone;
    gone.FileName = Dir / "d2/gone.pbl";
    EXPECT_THROW(Model.LoadLibPair(Model.Libs1()[0].Object.get(), &gone), std::runtime_error);
    EXPECT_EQ(Describe(Model.Objs1()) + "|" + Describe(Model.Objs2()), before);
    EXPECT_EQ(Model.LibPath1(), Dir / "d1/x.pbl");
    ASSERT_NE(Model.LibStream1(), nullptr);
}

TEST_F(LibCompareTest, OpenSingleLibPairsAndKeepsTheHistoryMostRecentFirst) {
    WriteLib(Dir / "d1/a.pbl", {Obj("w_a.srw", Src)});
    WriteLib(Dir / "d1/\xE4\xB8\xAD.pbl", {Obj("w_a.srw", Src + "y\r\n", kStamp + 1)});
    WriteLib(Dir / "d2/b.pbl", {Obj("w_a.srw", Src + "z\r\n", kStamp + 2)});
    Model.OpenSingleLib(Dir / "d1/a.pbl", 1, {});
    Model.OpenSingleLib(Dir / "d2/b.pbl", 2, {});
    EXPECT_EQ(ObjRows(), "3 w w_a\n");
    Model.OpenSingleLib(Dir / "d1/\xE4\xB8\xAD.pbl", 1, {});
    EXPECT_EQ(Model.History(1),
              (std::vector<std::string>{Dir / "d1/\xE4\xB8\xAD.pbl", Dir / "d1/a.pbl"}));
    // The file holds the paths' own bytes, so that they open again after a restart.
    const std::string expected = Dir / "d1/\xE4\xB8\xAD.pbl\r\n" + Dir / "d1/a.pbl\r\n";
    EXPECT_EQ(ReadText(Dir / "exe/File1.lst"), expected);

    Model.OpenSingleLib(Dir / "d1/\xE4\xB8\xAD.pbl", 1, {});
    EXPECT_EQ(ReadText(Dir / "exe/File1.lst"), expected) << "the head stays where it is";
    Model.OpenSingleLib(Dir / "d1/a.pbl", 1, {});
    EXPECT_EQ(ReadText(Dir / "exe/File1.lst"),
              Dir / "d1/a.pbl\r\n" + Dir / "d1/\xE4\xB8\xAD.pbl\r\n");
    EXPECT_EQ(ObjRows(), "3 w w_a\n");
    EXPECT_EQ(Model.LibPath1(), Dir / "d1/a.pbl");
    EXPECT_EQ(ReadText(Dir / "exe/File2.lst"), Dir / "d2/b.pbl\r\n");

    TLibCompare again(Dir / "exe/");
    again.LoadHistory();
    EXPECT_EQ(again.History(1), Model.History(1));
    EXPECT_EQ(again.History(2), std::vector<std::string>{Dir / "d2/b.pbl"});
}

TEST_F(LibCompareTest, AHistoryFileThatIsEmptyOrMissingIsAnEmptyHistory) {
    WriteText(Dir / "exe/File1.lst", "");
    Model.LoadHistory();
    EXPECT_TRUE(Model.History(1).empty());
    EXPECT_TRUE(Model.History(2).empty());
    EXPECT_THROW(Model.History(0), std::invalid_argument);
}

TEST_F(LibCompareTest, OpeningAMissingSingleLibraryChangesNothing) {
    WriteLib(Dir / "d1/a.pbl", {Obj("w_a.srw", Src)});
    Model.OpenSingleLib(Dir / "d1/a.pbl", 1, {});
    EXPECT_THROW(Model.OpenSingleLib(Dir / "d1/none.pbl", 1, {}), std::runtime_error);
    EXPECT_EQ(Model.LibPath1(), Dir / "d1/a.pbl");
    EXPECT_EQ(Describe(Model.Objs1()), "ww_a:2");
    EXPECT_EQ(Model.History(1), std::vector<std::string>{Dir / "d1/a.pbl"});
}

TEST_F(LibCompareTest, PairingAheadGivesTheRowsOfPairingOnOpening) {
    WriteLib(Dir / "d1/a.pbl", {Obj("w_a.srw", Src), Obj("w_b.srw", Src), Obj("w_c.srw", "A\r\n"),
                                Obj("w_d.srw", Src)});
    WriteLib(Dir / "d2/a.pbl",
             {Obj("w_a.srw", Src, kStamp + 1), Obj("w_b.srw", Src + "x\r\n", kStamp + 1),
              Obj("w_c.srw", "a\r\n", kStamp + 1), Obj("w_e.srw", Src)},
             PblForm::Unicode, kFileTime + 2);
    WriteLib(Dir / "d1/z.pbl", {Obj("w_z.srw", Src)});
    WriteLib(Dir / "d2/z.pbl", {Obj("w_z.srw", Src, kStamp + 1)}, PblForm::Ansi, kFileTime + 2);
    const auto rows = [&](bool ahead, TCompareOptions walk, TCompareOptions open) {
        TLibCompare model{Dir / "exe"};
        model.SetPairAhead(ahead);
        model.AddLibraries({Dir / "d1/a.pbl", Dir / "d1/z.pbl"}, 1, walk);
        model.AddLibraries({Dir / "d2/a.pbl", Dir / "d2/z.pbl"}, 2, walk);
        std::string text = LibRowsText(model);
        for (int i = 0; i < model.LibPairCount(); ++i) {
            model.OpenLibPair(i, open);
            text += ObjRowsText(model) + CountsText(model.ObjCounts()) + "\n";
        }
        return text;
    };
    const TCompareOptions exact{};
    const TCompareOptions folded{true, false};
    const std::string plain = rows(false, exact, exact);
    EXPECT_NE(plain.find("3 a.pbl"), std::string::npos) << plain;
    EXPECT_EQ(rows(true, exact, exact), plain);
    // A pairing made under other options is not taken.
    EXPECT_EQ(rows(true, exact, folded), rows(false, exact, folded));
    EXPECT_EQ(rows(true, folded, folded), rows(false, folded, folded));
}

TEST_F(LibCompareTest, NoChangeOfTheListsWhileAWalkRuns) {
    // The code lines agree and the blank lines do not, so the engine has to search.
    std::string s1, s2;
    for (int i = 0; i < 200; ++i) {
        s1 += "line " + std::to_string(i) + (i % 2 == 0 ? "\r\n\r\n" : "\r\n");
        s2 += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n \r\n" : "\r\n");
    }
    WriteLib(Dir / "d1/a.pbl", {Obj("w_a.srw", s1)});
    WriteLib(Dir / "d2/a.pbl", {Obj("w_a.srw", s2, kStamp + 1)}, PblForm::Ansi, kFileTime + 2);
    WriteLib(Dir / "d2/z.pbl", {});
    Add({Dir / "d1/a.pbl"}, 1);
    int refused = 0;
    Model.SetProcessEvents([&] {
        EXPECT_TRUE(Model.Busy());
        try {
            Model.AddLibraries({Dir / "d2/z.pbl"}, 2, {});
        } catch (const std::runtime_error&) {
            ++refused;
        }
        EXPECT_THROW(Model.ClearSide(1, {}), std::runtime_error);
        EXPECT_THROW(Model.OpenLibPair(0, {}), std::runtime_error);
    });
    Add({Dir / "d2/a.pbl"}, 2);
    EXPECT_GT(refused, 0);
    EXPECT_FALSE(Model.Busy());
    EXPECT_EQ(LibRows().substr(0, 8), "3 a.pbl ");
}

} // namespace
} // namespace tandrel::test
