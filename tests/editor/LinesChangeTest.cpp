// Block edits of the line store and what its listeners and the editor's listeners hear.
#include "EditorTestUtil.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace tandrel {
namespace {

using test::ErrorOf;
using test::FullText;

struct Recorder {
    std::vector<TLinesChange> Changes;
    TSubscription Subscription;
    explicit Recorder(TLines& lines)
        : Subscription(lines.Subscribe(
              [this](TLines&, const TLinesChange& change) { Changes.push_back(change); })) {}
};

TEST(LinesBlocks, RangedInsertAndDeleteKeepOffsetsAndReportOneChangeEach) {
    TEditorCore ed;
    TLines& lines = ed.Lines();
    lines.AddLines(std::vector<std::string>{"a", "bb", "ccc"});
    Recorder rec(lines);
    int onChange = 0;
    lines.OnChange = [&](TLines&) { ++onChange; };
    const std::uint64_t before = lines.Revision();

    lines.InsertLines(1, {"x", "yyyy"});
    EXPECT_EQ(FullText(lines), "a\r\nx\r\nyyyy\r\nbb\r\nccc");
    EXPECT_EQ(lines.GetLineObj(4).Start, 1 + 2 + 1 + 2 + 4 + 2 + 2 + 2);
    EXPECT_TRUE(lines.GetLineObj(2).Modified);
    ASSERT_EQ(rec.Changes.size(), 1u);
    EXPECT_EQ(rec.Changes[0].FirstLine, 1);
    EXPECT_EQ(rec.Changes[0].LastLine, 2);
    EXPECT_EQ(rec.Changes[0].LineDelta, 2);
    EXPECT_GT(rec.Changes[0].Revision, before);
    EXPECT_EQ(rec.Changes[0].Revision, lines.Revision());

    lines.DeleteLines(0, 3);
    EXPECT_EQ(FullText(lines), "bb\r\nccc");
    EXPECT_EQ(lines.GetLineObj(1).Start, 4);
    ASSERT_EQ(rec.Changes.size(), 2u);
    EXPECT_EQ(rec.Changes[1].FirstLine, 0);
    EXPECT_EQ(rec.Changes[1].LastLine, -1); // only removed
    EXPECT_EQ(rec.Changes[1].LineDelta, -3);
    EXPECT_GT(rec.Changes[1].Revision, rec.Changes[0].Revision);
    EXPECT_EQ(onChange, 2);

    lines.DeleteLines(2, 0); // nothing, even at the end
    lines.InsertLines(2, {});
    EXPECT_EQ(rec.Changes.size(), 2u);
    EXPECT_EQ(ErrorOf([&] { lines.DeleteLines(1, 2); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorOf([&] { lines.InsertLines(3, {"z"}); }), "List index out of bounds (3)");
    EXPECT_EQ(FullText(lines), "bb\r\nccc");
}

// Large ranged edits anywhere in a text of many blocks, against a plain list of strings:
// texts, offsets and offset lookups stay exact, whatever order they are read in.
TEST(LinesBlocks, RangedEditsOnManyBlocksMatchAPlainList) {
    std::mt19937 rng(5);
    TEditorCore ed;
    TLines& lines = ed.Lines();
    std::vector<std::string> model;
    auto text = [&](size_t n) {
        std::vector<std::string> out(n);
        for (std::string& s : out)
            s.assign(rng() % 9, char('a' + rng() % 26));
        return out;
    };
    lines.AddLines(model = text(5000));
    for (int step = 0; step < 400; ++step) {
        const auto count = std::int32_t(model.size());
        switch (rng() % 4) {
        case 0: {
            const auto at = std::int32_t(rng() % std::uint32_t(count + 1));
            const std::vector<std::string> block = text(rng() % 2 ? rng() % 5 + 1 : rng() % 4000);
            lines.InsertLines(at, block);
            model.insert(model.begin() + at, block.begin(), block.end());
            break;
        }
        case 1: {
            if (count == 0)
                break;
            const auto at = std::int32_t(rng() % std::uint32_t(count));
            const auto n = std::int32_t(rng() % std::uint32_t(std::min(count - at, 3000) + 1));
            lines.DeleteLines(at, n);
            model.erase(model.begin() + at, model.begin() + at + n);
            break;
        }
        case 2:
            if (count > 0) {
                const auto at = std::int32_t(rng() % std::uint32_t(count));
                model[size_t(at)] = text(1)[0];
                lines.SetLine(at, model[size_t(at)]);
            }
            break;
        default:
            for (int k = 0; k < 5 && count > 0; ++k) {
                const auto at = std::int32_t(rng() % std::uint32_t(count));
                std::int32_t start = 0;
                for (std::int32_t i = 0; i < at; ++i)
                    start += std::int32_t(model[size_t(i)].size()) + 2;
                ASSERT_EQ(lines[at], model[size_t(at)]);
                if (rng() % 2)
                    ASSERT_EQ(lines.GetLineObj(at).Start, start) << "step " << step;
                else
                    ASSERT_EQ(lines.LineFromPos(start + std::int32_t(rng() % 2)), at)
                        << "step " << step;
            }
            break;
        }
        ASSERT_EQ(lines.Count(), std::int32_t(model.size()));
    }
    std::int32_t start = 0;
    for (std::int32_t i = 0; i < lines.Count(); ++i) {
        ASSERT_EQ(lines[i], model[size_t(i)]);
        ASSERT_EQ(lines.GetLineObj(i).Start, start);
        start += std::int32_t(model[size_t(i)].size()) + 2;
    }
}

TEST(LinesBlocks, ABracketReportsOneChangeCoveringItsEdits) {
    TEditorCore ed;
    TLines& lines = ed.Lines();
    lines.AddLines(std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7"});
    Recorder rec(lines);
    {
        TLinesUpdate update(lines);
        lines.SetLine(6, "six"); // 6..6, 0
        lines.DeleteLines(1, 2); // 6 moved to 4
        lines.Insert(2, "new");  // 2..2, +1; six is at 5 now
    }
    ASSERT_EQ(rec.Changes.size(), 1u);
    EXPECT_EQ(rec.Changes[0].FirstLine, 1);
    EXPECT_EQ(rec.Changes[0].LastLine, 5);
    EXPECT_EQ(rec.Changes[0].LineDelta, -1);
    EXPECT_EQ(lines[6], "7"); // the line after LastLine is the old line 7
    // A bracket without edits reports nothing to the listeners.
    { TLinesUpdate update(lines); }
    EXPECT_EQ(rec.Changes.size(), 1u);
    // Clearing reports the removal of every line.
    lines.Clear();
    ASSERT_EQ(rec.Changes.size(), 2u);
    EXPECT_EQ(rec.Changes[1].FirstLine, 0);
    EXPECT_EQ(rec.Changes[1].LastLine, -1);
    EXPECT_EQ(rec.Changes[1].LineDelta, -7);
}

// A frame's handler must never run on a half-destroyed editor.
TEST(LinesBlocks, NothingIsReportedWhileTheEditorIsDestroyed) {
    auto ed = std::make_unique<TEditorCore>();
    ed->Lines().AddLines(std::vector<std::string>{"a", "b"});
    int calls = 0;
    ed->Lines().OnChange = [&](TLines&) { ++calls; };
    TSubscription sub = ed->Lines().Subscribe([&](TLines&, const TLinesChange&) { ++calls; });
    ed.reset();
    EXPECT_EQ(calls, 0);
    sub.Reset(); // outliving the store is harmless
}

TEST(LinesBlocks, SeveralListenersSubscribeAndLeaveAtAnyTime) {
    TEditorCore ed;
    TLines& lines = ed.Lines();
    std::vector<std::string> heard;
    TSubscription late;
    TSubscription first = lines.Subscribe([&](TLines&, const TLinesChange&) {
        heard.push_back("first");
        if (!late.Active())
            late = lines.Subscribe([&](TLines&, const TLinesChange&) { heard.push_back("late"); });
    });
    TSubscription second;
    second = lines.Subscribe([&](TLines&, const TLinesChange&) {
        heard.push_back("second");
        first.Reset(); // leaving while the event is delivered
    });
    lines.Add("a");
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "second"}));
    heard.clear();
    lines.Add("b");
    EXPECT_EQ(heard, (std::vector<std::string>{"second", "late"}));
    heard.clear();
    { TSubscription moved = std::move(second); }
    late = TSubscription();
    lines.Add("c");
    EXPECT_TRUE(heard.empty());
}

TEST(LinesBlocks, PasteAndItsUndoAreOneChangeEach) {
    TEditorCore ed;
    test::Load(ed, {"head", "tail"});
    Recorder rec(ed.Lines());
    ed.GotoPoint(TPoint{2, 0});
    ed.InsertText("A\r\nB\r\nC");
    EXPECT_EQ(FullText(ed.Lines()), "heA\r\nB\r\nCad\r\ntail");
    ASSERT_EQ(rec.Changes.size(), 1u);
    EXPECT_EQ(rec.Changes[0].FirstLine, 0);
    EXPECT_EQ(rec.Changes[0].LastLine, 2);
    EXPECT_EQ(rec.Changes[0].LineDelta, 2);
    ed.Undo();
    EXPECT_EQ(FullText(ed.Lines()), "head\r\ntail");
    ASSERT_EQ(rec.Changes.size(), 2u);
    EXPECT_EQ(rec.Changes[1].FirstLine, 0);
    EXPECT_EQ(rec.Changes[1].LastLine, 0);
    EXPECT_EQ(rec.Changes[1].LineDelta, -2);
}

TEST(LinesBlocks, EditorEventsReachEveryListenerAfterTheHandler) {
    TEditorCore ed;
    test::FakeView view;
    ed.SetView(&view);
    std::vector<std::string> lines(100, "some text that is long enough to scroll sideways");
    test::Load(ed, lines);
    std::string heard;
    ed.OnScroll = [&](TEditorCore&) { heard += 'S'; };
    ed.OnCaretPtChange = [&](TEditorCore&) { heard += 'C'; };
    ed.OnSelectionChange = [&](TEditorCore&) { heard += 'L'; };
    TSubscription s1 = ed.SubscribeScroll([&](TEditorCore&) { heard += 's'; });
    TSubscription s2 = ed.SubscribeScroll([&](TEditorCore&) { heard += '2'; });
    TSubscription c = ed.SubscribeCaretPt([&](TEditorCore&) { heard += 'c'; });
    TSubscription l = ed.SubscribeSelection([&](TEditorCore&) { heard += 'l'; });
    ed.SetTopLine(10);
    EXPECT_EQ(heard, "Ss2");
    heard.clear();
    ed.SetCaret(TPoint{3, 12}, false);
    EXPECT_EQ(heard, "CcLl");
    heard.clear();
    s1.Reset();
    ed.SetLeftCol(5);
    EXPECT_EQ(heard, "S2");
}

} // namespace
} // namespace tandrel
