#include "EditorTestUtil.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using test::FullText;
using test::Load;
using test::Type;

TEST(Undo, TypedCharactersUndoNewestFirstAndRedo) {
    TEditorCore ed;
    Load(ed, {"x"});
    ed.GotoPoint({1, 0});
    Type(ed, "abc");
    EXPECT_EQ(ed.UndoHistory().Count(), 3);
    EXPECT_TRUE(ed.Undo());
    EXPECT_EQ(FullText(ed.Lines()), "xab");
    EXPECT_TRUE(ed.Undo());
    EXPECT_TRUE(ed.Undo());
    EXPECT_EQ(FullText(ed.Lines()), "x");
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));
    EXPECT_FALSE(ed.Undo());
    EXPECT_TRUE(ed.Redo());
    EXPECT_TRUE(ed.Redo());
    EXPECT_TRUE(ed.Redo());
    EXPECT_FALSE(ed.Redo());
    EXPECT_EQ(FullText(ed.Lines()), "xabc");
    EXPECT_EQ(ed.CaretPt(), (TPoint{4, 0}));
}

TEST(Undo, TypingOverASelectionTakesTwoUndos) {
    TEditorCore ed;
    Load(ed, {"one word here"});
    ed.SetSelectionStart(4);
    ed.SetSelectionLength(4);
    Type(ed, "X");
    EXPECT_EQ(FullText(ed.Lines()), "one X here");
    ASSERT_EQ(ed.UndoHistory().Count(), 2);
    EXPECT_EQ(ed.UndoHistory().Item(0).Kind, ukDeleteBlock);
    EXPECT_EQ(ed.UndoHistory().Item(1).Kind, ukInsertChar);
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "one  here");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "one word here");
}

TEST(Undo, ReplacementIsOneStepEvenAcrossCommands) {
    TEditorCore ed;
    Load(ed, {"alpha beta", "gamma"});
    ed.SetSelectionStart(6);
    ed.SetSelectionLength(4);
    ed.Clipboard().SetText("BETA\r\nDELTA");
    ed.PasteFromClipboard();
    EXPECT_EQ(FullText(ed.Lines()), "alpha BETA\r\nDELTA\r\ngamma");
    EXPECT_TRUE(ed.Undo());
    EXPECT_EQ(FullText(ed.Lines()), "alpha beta\r\ngamma");
    EXPECT_FALSE(ed.CanUndo());
    EXPECT_TRUE(ed.Redo());
    EXPECT_EQ(FullText(ed.Lines()), "alpha BETA\r\nDELTA\r\ngamma");
    EXPECT_FALSE(ed.CanRedo());

    // Delete a selection with the Delete key, then paste elsewhere: one undo does both.
    ed.SetSelectionStart(0);
    ed.SetSelectionLength(6);
    int key = Keys::Delete;
    ed.KeyDown(key, 0);
    ed.GotoPoint({0, 2});
    ed.Clipboard().SetText("P");
    ed.PasteFromClipboard();
    EXPECT_EQ(FullText(ed.Lines()), "BETA\r\nDELTA\r\nPgamma");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "alpha BETA\r\nDELTA\r\ngamma");
}

TEST(Undo, LineBreakDeletionsRestoreCaretPlaces) {
    TEditorCore ed;
    Load(ed, {"ab", "cd"});
    ed.GotoPoint({0, 1});
    ed.ProcessChar(8);
    EXPECT_EQ(FullText(ed.Lines()), "abcd");
    EXPECT_EQ(ed.UndoHistory().Item(0).Kind, ukDeleteChar);
    EXPECT_EQ(ed.UndoHistory().Item(0).DeletedText, "\r");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "ab\r\ncd");
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 1}));

    ed.GotoPoint({2, 0});
    ed.ProcessChar(7);
    EXPECT_EQ(FullText(ed.Lines()), "abcd");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "ab\r\ncd");
    EXPECT_EQ(ed.CaretPt(), (TPoint{2, 0}));
    EXPECT_EQ(ed.SelLength(), 0);
}

TEST(Undo, HistoryKeepsTheNewestHundredAndNewEditsDropTheRedoTail) {
    TEditorCore ed;
    Load(ed, {""});
    Type(ed, std::string(105, 'a'));
    EXPECT_EQ(ed.UndoHistory().Count(), 100);
    int undone = 0;
    while (ed.Undo())
        ++undone;
    EXPECT_EQ(undone, 100);
    EXPECT_EQ(FullText(ed.Lines()), "aaaaa");
    EXPECT_TRUE(ed.CanRedo());
    Type(ed, "b");
    EXPECT_FALSE(ed.CanRedo());
    EXPECT_EQ(ed.UndoHistory().Count(), 1);

    TEditorCore empty;
    EXPECT_FALSE(empty.Undo());
    EXPECT_FALSE(empty.CanUndo());
    EXPECT_FALSE(empty.Redo());
}

TEST(Undo, ReplayingRecordsNothingAndClearLeavesHistory) {
    TEditorCore ed;
    Load(ed, {"abc"});
    ed.GotoPoint({3, 0});
    Type(ed, "de");
    ed.Undo();
    ed.Undo();
    ed.Redo();
    EXPECT_EQ(ed.UndoHistory().Count(), 2);
    EXPECT_EQ(ed.UndoHistory().Index(), 1);
    ed.Lines().Clear();
    EXPECT_EQ(ed.UndoHistory().Count(), 2);
}

} // namespace
} // namespace tandrel
