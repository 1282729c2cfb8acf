#include "EditorTestUtil.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using test::FullText;
using test::Load;
using test::Type;

TEST(Editing, EmptyEditorTypingAndEnter) {
    TEditorCore ed;
    ed.ProcessChar('q');
    EXPECT_EQ(ed.Lines().Count(), 1);
    EXPECT_EQ(FullText(ed.Lines()), "q");
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));

    TEditorCore blank;
    blank.ProcessChar(13);
    EXPECT_EQ(blank.Lines().Count(), 1);
    EXPECT_EQ(blank.UndoHistory().Count(), 0);
    blank.ProcessChar(8);
    blank.ProcessChar(7);
    EXPECT_EQ(blank.Lines().Count(), 1);
    blank.ProcessChar(27); // not a character command
    EXPECT_EQ(FullText(blank.Lines()), "");
}

TEST(Editing, EnterAtStartEndAndMiddle) {
    TEditorCore ed;
    Load(ed, {"abcd"});
    ed.GotoPoint({0, 0});
    ed.ProcessChar(13);
    EXPECT_EQ(FullText(ed.Lines()), "\r\nabcd");
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 1}));
    ed.GotoPoint({4, 1});
    ed.ProcessChar(13);
    EXPECT_EQ(FullText(ed.Lines()), "\r\nabcd\r\n");
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 2}));
    ed.GotoPoint({2, 1});
    ed.ProcessChar(13);
    EXPECT_EQ(FullText(ed.Lines()), "\r\nab\r\ncd\r\n");
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 2}));
    EXPECT_EQ(ed.CaretPos(), 6);
    EXPECT_EQ(ed.SelAnchor(), 6);
}

TEST(Editing, BackspaceAndDeleteAtLineEdges) {
    TEditorCore ed;
    Load(ed, {"ab", "", "cd"});
    ed.GotoPoint({0, 2});
    ed.ProcessChar(8); // previous line empty: it goes
    EXPECT_EQ(FullText(ed.Lines()), "ab\r\ncd");
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 1}));
    ed.ProcessChar(8); // joins
    EXPECT_EQ(FullText(ed.Lines()), "abcd");
    EXPECT_EQ(ed.CaretPt(), (TPoint{2, 0}));
    ed.GotoPoint({4, 0});
    ed.ProcessChar(7); // end of the last line: nothing
    EXPECT_EQ(FullText(ed.Lines()), "abcd");
    EXPECT_EQ(ed.UndoHistory().Count(), 2);
    ed.GotoPoint({0, 0});
    ed.ProcessChar(8); // start of line 0: nothing
    EXPECT_EQ(ed.UndoHistory().Count(), 2);

    Load(ed, {"ab", "cd", "", "x"});
    ed.GotoPoint({2, 0});
    ed.ProcessChar(7);
    EXPECT_EQ(FullText(ed.Lines()), "abcd\r\n\r\nx");
    ed.GotoPoint({4, 0});
    ed.ProcessChar(7); // next line empty: it goes
    EXPECT_EQ(FullText(ed.Lines()), "abcd\r\nx");
    ed.GotoPoint({1, 0});
    ed.ProcessChar(7);
    EXPECT_EQ(FullText(ed.Lines()), "acd\r\nx");
    EXPECT_EQ(ed.UndoHistory().Item(2).DeletedText, "b");
}

TEST(Editing, InsertTextPlacesLinesAndCaret) {
    TEditorCore ed;
    Load(ed, {"first", "second"});
    ed.GotoPoint({0, 1});
    ed.InsertText("n1\r\nn2\r\n");
    EXPECT_EQ(FullText(ed.Lines()), "first\r\nn1\r\nn2\r\nsecond");
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 3}));

    ed.GotoPoint({3, 0});
    ed.InsertText("XY");
    EXPECT_EQ(FullText(ed.Lines()), "firXYst\r\nn1\r\nn2\r\nsecond");
    EXPECT_EQ(ed.CaretPt(), (TPoint{5, 0}));

    ed.GotoPoint({2, 3});
    ed.InsertText("a\nb\rc");
    EXPECT_EQ(FullText(ed.Lines()), "firXYst\r\nn1\r\nn2\r\nsea\r\nb\r\nccond");
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 5}));

    ed.GotoPoint({0, 0});
    ed.InsertText("p\r\nq");
    EXPECT_EQ(ed.Lines()[0], "p");
    EXPECT_EQ(ed.Lines()[1], "qfirXYst");
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 1}));

    ed.GotoPoint({1, 1});
    ed.InsertText(std::string("z\0ignored", 9));
    EXPECT_EQ(ed.Lines()[1], "qzfirXYst");
    // A NUL right after a line break: the break is the last thing inserted.
    const std::int32_t count = ed.Lines().Count();
    ed.GotoPoint({0, 1});
    ed.InsertText(std::string("n\r\n\0x", 5));
    EXPECT_EQ(ed.Lines().Count(), count + 1);
    EXPECT_EQ(ed.Lines()[1], "n");
    EXPECT_EQ(ed.Lines()[2], "qzfirXYst");
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 2}));

    TEditorCore empty;
    empty.InsertText("only");
    EXPECT_EQ(FullText(empty.Lines()), "only");
}

TEST(Editing, SelectedTextAcrossLinesHasSelLengthBytes) {
    TEditorCore ed;
    Load(ed, {"l0", "line one", "line two", "line three"});
    std::int32_t from = ed.PosFromPoint({5, 1});
    std::int32_t to = ed.PosFromPoint({4, 3});
    ed.SetSelectionStart(from);
    ed.SetSelectionLength(to - from);
    EXPECT_EQ(ed.SelectedText(), "one\r\nline two\r\nline");
    EXPECT_EQ(std::int32_t(ed.SelectedText().size()), ed.SelLength());
    EXPECT_EQ(ed.CaretPt(), (TPoint{4, 3}));

    ed.DeleteSelection();
    EXPECT_EQ(FullText(ed.Lines()), "l0\r\nline  three");
    EXPECT_EQ(ed.CaretPt(), (TPoint{5, 1}));
}

TEST(Editing, SelectAllThenTypeThenTwoUndos) {
    TEditorCore ed;
    Load(ed, {"alpha", "beta"});
    ed.KeyPress(1);
    EXPECT_EQ(ed.SelLength(), 11);
    ed.DeleteSelection();
    EXPECT_EQ(ed.Lines().Count(), 0);
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "alpha\r\nbeta");

    ed.KeyPress(1);
    ed.ProcessChar('z');
    EXPECT_EQ(FullText(ed.Lines()), "z");
    ed.Undo();
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "alpha\r\nbeta");
}

TEST(Editing, DeleteSelectionStartingAtColumnZero) {
    TEditorCore ed;
    Load(ed, {"aa", "bb", "cc"});
    ed.SetSelectionStart(ed.PosFromPoint({0, 1}));
    ed.SetSelectionLength(ed.PosFromPoint({1, 2}) - ed.SelStart());
    ed.DeleteSelection();
    EXPECT_EQ(FullText(ed.Lines()), "aa\r\nc");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "aa\r\nbb\r\ncc");

    ed.SetSelectionStart(ed.PosFromPoint({0, 0}));
    ed.SetSelectionLength(4); // "aa" and its line break
    ed.DeleteSelection();
    EXPECT_EQ(FullText(ed.Lines()), "bb\r\ncc");
}

TEST(Editing, ReadOnlyEditorOnlyCopiesAndSelects) {
    TEditorCore ed;
    Load(ed, {"keep me"});
    ed.SetReadOnly(true);
    ed.KeyPress(1);
    EXPECT_EQ(ed.SelLength(), 7);
    ed.KeyPress(24); // cut becomes copy
    EXPECT_EQ(ed.Clipboard().GetText(), "keep me");
    ed.ProcessChar('x');
    ed.ProcessChar(8);
    ed.InsertText("y");
    ed.PasteFromClipboard();
    ed.DeleteSelection();
    EXPECT_EQ(FullText(ed.Lines()), "keep me");
    EXPECT_FALSE(ed.CanUndo());
}

TEST(Editing, ClipboardRoundTripAndEmptyPaste) {
    TEditorCore ed;
    Load(ed, {"abc", "def"});
    ed.SetSelectionStart(1);
    ed.SetSelectionLength(5); // "bc", break, "d"
    ed.KeyPress(24);
    EXPECT_EQ(ed.Clipboard().GetText(), "bc\r\nd");
    EXPECT_EQ(FullText(ed.Lines()), "aef");
    ed.KeyPress(22);
    EXPECT_EQ(FullText(ed.Lines()), "abc\r\ndef");

    TMemoryClipboard empty;
    ed.SetClipboard(&empty);
    ed.SetSelectionStart(0);
    ed.SetSelectionLength(1);
    ed.PasteFromClipboard(); // only deletes the selection
    EXPECT_EQ(FullText(ed.Lines()), "bc\r\ndef");
    ed.SetSelectionStart(0);
    ed.KeyPress(3); // nothing selected: the clipboard stays empty
    EXPECT_FALSE(empty.HasText());
    ed.SetClipboard(nullptr);
}

TEST(Editing, NotificationsFireOnRealChangesOnly) {
    TEditorCore ed;
    Load(ed, {"abc", "def"});
    int caretEvents = 0, selEvents = 0;
    ed.OnCaretPtChange = [&](TEditorCore&) { ++caretEvents; };
    ed.OnSelectionChange = [&](TEditorCore&) { ++selEvents; };
    ed.GotoPoint({1, 0});
    ed.GotoPoint({1, 0});
    EXPECT_EQ(caretEvents, 1);
    EXPECT_EQ(selEvents, 0); // a caret that merely moves is no selection change
    ed.SetSelectionLength(2);
    EXPECT_EQ(selEvents, 1);
    ed.GotoPoint({0, 1}); // the selection goes away
    EXPECT_EQ(selEvents, 2);
    ed.GotoPoint({1, 1});
    EXPECT_EQ(selEvents, 2);
}

TEST(Editing, LinesRemovedUnderTheCaretDoNotBreakEditing) {
    TEditorCore ed;
    Load(ed, {"one", "two", "three"});
    ed.GotoPoint({5, 2});
    ed.Lines().Delete(2);
    ed.Lines().SetLine(1, "t");
    ed.ProcessChar('x');
    EXPECT_EQ(FullText(ed.Lines()), "one\r\ntx");
    ed.GotoPoint({3, 0});
    ed.Lines().Delete(0);
    ed.InsertText("!");
    EXPECT_EQ(FullText(ed.Lines()), "tx!");
}

TEST(Editing, DoubleByteCharactersArriveByteByByte) {
    TEditorCore ed;
    const std::string zhong = "\xD6\xD0"; // one character in GBK
    Type(ed, "a" + zhong + "b");
    EXPECT_EQ(FullText(ed.Lines()), "a" + zhong + "b");
    EXPECT_EQ(ed.CaretPt(), (TPoint{4, 0}));
    EXPECT_EQ(ed.UndoHistory().Count(), 4);
}

} // namespace
} // namespace tandrel
