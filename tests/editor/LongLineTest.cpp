// Long lines, tab-indented lines and double-byte characters: the caret and the selection
// reach every byte, never split a character, and scrolling follows what is on screen.
#include "EditorTestUtil.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using test::FakeView;
using test::FullText;

constexpr const char* kZhong = "\xD6\xD0"; // 中

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// An editor with a view in a 400 x 204 client, 8 x 16 pixel characters.
struct LongLines : ::testing::Test {
    void SetUp() override {
        ed.SetView(&view);
        ed.FontChanged(8, 16);
        ed.ClientResized(400, 204);
    }
    void Key(int key, TShiftState shift = 0) { ed.KeyDown(key, shift); }
    // The caret's screen column lies in the visible part of the text area.
    bool CaretOnScreen() const {
        const std::int32_t col = ed.ExpandedCol(ed.CaretPt().Y, ed.CaretPt().X);
        return col >= ed.LeftCol() && col <= ed.LeftCol() + ed.VisibleCols();
    }
    TEditorCore ed;
    FakeView view;
};

TEST_F(LongLines, EndReachesTheEndOfALineOfAnyLength) {
    test::Load(ed, {"x", std::string(100001, 'a')});
    ed.GotoPoint({0, 1});
    Key(Keys::End);
    EXPECT_EQ(ed.CaretPt(), (TPoint{100001, 1}));
    EXPECT_EQ(ed.CaretPos(), 3 + 100001);
    Key(Keys::Up);
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));
    Key(Keys::Down);
    EXPECT_EQ(ed.CaretPt(), (TPoint{100001, 1}));
    EXPECT_TRUE(CaretOnScreen());
}

TEST_F(LongLines, SelectAllAndCopyTakeTheWholeText) {
    test::Load(ed, {"abc", "de", std::string(70003, 'z')});
    ed.KeyPress(1); // Ctrl+A
    const std::string whole = FullText(ed.Lines());
    ASSERT_EQ(whole.size(), 70012u);
    EXPECT_EQ(ed.SelLength(), 70012);
    ed.KeyPress(3); // Ctrl+C
    EXPECT_EQ(ed.Clipboard().GetText(), whole);
    ed.ProcessChar('q');
    EXPECT_EQ(FullText(ed.Lines()), "q");
}

TEST_F(LongLines, TypingAtTheEndOfALongDoubleByteLineKeepsItsCharacters) {
    test::Load(ed, {Repeat(kZhong, 40000)}); // 80,000 bytes
    Key(Keys::End);
    ed.ProcessChar('a');
    EXPECT_EQ(ed.Lines()[0], Repeat(kZhong, 40000) + "a");
}

TEST_F(LongLines, CaretAndSelectionEndsSnapToTheStartOfACharacter) {
    test::Load(ed, {"a" + Repeat(kZhong, 3) + "b"});
    ed.GotoPoint({2, 0}); // the trail byte of the first 中
    EXPECT_EQ(ed.CaretPt(), (TPoint{1, 0}));
    ed.SetSelectionStart(4);
    EXPECT_EQ(ed.SelAnchor(), 3);
    ed.SetSelectionLength(2); // would end on a trail byte
    EXPECT_EQ(ed.SelStart(), 3);
    EXPECT_EQ(ed.SelEnd(), 3 + 2);
    ed.SetSelectionStart(2);
    ed.SetSelectionLength(3);
    EXPECT_EQ(ed.SelectedText(), std::string(kZhong));
    ed.ProcessChar('x');
    EXPECT_EQ(ed.Lines()[0], std::string("ax") + kZhong + kZhong + "b");
    // A click on the right half of a character, and an arrow key beside it.
    ed.MouseDown(TMouseButton::mbLeft, ssLeft, ed.GutterWidth() + 4 + 3 * 8 + 2, 6);
    ed.MouseUp(TMouseButton::mbLeft, 0, 0, 0);
    EXPECT_EQ(ed.CaretPt(), (TPoint{2, 0}));
    Key(Keys::Right);
    EXPECT_EQ(ed.CaretPt(), (TPoint{4, 0}));
}

TEST_F(LongLines, DoubleClickReadsCharactersNotBytes) {
    // 時間abc: the trail byte of 間 is 0x67, the letter g.
    const std::string line = "\x95\x72\xE9\x67"
                             "abc def";
    test::Load(ed, {line});
    const std::int32_t x = ed.GutterWidth() + 4 + 5 * 8 + 2; // on the b
    ed.MouseDown(TMouseButton::mbLeft, ssLeft | ssDouble, x, 6);
    ed.MouseUp(TMouseButton::mbLeft, 0, x, 6);
    EXPECT_EQ(ed.SelectedText(), "abc");
    ed.KeyPress(3);
    EXPECT_EQ(ed.Clipboard().GetText(), "abc");
    ed.ProcessChar('X');
    EXPECT_EQ(ed.Lines()[0], "\x95\x72\xE9\x67"
                             "X def");
    // On the double-byte character itself nothing is selected.
    ed.MouseDown(TMouseButton::mbLeft, ssLeft | ssDouble, ed.GutterWidth() + 4 + 3 * 8 + 2, 6);
    EXPECT_EQ(ed.SelLength(), 0);
}

TEST_F(LongLines, TabIndentedLinesScrollByScreenColumns) {
    ed.SetTabWidth(4);
    const std::string line = std::string(40, '\t') + "abcdefghijklmnopqr";
    test::Load(ed, {"x", line});
    EXPECT_GE(ed.MaxLineCols(), 40 * 4 + 18);
    EXPECT_EQ(view.H.Max, ed.MaxLineCols() + 2);
    ed.GotoPoint({0, 1});
    Key(Keys::End);
    EXPECT_TRUE(CaretOnScreen());
    ed.ProcessChar('s');
    EXPECT_TRUE(CaretOnScreen());
    EXPECT_EQ(view.H.Pos, ed.LeftCol());
    // The scroll range reaches the end of the line: scrolled fully right, the end shows.
    ed.ScrollToCol(1 << 20);
    EXPECT_GE(ed.LeftCol() + ed.VisibleCols(), 40 * 4 + 19);
    // A wider tab widens the range.
    ed.SetTabWidth(8);
    EXPECT_GE(ed.MaxLineCols(), 40 * 8 + 19);
    EXPECT_EQ(view.H.Max, ed.MaxLineCols() + 2);
}

} // namespace
} // namespace tandrel
