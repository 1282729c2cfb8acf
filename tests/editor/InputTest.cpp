#include "EditorTestUtil.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using test::FakeView;
using test::FullText;

// An editor with a view in a 400 x 204 client, 8 x 16 pixel characters, gutter 16.
struct Input : ::testing::Test {
    void SetUp() override {
        ed.SetView(&view);
        ed.FontChanged(8, 16);
        ed.ClientResized(400, 204);
    }
    void Load(const std::vector<std::string>& lines) { ed.Lines().AssignLines(lines); }
    void Key(int key, TShiftState shift = 0) { ed.KeyDown(key, shift); }
    std::int32_t X(int col) const { return ed.GutterWidth() + 4 + col * 8 + 2; }
    std::int32_t Y(int row) const { return 4 + row * 16 + 2; }
    void Click(int col, int row, TShiftState shift = ssLeft) {
        ed.MouseDown(TMouseButton::mbLeft, shift, X(col), Y(row));
        ed.MouseUp(TMouseButton::mbLeft, 0, X(col), Y(row));
    }
    TEditorCore ed;
    FakeView view;
};

TEST_F(Input, CtrlRightSkipsWordAndBlanksAndWrapsAtLineEnd) {
    Load({"foo  bar", "baz"});
    ed.GotoPoint({1, 0});
    Key(Keys::Right, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{5, 0}));
    Key(Keys::Right, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{8, 0}));
    Key(Keys::Right, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 1}));
    ed.GotoPoint({3, 1});
    int caretEvents = 0;
    ed.OnCaretPtChange = [&](TEditorCore&) { ++caretEvents; };
    Key(Keys::Right, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{3, 1}));
    EXPECT_EQ(caretEvents, 0);

    Key(Keys::Left, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 1}));
    Key(Keys::Left, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{8, 0}));
    Key(Keys::Left, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{5, 0}));
}

TEST_F(Input, EndThenVerticalMovesStayAtLineEnds) {
    Load({"short", "a much longer line", "mid line", "x"});
    ed.GotoPoint({2, 0});
    Key(Keys::End);
    EXPECT_EQ(ed.DesiredCol(), kLineEndCol);
    Key(Keys::Down);
    EXPECT_EQ(ed.CaretPt(), (TPoint{18, 1}));
    Key(Keys::Down);
    EXPECT_EQ(ed.CaretPt(), (TPoint{8, 2}));
    Key(Keys::Up);
    EXPECT_EQ(ed.CaretPt(), (TPoint{18, 1}));
    Key(Keys::End, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 3}));
    Key(Keys::Home, ssCtrl);
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 0}));
}

TEST_F(Input, ShiftMovesExtendAndPlainMovesCollapse) {
    Load({"abcdef", "ghijkl"});
    ed.GotoPoint({3, 0});
    view.Repaints = 0;
    Key(Keys::Down, ssShift);
    EXPECT_EQ(ed.SelectedText(), "def\r\nghi");
    EXPECT_GT(view.Repaints, 0);
    view.Repaints = 0;
    Key(Keys::Down);
    EXPECT_EQ(ed.SelLength(), 0);
    EXPECT_GT(view.Repaints, 0);

    ed.GotoPoint({0, 1});
    Key(Keys::Left);
    EXPECT_EQ(ed.CaretPt(), (TPoint{6, 0}));
    Key(Keys::Right);
    EXPECT_EQ(ed.CaretPt(), (TPoint{0, 1}));
    Key(Keys::Right, ssShift);
    Key(Keys::Right, ssShift);
    EXPECT_EQ(ed.SelectedText(), "gh");
}

TEST_F(Input, AltAndCtrlDeleteChangeNothingButOnKeyDownFires) {
    Load({"abc"});
    ed.GotoPoint({1, 0});
    int seen = 0;
    ed.OnKeyDown = [&](TEditorCore&, int& key, TShiftState) {
        ++seen;
        if (key == Keys::Up)
            key = Keys::None; // a handler may swallow a key
    };
    Key(Keys::Right, ssAlt);
    Key(Keys::Delete, ssCtrl);
    Key(Keys::Up);
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(FullText(ed.Lines()), "abc");
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));
    Key(Keys::Delete);
    EXPECT_EQ(FullText(ed.Lines()), "ac");
}

TEST_F(Input, PageKeysMoveByVisibleLines) {
    std::vector<std::string> lines(100, "x");
    Load(lines);
    Key(Keys::PageDown);
    EXPECT_EQ(ed.CaretPt().Y, 11);
    Key(Keys::PageDown);
    EXPECT_EQ(ed.CaretPt().Y, 22);
    EXPECT_EQ(ed.TopLine(), 11);
    Key(Keys::PageUp);
    EXPECT_EQ(ed.CaretPt().Y, 11);
}

TEST_F(Input, DoubleClickSelectsLettersAndDigitsOnly) {
    Load({"call foo_bar9 x \xD6\xD0\xCE\xC4"});
    std::int32_t reported = -1;
    ed.OnSelectionChange = [&](TEditorCore& sender) { reported = sender.SelLength(); };
    ed.MouseDown(TMouseButton::mbLeft, ssLeft | ssDouble, X(1), Y(0));
    EXPECT_EQ(ed.SelectedText(), "call");
    EXPECT_EQ(reported, 4);
    EXPECT_EQ(ed.CaretPt(), (TPoint{4, 0}));
    ed.MouseUp(TMouseButton::mbLeft, 0, 0, 0);
    ed.MouseDown(TMouseButton::mbLeft, ssLeft | ssDouble, X(10), Y(0));
    EXPECT_EQ(ed.SelectedText(), "bar9");
    for (int col : {8, 4, 17}) { // underscore, blank, double-byte character
        Click(0, 0);
        ed.MouseDown(TMouseButton::mbLeft, ssLeft | ssDouble, X(col), Y(0));
        EXPECT_EQ(ed.SelLength(), 0) << col;
    }
}

TEST_F(Input, DraggingASelectionMovesItAndOneUndoRestores) {
    Load({"one two three"});
    ed.MouseDown(TMouseButton::mbLeft, ssLeft | ssDouble, X(5), Y(0));
    ed.MouseUp(TMouseButton::mbLeft, 0, X(5), Y(0));
    ASSERT_EQ(ed.SelectedText(), "two");
    ed.MouseDown(TMouseButton::mbLeft, ssLeft, X(5), Y(0));
    EXPECT_EQ(ed.MouseState(), 2);
    EXPECT_TRUE(view.Dragging);
    ed.MouseMove(ssLeft, X(13), Y(0));
    EXPECT_EQ(ed.SelectedText(), "two"); // only the caret shows the drop place
    ed.MouseUp(TMouseButton::mbLeft, 0, X(13), Y(0));
    EXPECT_FALSE(view.Dragging);
    EXPECT_EQ(FullText(ed.Lines()), "one  threetwo");
    EXPECT_EQ(ed.SelectedText(), "two");
    EXPECT_EQ(ed.CaretPt(), (TPoint{13, 0}));
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "one two three");
    ed.Redo();
    EXPECT_EQ(FullText(ed.Lines()), "one  threetwo");
}

TEST_F(Input, DroppingOnTheSelectionItselfChangesNothing) {
    Load({"one two three"});
    for (int drop : {4, 7, 5}) {
        ed.SetSelectionStart(4);
        ed.SetSelectionLength(3);
        ed.MouseDown(TMouseButton::mbLeft, ssLeft, X(6), Y(0));
        ed.MouseMove(ssLeft, X(drop), Y(0));
        ed.MouseUp(TMouseButton::mbLeft, 0, X(drop), Y(0));
        EXPECT_EQ(FullText(ed.Lines()), "one two three");
        EXPECT_EQ(ed.CaretPos(), ed.PosFromPoint(ed.CaretPt()));
    }
    EXPECT_FALSE(ed.CanUndo());
    // A click inside the selection without dragging places the caret there.
    ed.SetSelectionStart(4);
    ed.SetSelectionLength(3);
    Click(5, 0);
    EXPECT_EQ(ed.SelLength(), 0);
    EXPECT_EQ(ed.CaretPt(), (TPoint{5, 0}));
}

TEST_F(Input, ReadOnlyDragLeavesTextAndMovesTheEmptySelection) {
    Load({"one two three"});
    ed.SetReadOnly(true);
    ed.SetSelectionStart(4);
    ed.SetSelectionLength(3);
    ed.MouseDown(TMouseButton::mbLeft, ssLeft, X(5), Y(0));
    ed.MouseMove(ssLeft, X(12), Y(0));
    ed.MouseUp(TMouseButton::mbLeft, 0, X(12), Y(0));
    EXPECT_EQ(FullText(ed.Lines()), "one two three");
    EXPECT_EQ(ed.SelLength(), 0);
    EXPECT_EQ(ed.CaretPos(), 12 - 3);
}

TEST_F(Input, SelectingBeyondTheTopScrollsOneLinePerMove) {
    std::vector<std::string> lines(100, "text");
    Load(lines);
    ed.SetTopLine(50);
    ed.MouseDown(TMouseButton::mbLeft, ssLeft, X(2), Y(3));
    ed.MouseMove(ssLeft, X(2), 5);
    EXPECT_EQ(ed.TopLine(), 49);
    ed.MouseMove(ssLeft, X(2), 3);
    EXPECT_EQ(ed.TopLine(), 48);
    EXPECT_GT(ed.SelLength(), 0);
    ed.MouseMove(0, X(2), 3); // no button held: nothing
    EXPECT_EQ(ed.TopLine(), 48);
    ed.MouseMove(ssLeft, X(2), 200);
    EXPECT_EQ(ed.TopLine(), 49);
    ed.MouseUp(TMouseButton::mbLeft, 0, X(2), 200);
    ed.MouseMove(ssLeft, X(2), 3); // idle again
    EXPECT_EQ(ed.TopLine(), 49);
}

TEST_F(Input, CharacterShortcutsAndFocusOnClick) {
    Load({"abc"});
    ed.KeyPress(1);
    EXPECT_EQ(ed.SelectedText(), "abc");
    ed.KeyPress(3);
    ed.KeyPress(24);
    EXPECT_EQ(FullText(ed.Lines()), "");
    ed.KeyPress(22);
    ed.KeyPress(22);
    EXPECT_EQ(FullText(ed.Lines()), "abcabc");
    view.HasFocus = false;
    ed.MouseDown(TMouseButton::mbRight, ssRight, X(0), Y(0));
    EXPECT_TRUE(view.HasFocus);
    EXPECT_EQ(ed.MouseState(), 1);
    EXPECT_EQ(ed.CaretPt(), (TPoint{6, 0})); // only the left button places the caret
}

TEST_F(Input, DoubleByteCharactersMoveAndGoAsAWhole) {
    const std::string zhong = "\xD6\xD0";
    Load({"a" + zhong + "b", "wxyz"});
    ed.GotoPoint({1, 0});
    Key(Keys::Right);
    EXPECT_EQ(ed.CaretPt(), (TPoint{3, 0}));
    Key(Keys::Left);
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));
    Key(Keys::Right, ssShift);
    EXPECT_EQ(ed.SelectedText(), zhong);
    Click(2, 0); // the second half of the character
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));
    ed.GotoPoint({2, 1});
    Key(Keys::Up);
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));

    ed.GotoPoint({3, 0});
    ed.KeyPress(8);
    EXPECT_EQ(FullText(ed.Lines()), "ab\r\nwxyz");
    EXPECT_EQ(ed.UndoHistory().Count(), 2);
    EXPECT_TRUE(ed.Undo());
    EXPECT_EQ(FullText(ed.Lines()), "a" + zhong + "b\r\nwxyz");
    EXPECT_EQ(ed.CaretPt(), (TPoint{3, 0}));
    EXPECT_FALSE(ed.CanUndo());
    EXPECT_TRUE(ed.Redo());
    EXPECT_EQ(FullText(ed.Lines()), "ab\r\nwxyz");
    ed.Undo();

    ed.GotoPoint({1, 0});
    Key(Keys::Delete);
    EXPECT_EQ(FullText(ed.Lines()), "ab\r\nwxyz");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "a" + zhong + "b\r\nwxyz");
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));
}

TEST_F(Input, TypedDoubleByteCharacterIsOneUndoStep) {
    Load({""});
    // The trail byte 0xB0 also has the value of a lead byte.
    for (int b : {0xB0, 0xB0, int('x'), 0xD6, 0xD0})
        ed.KeyPress(static_cast<unsigned char>(b));
    EXPECT_EQ(FullText(ed.Lines()), "\xB0\xB0x\xD6\xD0");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "\xB0\xB0x");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "\xB0\xB0");
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "");
    ed.Redo();
    EXPECT_EQ(FullText(ed.Lines()), "\xB0\xB0");
    ed.Redo();
    ed.Redo();
    EXPECT_EQ(FullText(ed.Lines()), "\xB0\xB0x\xD6\xD0");
}

TEST(InputDrop, DroppedFilesReachTheHandler) {
    TEditorCore ed;
    EXPECT_FALSE(ed.DropFiles("/tmp/a.txt"));
    std::string got;
    ed.OnDropFiles = [&](TEditorCore&, const std::string& name, bool& accepted) {
        got = name;
        accepted = true;
    };
    EXPECT_TRUE(ed.DropFiles(std::string(300, 'n')));
    EXPECT_EQ(got.size(), 260u);
}

} // namespace
} // namespace tandrel
