// The source comparison over two editor models, without a window: loading, comparing and
// the aligned rows, stepping between blocks, block copy, find and replace, saving a pane in
// its encoding, the re-activation check, cancelling and the report from the panes.

#include "DiffReport.h"
#include "PaneRows.h"
#include "SourceCompare.h"
#include "TestFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tandrel {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr TRowColors Colors{0, 0x00F0CCA8, 0x006FFB8A, 0x00BB77FF};

class SourceCompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = test::TestFolderPath("tandrel-srccmp");
        fs::create_directories(FDir);
        FLeft.SetClipboard(&FClipboard);
        FRight.SetClipboard(&FClipboard);
        FModel.OnReadOptions = [this] { return FOptions; };
        FModel.OnReadColors = [] { return Colors; };
        FModel.OnConfirmDiscard = [this] {
            ++FQuestions;
            return FAnswerYes;
        };
    }
    void TearDown() override { fs::remove_all(FDir); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = FDir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    void Sources(const Lines& text1, const Lines& text2) {
        FModel.LoadSource("a@lib1.pbl", text1, true);
        FModel.LoadSource("a@lib2.pbl", text2, false);
        ASSERT_EQ(FModel.Compare(), TCompareResult::Compared);
    }
    void Files(const std::string& text1, const std::string& text2) {
        ASSERT_TRUE(FModel.LoadFile(Write("1.txt", text1), true));
        ASSERT_TRUE(FModel.LoadFile(Write("2.txt", text2), false));
        ASSERT_EQ(FModel.Compare(), TCompareResult::Compared);
    }
    static Lines Texts(const TEditorCore& pane) {
        Lines texts;
        for (std::int32_t i = 0; i < pane.Lines().Count(); ++i)
            texts.push_back(pane.Lines()[i]);
        return texts;
    }
    static std::vector<int> Tags(const TEditorCore& pane) {
        std::vector<int> tags;
        for (const TDiffRow& row : RowsOfPane(pane.Lines()))
            tags.push_back(row.Tag);
        return tags;
    }
    static std::vector<int> Kinds(const TEditorCore& pane) {
        std::vector<int> kinds;
        for (const TDiffRow& row : RowsOfPane(pane.Lines()))
            kinds.push_back(row.Kind);
        return kinds;
    }
    static std::vector<TColor> RowColors(const TEditorCore& pane) {
        std::vector<TColor> colors;
        for (const TDiffRow& row : RowsOfPane(pane.Lines()))
            colors.push_back(row.Color);
        return colors;
    }
    void Find(const std::string& text, bool wholeWords = false) {
        FModel.FindInfo().FindText = text;
        FModel.FindInfo().WholeWords = wholeWords;
        FModel.ApplyFindInfo();
    }

    fs::path FDir;
    TMemoryClipboard FClipboard;
    TEditorCore FLeft;
    TEditorCore FRight;
    TSourceCompare FModel{FLeft, FRight};
    TCompareOptions FOptions;
    bool FAnswerYes = true;
    int FQuestions = 0;
};

constexpr TColor U = TSourceCompare::UnchangedColor;
constexpr TColor A = Colors.Added;
constexpr TColor M = Colors.Modified;
constexpr TColor D = Colors.Deleted;

TEST_F(SourceCompareTest, IdenticalTextsShowEveryLineOnceOrNothing) {
    Sources({"one", "two"}, {"one", "two"});
    EXPECT_EQ(Texts(FLeft), (Lines{"one", "two"}));
    EXPECT_EQ(Tags(FRight), (std::vector<int>{1, 2}));
    EXPECT_EQ(RowColors(FLeft), (std::vector<TColor>{U, U}));
    EXPECT_EQ(FModel.Counts().Added + FModel.Counts().Deleted + FModel.Counts().Changed, 0);
    EXPECT_FALSE(FLeft.AutoLineNum());
    FOptions.ShowDiffsOnly = true;
    FModel.BuildDisplay();
    EXPECT_EQ(FLeft.Lines().Count(), 0);
    EXPECT_EQ(FRight.Lines().Count(), 0);
}

TEST_F(SourceCompareTest, RowsOfEachBlockKind) {
    Sources({}, {"a", "b", "c"});
    EXPECT_EQ(Texts(FLeft), (Lines{"", "", ""}));
    EXPECT_EQ(Kinds(FLeft), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(Tags(FRight), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(FModel.Counts().Added, 3);

    Sources({"one", "two", "three"}, {"one", "six", "three"});
    EXPECT_EQ(RowColors(FLeft), (std::vector<TColor>{U, M, U}));
    EXPECT_EQ(Texts(FRight)[1], "six");
    EXPECT_EQ(Tags(FRight)[1], 2);
    EXPECT_EQ(Kinds(FLeft)[1], 3);

    Sources({"one", "two", "three"}, {"one", "three"});
    EXPECT_EQ(Texts(FRight), (Lines{"one", "", "three"}));
    EXPECT_EQ(Tags(FRight), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(RowColors(FRight), (std::vector<TColor>{U, D, U}));
    EXPECT_EQ(Tags(FLeft), (std::vector<int>{1, 2, 3}));

    // Two lines replaced by three: two modified rows, then a filler against the third.
    Sources({"x", "a", "b", "y"}, {"x", "c", "d", "e", "y"});
    EXPECT_EQ(RowColors(FLeft), (std::vector<TColor>{U, M, M, A, U}));
    EXPECT_EQ(Kinds(FLeft), (std::vector<int>{0, 3, 3, 1, 0}));
    EXPECT_EQ(FModel.Counts().Changed, 2);
    EXPECT_EQ(FModel.Counts().Added, 1);
    EXPECT_EQ(FLeft.GutterWidth(), 2 * FLeft.CharWidth() + 10);
    EXPECT_EQ(FRight.GutterWidth(), 2 * FRight.CharWidth());
}

TEST_F(SourceCompareTest, OptionsShapeTheComparisonAndTheNote) {
    FOptions.IgnoreCase = true;
    Sources({"Foo", "x"}, {"FOO", "y"});
    EXPECT_EQ(RowColors(FLeft), (std::vector<TColor>{U, M}));
    EXPECT_EQ(Texts(FRight)[0], "FOO");
    EXPECT_EQ(FModel.OptionsNote(), "  (Case Ignored)");
    FOptions.IgnoreBlanks = true;
    Sources({"a b"}, {"ab"});
    EXPECT_EQ(FModel.OptionsNote(), "  (Case Ignored, Blanks Ignored)");
    FOptions = {};
    Sources({"a", "x", "b", "c", "y", "d"}, {"a", "b", "c", "d"});
    FOptions.ShowDiffsOnly = true;
    FModel.BuildDisplay();
    EXPECT_EQ(Texts(FLeft), (Lines{"x", "y"}));
    EXPECT_EQ(Tags(FLeft), (std::vector<int>{2, 5}));
    EXPECT_EQ(FModel.OptionsNote(), "");
}

TEST_F(SourceCompareTest, EditedPanesAskBeforeTheyAreDiscarded) {
    Sources({"a", "b"}, {"a", "c"});
    EXPECT_EQ(FQuestions, 0);
    FModel.LoadFile(Write("f", "a\r\nb\r\n"), false);
    EXPECT_FALSE(FRight.ReadOnly()) << "a file loaded where an object was is editable";
    FRight.GotoPoint({0, 1});
    FRight.InsertText("zz");
    FAnswerYes = false;
    EXPECT_EQ(FModel.Compare(), TCompareResult::Declined);
    EXPECT_EQ(FQuestions, 1);
    EXPECT_EQ(Texts(FRight), (Lines{"a", "zzb"}));
    FAnswerYes = true;
    EXPECT_EQ(FModel.Compare(), TCompareResult::Compared);
    EXPECT_EQ(Texts(FRight), (Lines{"a", "b"}));
    EXPECT_FALSE(FRight.Lines().Modified());
}

TEST_F(SourceCompareTest, NextAndPrevStopAtTheEnds) {
    // Blocks at rows 1, 3-4 (modified then added: two stops) and 6.
    Sources({"a", "x", "b", "m", "c", "y", "d"}, {"a", "b", "n", "o", "c", "d"});
    ASSERT_EQ(RowColors(FLeft), (std::vector<TColor>{U, D, U, M, A, U, D, U}));
    std::vector<int> stops;
    while (FModel.NextDiff(FLeft))
        stops.push_back(FLeft.CaretPt().Y);
    EXPECT_EQ(stops, (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(FLeft.CaretPt().Y, 6) << "the caret stays at the last block";
    stops.clear();
    while (FModel.PrevDiff(FLeft))
        stops.push_back(FLeft.CaretPt().Y);
    EXPECT_EQ(stops, (std::vector<int>{4, 3, 1}));
    EXPECT_EQ(FLeft.CaretPt().Y, 1);
    // Kinds given one colour are one stop.
    FModel.OnReadColors = [] { return TRowColors{0, 7, 7, 9}; };
    FModel.BuildDisplay();
    FLeft.GotoPoint({0, 1});
    ASSERT_TRUE(FModel.NextDiff(FLeft));
    EXPECT_EQ(FLeft.CaretPt().Y, 3);
    ASSERT_TRUE(FModel.NextDiff(FLeft));
    EXPECT_EQ(FLeft.CaretPt().Y, 6);
}

TEST_F(SourceCompareTest, CopyBlocksBothWays) {
    Sources({"a", "old1", "old2", "b", "c"}, {"a", "b", "new", "c"});
    ASSERT_EQ(RowColors(FLeft), (std::vector<TColor>{U, D, D, U, A, U}));
    FRight.SetReadOnly(false);
    FLeft.GotoPoint({0, 2});
    EXPECT_FALSE(FModel.CopyBlockRight(&FRight)) << "only from the active pane";
    EXPECT_TRUE(FModel.IsOnDifference(FLeft));
    ASSERT_TRUE(FModel.CopyBlockRight(&FLeft));
    EXPECT_EQ(Texts(FRight), (Lines{"a", "old1", "old2", "b", "new", "c"}));
    EXPECT_TRUE(FRight.Lines().Modified());
    // An added block copied right empties side 2's lines and keeps the rows.
    FLeft.GotoPoint({0, 4});
    ASSERT_TRUE(FModel.CopyBlockRight(&FLeft));
    EXPECT_EQ(Texts(FRight), (Lines{"a", "old1", "old2", "b", "", "c"}));
    // The rows pasted into side 2 are no difference rows: copying left does nothing.
    FRight.GotoPoint({0, 1});
    EXPECT_FALSE(FModel.CopyBlockLeft(&FRight));
    FLeft.GotoPoint({0, 0});
    EXPECT_FALSE(FModel.CopyBlockRight(&FLeft)) << "not a difference row";
}

TEST_F(SourceCompareTest, BlocksCopiedUnderDifferencesOnlySaveBetweenTheHiddenLines) {
    Files("a\r\nold1\r\nold2\r\nb\r\nc\r\nx\r\nd\r\n", "a\r\nnew1\r\nb\r\nc\r\ny\r\nd\r\n");
    FOptions.ShowDiffsOnly = true;
    FModel.BuildDisplay();
    ASSERT_EQ(Texts(FLeft), (Lines{"old1", "old2", "x"}));
    // The modified and deleted rows of one block, then the last row, copied right.
    FLeft.GotoPoint({0, 0});
    ASSERT_TRUE(FModel.CopyBlockRight(&FLeft));
    FLeft.GotoPoint({0, 1});
    ASSERT_TRUE(FModel.CopyBlockRight(&FLeft));
    FLeft.GotoPoint({0, 2});
    ASSERT_TRUE(FModel.CopyBlockRight(&FLeft));
    const std::string saved = (FDir / "saved.txt").string();
    FModel.SaveSource(false, saved);
    EXPECT_EQ(Read(saved), Read(FModel.FileName(true)));
    EXPECT_EQ(Kinds(FRight), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Tags(FRight), (std::vector<int>{0, 0, 0}));
}

TEST_F(SourceCompareTest, CopyLeftOntoAReadOnlySourceChangesNothing) {
    Sources({"a", "b"}, {"a", "c"});
    FRight.GotoPoint({0, 1});
    ASSERT_TRUE(FModel.CopyBlockLeft(&FRight));
    EXPECT_EQ(Texts(FLeft), (Lines{"a", "b"}));
    FLeft.SetReadOnly(false);
    ASSERT_TRUE(FModel.CopyBlockLeft(&FRight));
    EXPECT_EQ(Texts(FLeft), (Lines{"a", "c"}));
}

TEST_F(SourceCompareTest, WholeWordsAndCharacters) {
    EXPECT_TRUE(FModel.IsWholeWord("id_x = idx;", 0, 2));
    EXPECT_FALSE(FModel.IsWholeWord("id_x = idx;", 7, 2));
    EXPECT_TRUE(FModel.IsWholeWord("x id", 2, 2));
    // The trail byte of 間 (E9 67) is no letter before "abc".
    EXPECT_TRUE(FModel.IsWholeWord("\xEA\x72\xE9\x67"
                                   "abc",
                                   4, 3));
    EXPECT_FALSE(FModel.IsWholeWord("gabc", 1, 3));
    EXPECT_TRUE(FModel.IsWholeWord("abc\xD6\xD0", 0, 3));

    Files("id_x = idx;\r\nlet id\r\n", "x\r\n");
    Find("id", true);
    FLeft.GotoPoint({0, 0});
    ASSERT_TRUE(FModel.FindForward(FLeft));
    EXPECT_EQ(FLeft.CaretPt(), (TPoint{2, 0}));
    EXPECT_EQ(FLeft.SelLength(), 2);
    ASSERT_TRUE(FModel.FindForward(FLeft));
    EXPECT_EQ(FLeft.CaretPt(), (TPoint{6, 1})) << "idx is passed over";
    EXPECT_FALSE(FModel.FindForward(FLeft)) << "no wrap to the top";
    EXPECT_EQ(FLeft.CaretPt(), (TPoint{6, 1}));

    // 形 (D0 CE) is not found across 中文 (D6 D0 CE C4).
    Files("\xD6\xD0\xCE\xC4\r\n\xD0\xCE\r\n", "x\r\n");
    Find("\xD0\xCE");
    FLeft.GotoPoint({0, 0});
    ASSERT_TRUE(FModel.FindForward(FLeft));
    EXPECT_EQ(FLeft.CaretPt(), (TPoint{2, 1}));
}

TEST_F(SourceCompareTest, BackwardFindPassesTheMatchItStandsAfter) {
    Files("ab ab ab\r\nab\r\n", "x\r\n");
    Find("ab");
    FLeft.GotoPoint({2, 1});
    ASSERT_TRUE(FModel.FindBackward(FLeft));
    EXPECT_EQ(FLeft.CaretPt(), (TPoint{8, 0})) << "the row above, its last match";
    ASSERT_TRUE(FModel.FindBackward(FLeft));
    EXPECT_EQ(FLeft.CaretPt(), (TPoint{5, 0}));
    EXPECT_EQ(FLeft.SelStart(), 3);
    ASSERT_TRUE(FModel.FindBackward(FLeft));
    EXPECT_EQ(FLeft.SelStart(), 0);
    EXPECT_FALSE(FModel.FindBackward(FLeft));
    EXPECT_EQ(FLeft.SelStart(), 0);
}

TEST_F(SourceCompareTest, ReplaceWithPromptAnsweredAllGoesToTheEnd) {
    for (bool forward : {true, false}) {
        Files("a a\r\na\r\nb a\r\n", "x\r\n");
        Find("a");
        FModel.FindInfo().ReplaceText = "aa";
        FModel.FindInfo().PromptOnReplace = true;
        FModel.FindInfo().ReplaceAll = true;
        int asked = 0;
        auto ask = [&](TEditorCore&) {
            ++asked;
            return int(rpReplaceAll);
        };
        if (forward) {
            FLeft.GotoPoint({2, 0});
            FModel.ReplaceForward(FLeft, ask);
            EXPECT_EQ(Texts(FLeft), (Lines{"a aa", "aa", "b aa"}));
        } else {
            FLeft.GotoPoint({1, 2});
            FModel.ReplaceBackward(FLeft, ask);
            EXPECT_EQ(Texts(FLeft), (Lines{"aa aa", "aa", "b a"}));
        }
        EXPECT_EQ(asked, 1);
    }
}

TEST_F(SourceCompareTest, ReplaceAnswersAndUndo) {
    Files("x x x x\r\n", "y\r\n");
    Find("x");
    FModel.FindInfo().ReplaceText = "Y";
    FModel.FindInfo().PromptOnReplace = true;
    std::vector<int> answers{rpSkip, rpReplace, rpStop};
    size_t next = 0;
    FLeft.GotoPoint({0, 0});
    FModel.ReplaceForward(FLeft, [&](TEditorCore&) { return answers.at(next++); });
    EXPECT_EQ(Texts(FLeft)[0], "x Y x x") << "one replacement ends the command without 'all'";
    FModel.FindInfo().PromptOnReplace = false;
    FModel.FindInfo().ReplaceAll = true;
    FModel.ReplaceForward(FLeft, nullptr);
    EXPECT_EQ(Texts(FLeft)[0], "x Y Y Y");
    ASSERT_TRUE(FLeft.Undo());
    EXPECT_EQ(Texts(FLeft)[0], "x Y Y x") << "each replacement is one undo step";
}

TEST_F(SourceCompareTest, SaveWritesThePaneWithEditsAndCopiedBlocks) {
    Files("$PBExportHeader$w_main.srw\r\nkeep\r\ngone\r\nend\r\n",
          "$PBExportHeader$w_main.srw\r\nkeep\r\nend\r\nadded\r\n");
    EXPECT_EQ(FModel.SaveName(true), "w_main.srw");
    // Side 2 has a filler for "gone"; copy the deleted block right, then type into a row.
    FLeft.GotoPoint({0, 2});
    ASSERT_TRUE(FModel.CopyBlockRight(&FLeft));
    FRight.GotoPoint({0, 1});
    FRight.InsertText("!");
    const std::string path2 = FModel.FileName(false);
    FModel.SaveSource(false, path2);
    EXPECT_EQ(Read(path2), "$PBExportHeader$w_main.srw\r\n!keep\r\ngone\r\nend\r\nadded\r\n");
    // The saved text is the side's own text now and the age matches: no reload.
    EXPECT_EQ(FModel.Text(false).Lines.size(), 5u);
    EXPECT_FALSE(FModel.FileChanged(false));
    // Side 1: the filler standing for "added" is left out.
    const std::string other = (FDir / "sub" / "copy1.srw").string();
    FModel.SaveSource(true, other);
    EXPECT_EQ(Read(other), "$PBExportHeader$w_main.srw\r\nkeep\r\ngone\r\nend\r\n");
    EXPECT_EQ(FModel.Text(true).Lines.size(), 4u);
}

TEST_F(SourceCompareTest, ObjectSourceSavesAsExported) {
    Sources({"$PBExportHeader$w_a.srw", "x"}, {"y"});
    FLeft.InsertText("edit");
    EXPECT_EQ(Texts(FLeft)[0], "$PBExportHeader$w_a.srw") << "read-only";
    const std::string path = (FDir / "w_a.srw").string();
    FModel.SaveSource(true, path);
    EXPECT_EQ(Read(path), "$PBExportHeader$w_a.srw\r\nx\r\n");
    EXPECT_FALSE(FModel.FileChanged(true)) << "an object source is never reloaded";
}

TEST_F(SourceCompareTest, UnicodeFilesRoundTripByteForByte) {
    const std::string utf8 = "\xEF\xBB\xBF"
                             "a\xE4\xB8\xAD\r\nb\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : std::u16string(u"x\u4E2D\r\n\r\ny\r\n")) {
        utf16 += char(c & 0xFF);
        utf16 += char(c >> 8);
    }
    const std::string path1 = Write("u8.txt", utf8);
    const std::string path2 = Write("u16.txt", utf16);
    ASSERT_TRUE(FModel.LoadFile(path1, true));
    ASSERT_TRUE(FModel.LoadFile(path2, false));
    EXPECT_EQ(Texts(FLeft), (Lines{"a\xD6\xD0", "b"}));
    EXPECT_EQ(Texts(FRight), (Lines{"x\xD6\xD0", "", "y"}));
    EXPECT_EQ(FModel.Encoding(false), TTextEncoding::Utf16LeBom);
    EXPECT_FALSE(FModel.Loss(true).Any());
    ASSERT_EQ(FModel.Compare(), TCompareResult::Compared);
    FModel.SaveSource(true, path1);
    FModel.SaveSource(false, path2);
    EXPECT_EQ(Read(path1), utf8);
    EXPECT_EQ(Read(path2), utf16);

    ASSERT_TRUE(FModel.LoadFile(Write("emoji.txt", "\xEF\xBB\xBF\xF0\x9F\x98\x80\n"), true));
    EXPECT_EQ(FModel.Loss(true).Unshown, 1);
    EXPECT_EQ(Texts(FLeft), (Lines{"?"}));
}

TEST_F(SourceCompareTest, EditsAreSavedInTheFormTheFileCameIn) {
    // 中 in UTF-8 and in GBK; each file is edited at its second line and saved over itself.
    const std::string zhongUtf8 = "\xE4\xB8\xAD";
    const std::string zhong = "\xD6\xD0";
    struct Case {
        std::string Name, Before, After;
    };
    const std::vector<Case> cases = {
        {"utf8.txt", "a\n" + zhongUtf8 + "\n", "a\n!" + zhongUtf8 + "\n"},
        {"utf8bom.txt",
         "\xEF\xBB\xBF"
         "a\r\nb",
         "\xEF\xBB\xBF"
         "a\r\n!b"},
        {"utf16be.txt", std::string("\xFE\xFF\0a\0\n\x4E\x2D", 8),
         std::string("\xFE\xFF\0a\0\n\0!\x4E\x2D", 10)},
        {"utf16le.txt",
         std::string("\xFF\xFE"
                     "a\0\r\0\n\0b\0",
                     10),
         std::string("\xFF\xFE"
                     "a\0\r\0\n\0!\0b\0",
                     12)},
        {"gbk.txt", "a\r" + zhong + "\r", "a\r!" + zhong + "\r"},
    };
    for (const Case& c : cases) {
        const std::string path = Write(c.Name, c.Before);
        ASSERT_TRUE(FModel.LoadFile(path, true));
        ASSERT_TRUE(FModel.LoadFile(Write("other.txt", "a\r\n"), false));
        ASSERT_EQ(FModel.Compare(), TCompareResult::Compared);
        FModel.SaveSource(true, path);
        EXPECT_EQ(Read(path), c.Before) << c.Name << " saved unchanged";
        FLeft.GotoPoint({0, 1});
        FLeft.InsertText("!");
        FModel.SaveSource(true, path);
        EXPECT_EQ(Read(path), c.After) << c.Name;
        ASSERT_TRUE(FModel.LoadFile(path, true));
        EXPECT_EQ(Texts(FLeft)[1][0], '!') << c.Name << " reads back";
    }
}

TEST_F(SourceCompareTest, TextThatLostSomethingIsReadOnlyAndNeverSaved) {
    const std::string emoji = "one\r\n\xF0\x9F\x98\x80 two\r\n";
    const std::string path = Write("emoji.txt", emoji);
    ASSERT_TRUE(FModel.LoadFile(path, true));
    EXPECT_TRUE(FLeft.ReadOnly());
    EXPECT_EQ(Texts(FLeft)[1], "? two");
    try {
        FModel.SaveSource(true, path);
        FAIL() << "saved";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot save \"" + path +
                      "\": 1 character cannot be shown in GBK, the first on line 2; saving would "
                      "change the file");
    }
    EXPECT_THROW(FModel.SaveSource(true, (FDir / "elsewhere.txt").string()), std::runtime_error);
    EXPECT_EQ(Read(path), emoji);
    EXPECT_FALSE(fs::exists(FDir / "elsewhere.txt"));

    const std::string binary("a\0b\r\n", 5);
    ASSERT_TRUE(FModel.LoadFile(Write("b.bin", binary), false));
    EXPECT_TRUE(FRight.ReadOnly());
    EXPECT_THROW(FModel.CheckSavable(false), std::runtime_error);
    // A text file loaded again over the binary one is editable and savable.
    ASSERT_TRUE(FModel.LoadFile(Write("plain.txt", "x\r\n"), false));
    EXPECT_FALSE(FRight.ReadOnly());
    EXPECT_NO_THROW(FModel.CheckSavable(false));
}

TEST_F(SourceCompareTest, DifferentBinaryFilesNeverCompareAsEqual) {
    Files(std::string("\0\x01x\n\0\x02", 6), std::string("\0\x01y\n\0\x02", 6));
    EXPECT_EQ(FModel.Counts().Count1, 2);
    EXPECT_EQ(FModel.Counts().Changed, 1);
    Files(std::string("\0\x01x", 3), std::string("\0\x01x", 3));
    EXPECT_TRUE(FModel.Blocks().empty()) << "the same bytes are the same";
}

TEST_F(SourceCompareTest, FileNamesThatAreNotUtf8LoadSaveAndReport) {
    // A name in the code page's own bytes (中.txt in GBK), as old archives hold them.
    const std::string path = Write("\xD6\xD0.txt", "x\r\n");
    ASSERT_TRUE(FModel.LoadFile(path, true));
    FModel.LoadSource("\xE4\xB8\xAD@lib", {"y"}, false);
    ASSERT_EQ(FModel.Compare(), TCompareResult::Compared);
    FLeft.InsertText("z");
    FModel.SaveSource(true, path);
    EXPECT_EQ(Read(path), "zx\r\n");
    const auto report = FModel.ReportLines([](std::int64_t) { return std::string("T"); }, 0);
    EXPECT_EQ(report[3], "File 1: \"" + path + "\"") << "bytes kept as they are";
    EXPECT_EQ(report[5], "File 2: \"\xD6\xD0@lib\"") << "UTF-8 converted to the code page";
}

TEST_F(SourceCompareTest, ChangedFilesAreNoticed) {
    Files("a\r\n", "b\r\n");
    EXPECT_FALSE(FModel.FileChanged(true));
    const std::string path = FModel.FileName(true);
    std::ofstream(path, std::ios::binary) << "c\r\n";
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_TRUE(FModel.FileChanged(true));
    EXPECT_FALSE(FModel.FileChanged(false));
    fs::remove(path);
    EXPECT_FALSE(FModel.FileChanged(true)) << "a file that is gone is not reloaded";
    EXPECT_FALSE(FModel.LoadFile(path, true));
}

TEST_F(SourceCompareTest, CancelKeepsTheRowsAndNothingChangesTheTextsMeanwhile) {
    Sources({"a", "b"}, {"a", "c"});
    const Lines before = Texts(FRight);
    Lines text1, text2;
    for (int i = 0; i < 20000; ++i) {
        text1.push_back(std::to_string(i * 7919 % 20011));
        text2.push_back(std::to_string(i * 104729 % 20021));
    }
    FModel.LoadSource("x", text1, true);
    FModel.LoadSource("y", text2, false);
    int steps = 0;
    std::vector<bool> running;
    FModel.OnRunning = [&](bool on) { running.push_back(on); };
    FModel.OnProcessEvents = [&] {
        if (++steps == 3) {
            EXPECT_THROW(FModel.LoadFile(Write("z", "z"), true), std::runtime_error);
            EXPECT_THROW(FModel.Compare(), std::runtime_error);
            FModel.CancelCompare();
        }
    };
    EXPECT_EQ(FModel.Compare(), TCompareResult::Cancelled);
    EXPECT_EQ(running, (std::vector<bool>{true, false}));
    EXPECT_FALSE(FModel.Running());
    EXPECT_EQ(FModel.Text(true).Lines.size(), 20000u);
}

TEST_F(SourceCompareTest, CancelledRunKeepsTheLastBlocksForTheRebuild) {
    Sources({"a", "b", "c", "d", "e"}, {"x", "b", "d", "y"});
    const std::vector<TDiffBlock> blocks = FModel.Blocks();
    const Lines left = Texts(FLeft);
    FModel.OnProcessEvents = [&] { FModel.CancelCompare(); };
    EXPECT_EQ(FModel.Compare(), TCompareResult::Cancelled);
    EXPECT_TRUE(FModel.Compared());
    EXPECT_TRUE(FModel.BlocksFit());
    EXPECT_EQ(FModel.Blocks().size(), blocks.size());
    FOptions.ShowDiffsOnly = true;
    FModel.BuildDisplay();
    EXPECT_EQ(Texts(FLeft), (Lines{"a", "c", "e"}));
    FOptions.ShowDiffsOnly = false;
    FModel.BuildDisplay();
    EXPECT_EQ(Texts(FLeft), left);
}

TEST_F(SourceCompareTest, DifferencesOnlyProposeTheNameFromTheHiddenFirstLine) {
    Files("$PBExportHeader$w_a.srw\r\nx\r\n", "$PBExportHeader$w_a.srw\r\ny\r\n");
    FOptions.ShowDiffsOnly = true;
    FModel.BuildDisplay();
    ASSERT_EQ(Texts(FLeft), (Lines{"x"}));
    EXPECT_EQ(FModel.SaveName(true), "w_a.srw");
    Files("a\r\n", "a\r\n");
    EXPECT_TRUE(Texts(FLeft).empty());
    EXPECT_EQ(FModel.WholeText(true), (std::vector<std::string_view>{"a"}));
}

TEST_F(SourceCompareTest, SavedOntoItsOwnFileTheSideIsItsTextAndTheBlocksWait) {
    Files("a\r\nb\r\nc\r\n", "a\r\nB\r\n");
    FOptions.ShowDiffsOnly = true;
    FModel.BuildDisplay();
    FLeft.GotoPoint({1, 0});
    FLeft.InsertText("!");
    FRight.GotoPoint({1, 0});
    FRight.InsertText("?");
    EXPECT_FALSE(FModel.SaveSource(true, (FDir / "elsewhere.txt").string()));
    EXPECT_TRUE(FLeft.Lines().Modified());
    EXPECT_TRUE(FModel.BlocksFit());
    EXPECT_TRUE(FModel.SaveSource(true, FModel.FileName(true)));
    EXPECT_EQ(Read(FModel.FileName(true)), "a\r\nb!\r\nc\r\n");
    EXPECT_EQ(FModel.Text(true).Lines.size(), 3u);
    EXPECT_FALSE(FLeft.Lines().Modified());
    EXPECT_EQ(Tags(FLeft), (std::vector<int>{2, 3}));
    // The blocks were found for the old text: only a comparison may rebuild the rows.
    EXPECT_FALSE(FModel.BlocksFit());
    EXPECT_THROW(FModel.BuildDisplay(), std::logic_error);
    // Saved again, the side is the same; side 2's edits are its own.
    FModel.SaveSource(true, (FDir / "again.txt").string());
    EXPECT_EQ(Read((FDir / "again.txt").string()), "a\r\nb!\r\nc\r\n");
    FModel.SaveSource(false, (FDir / "two.txt").string());
    EXPECT_EQ(Read((FDir / "two.txt").string()), "a\r\nB?\r\n");
    FAnswerYes = false;
    EXPECT_EQ(FModel.Compare(), TCompareResult::Declined);
    FAnswerYes = true;
    ASSERT_EQ(FModel.Compare(), TCompareResult::Compared);
    EXPECT_TRUE(FModel.BlocksFit());
    EXPECT_EQ(Texts(FLeft), (Lines{"b!", "c"}));
}

TEST_F(SourceCompareTest, RowsTakeNewColoursByTheirKind) {
    TRowColors colors = Colors;
    FModel.OnReadColors = [&] { return colors; };
    // Rows: equal, modified, deleted, added.
    Files("a\r\nb\r\nc\r\nd\r\n", "a\r\nB\r\nd\r\nx\r\n");
    ASSERT_EQ(Kinds(FLeft), (std::vector<int>{0, 3, 2, 0, 1}));
    // Added and modified in one colour, then apart again; every kind in one colour, then
    // apart again: each row ends in its own kind's colour.
    const std::vector<TRowColors> steps{{0, A, A, D}, {0, 7, 8, D}, {0, 5, 5, 5}, Colors};
    for (const TRowColors& step : steps) {
        colors = step;
        FModel.Recolor();
        const std::vector<TColor> expected{U, step.Modified, step.Deleted, U, step.Added};
        EXPECT_EQ(RowColors(FLeft), expected);
        EXPECT_EQ(RowColors(FRight), expected);
    }
}

TEST_F(SourceCompareTest, ReportFromThePanes) {
    Files("l1\r\nl2\r\nl3\r\n", "new\r\nl1\r\nm2\r\nl3\r\nx\r\n");
    const auto report = FModel.ReportLines([](std::int64_t) { return std::string("T"); }, 0);
    const Lines expected{"Lines added at 1", "+ new", "Lines modified at 2", "- l2", "+ m2",
                         "Lines added at 4", "+ x"};
    Lines headings;
    for (const std::string& line : report)
        if (line.starts_with("Lines ") || line.starts_with("+ ") || line.starts_with("- "))
            headings.push_back(line);
    EXPECT_EQ(headings, expected);
    EXPECT_EQ(report[4], "        Last modified on T");
    FModel.LoadSource("obj@lib", {"l1"}, true);
    ASSERT_EQ(FModel.Compare(), TCompareResult::Compared);
    EXPECT_EQ(FModel.ReportLines([](std::int64_t) { return std::string("T"); }, 0)[4],
              std::string("        Last modified on ") + NoFileTimeText);
}

} // namespace
} // namespace tandrel
