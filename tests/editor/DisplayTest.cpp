#include "EditorTestUtil.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace tandrel {
namespace {

using test::FakeView;

// An editor in a 400 x 204 client with 8 x 16 pixel characters: rows 0..11 are whole, so
// VisibleLines is 11.
struct Display : ::testing::Test {
    void SetUp() override {
        ed.SetView(&view);
        ed.FontChanged(8, 16);
        ed.ClientResized(400, 204);
    }
    void Fill(int count) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
            lines.push_back("line " + std::to_string(i));
        ed.Lines().AssignLines(lines);
    }
    TEditorCore ed;
    FakeView view;
};

TEST_F(Display, LongTextsHalveTheVerticalScrollRange) {
    Fill(70000);
    EXPECT_EQ(ed.VScrollShift(), 2);
    EXPECT_EQ(view.V.Max, 17500);
    EXPECT_EQ(view.V.Page, 12 >> 2);
    ed.VScroll(TScrollCode::ThumbPosition, 100);
    EXPECT_EQ(ed.TopLine(), 400);
    EXPECT_EQ(view.V.Pos, 100);
    ed.ScrollToLine(1001);
    EXPECT_EQ(ed.TopLine(), 1000); // exact only to four lines
    EXPECT_EQ(view.H.Max, ed.MaxLineLen() + 2);
}

TEST_F(Display, TopLineIsClampedAndPageDownMovesWholeRows) {
    Fill(50);
    EXPECT_EQ(ed.VisibleLines(), 11);
    int scrolls = 0;
    ed.OnScroll = [&](TEditorCore&) { ++scrolls; };
    ed.SetTopLine(1000);
    EXPECT_EQ(ed.TopLine(), 40);
    ed.SetTopLine(-5);
    EXPECT_EQ(ed.TopLine(), 0);
    ed.SetTopLine(0);
    EXPECT_EQ(scrolls, 2);
    ed.VScroll(TScrollCode::PageDown, 0);
    EXPECT_EQ(ed.TopLine(), 12);
    EXPECT_EQ(ed.VisibleLines(), 12); // one partial row more until the next recalculation
    ed.VScroll(TScrollCode::LineUp, 0);
    EXPECT_EQ(ed.TopLine(), 11);
    ed.VScroll(TScrollCode::Other, 3);
    EXPECT_EQ(ed.TopLine(), 11);
    ed.RecalcVisible();
    EXPECT_EQ(ed.VisibleLines(), 11);
}

TEST_F(Display, GrowingWithTheEndInViewPullsTheTextDown) {
    Fill(50);
    ed.SetTopLine(40);
    ed.ClientResized(400, 404);
    EXPECT_EQ(ed.VisibleLines(), 24);
    EXPECT_EQ(ed.TopLine(), 26);
    ed.ClientResized(400, 204); // shrinking leaves it
    EXPECT_EQ(ed.TopLine(), 26);
}

TEST_F(Display, PixelsToPointsThroughTabs) {
    ed.Lines().AssignLines(std::vector<std::string>{"\tab", "xyz"});
    const std::int32_t g = ed.GutterWidth();
    EXPECT_EQ(g, 16);
    auto col = [&](int c) { return g + 4 + c * 8 + 3; };
    EXPECT_EQ(ed.PixelToPoint(col(0), 5), (TPoint{0, 0}));
    EXPECT_EQ(ed.PixelToPoint(col(1), 5), (TPoint{1, 0}));
    EXPECT_EQ(ed.PixelToPoint(col(3), 5), (TPoint{1, 0}));
    EXPECT_EQ(ed.PixelToPoint(col(4), 5), (TPoint{1, 0}));
    EXPECT_EQ(ed.PixelToPoint(col(5), 5), (TPoint{2, 0}));
    EXPECT_EQ(ed.PixelToPoint(col(40), 5), (TPoint{3, 0}));
    EXPECT_EQ(ed.PixelToPoint(col(1), 4 + 16 + 1), (TPoint{1, 1}));
    EXPECT_EQ(ed.PixelToPoint(col(1), 4 + 5 * 16), (TPoint{kLineEndCol, 1}));
    EXPECT_EQ(ed.PixelToPoint(col(1), -50), (TPoint{1, 0}));

    EXPECT_EQ(ed.PointToPixel({1, 0}), (TPoint{4 + 4 * 8, 4}));
    EXPECT_EQ(ed.PointToPixel({99, 1}), (TPoint{4 + 3 * 8, 20}));
    EXPECT_EQ(ed.PointToPixel({-3, 7}), (TPoint{4, 20}));
    EXPECT_EQ(ed.ExpandTabs("\ta\t"), "    a    ");

    TEditorCore empty;
    EXPECT_EQ(empty.PixelToPoint(50, 50), (TPoint{}));
    EXPECT_EQ(empty.PointToPixel({3, 3}), (TPoint{}));
}

TEST_F(Display, OffsetsAndPointsConvertBothWays) {
    ed.Lines().AssignLines(std::vector<std::string>{"ab", "", "cde"});
    EXPECT_EQ(ed.PointFromPos(0), (TPoint{0, 0}));
    EXPECT_EQ(ed.PointFromPos(3), (TPoint{2, 0})); // inside the line break
    EXPECT_EQ(ed.PointFromPos(4), (TPoint{0, 1}));
    EXPECT_EQ(ed.PointFromPos(6), (TPoint{0, 2}));
    EXPECT_EQ(ed.PointFromPos(100), (TPoint{3, 2}));
    EXPECT_EQ(ed.PointFromPos(-4), (TPoint{0, 0}));
    EXPECT_EQ(ed.PosFromPoint({1, 2}), 7);
    EXPECT_EQ(ed.PosFromPoint({0, 3}), 0); // one past the last line
    EXPECT_THROW(ed.PosFromPoint({0, 4}), std::out_of_range);

    TEditorCore empty;
    EXPECT_EQ(empty.PointFromPos(10), (TPoint{}));
    EXPECT_EQ(empty.PosFromPoint({0, 0}), 0);
}

TEST_F(Display, CaretScrollsIntoViewAndIsPlacedAtItsColumn) {
    Fill(100);
    view.Repaints = 0;
    ed.GotoPoint({3, 60});
    EXPECT_EQ(ed.TopLine(), 60 - 11);
    EXPECT_TRUE(view.CaretVisible);
    EXPECT_EQ(view.CaretX, ed.GutterWidth() + 4 + 3 * 8);
    EXPECT_EQ(view.CaretY, 16 * 11 + 4 + 1);
    ed.SetTopLine(70); // the caret above the first row is hidden
    EXPECT_FALSE(view.CaretVisible);
    EXPECT_EQ(ed.CaretPos(), ed.PosFromPoint({3, 60}));
    ed.GotoPoint({0, 10});
    EXPECT_EQ(ed.TopLine(), 10);

    ed.Lines().SetLine(10, std::string(300, 'w'));
    ed.GotoPoint({300, 10});
    EXPECT_EQ(ed.LeftCol(), 300 - ed.VisibleCols());
    ed.ScrollToCol(10000);
    EXPECT_EQ(ed.LeftCol(), 300 - (400 - ed.GutterWidth()) / 8 + 3);
    ed.SetLeftCol(10000);
    EXPECT_EQ(ed.LeftCol(), 300 - (400 - ed.GutterWidth()) / 8 + 4);
    EXPECT_GT(view.Repaints, 0);
}

TEST_F(Display, ColourPropertyRecolorsLinesOfTheOldColour) {
    Fill(3);
    ed.Lines().GetLineObj(1).Color = 0x00FF00;
    ed.SetColor(0x0000FF);
    EXPECT_EQ(ed.Lines().GetLineObj(0).Color, 0x0000FFu);
    EXPECT_EQ(ed.Lines().GetLineObj(1).Color, 0x00FF00u);
    ed.Lines().Add("new");
    EXPECT_EQ(ed.Lines().GetLineObj(3).Color, 0x0000FFu);
}

TEST_F(Display, GutterFollowsAutoLineNumAndExplicitWidths) {
    Fill(5);
    EXPECT_EQ(ed.GutterWidth(), 16);
    ed.SetAutoLineNum(false);
    Fill(500);
    EXPECT_EQ(ed.GutterWidth(), 16); // switching off keeps the width
    ed.SetGutterWidth(-3);
    EXPECT_EQ(ed.GutterWidth(), 0);
    EXPECT_EQ(ed.VisibleCols(), (400 - 4) / 8 - 1);
    ed.SetAutoLineNum(true);
    EXPECT_EQ(ed.GutterWidth(), 32);
}

} // namespace
} // namespace tandrel
