#include "EditorTestUtil.h"

#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace tandrel {
namespace {

using test::ErrorOf;
using test::FullText;

TEST(Lines, StartOffsetsFollowInsertReplaceAndDelete) {
    TEditorCore ed;
    TLines& lines = ed.Lines();
    lines.Add("ab");
    lines.Add("abcd");
    EXPECT_EQ(lines.GetLineObj(0).Start, 0);
    EXPECT_EQ(lines.GetLineObj(1).Start, 4);
    lines.Delete(0);
    EXPECT_EQ(lines.GetLineObj(0).Start, 0);

    lines.Clear();
    lines.AddLines({"a", "b", "c"});
    lines.SetLinesModified(false);
    lines.SetLine(0, "aaaa");
    EXPECT_EQ(lines.GetLineObj(1).Start, 6);
    EXPECT_EQ(lines.GetLineObj(2).Start, 9);
    lines.SetLine(1, "x");
    EXPECT_TRUE(lines.GetLineObj(1).Modified);
    EXPECT_EQ(lines.GetLineObj(2).Start, 9);
}

TEST(Lines, AddCreatesRecordWithEditorDefaults) {
    TEditorCore ed;
    ed.SetColor(0x123456);
    TLines& lines = ed.Lines();
    lines.Add("one");
    std::int32_t index = lines.Add("two");
    EXPECT_EQ(index, 1);
    const TLineObj& obj = lines.GetLineObj(index);
    EXPECT_EQ(obj.Color, 0x123456u);
    EXPECT_EQ(obj.Tag, 0);
    EXPECT_EQ(obj.Kind, 0);
    EXPECT_TRUE(obj.Modified);
    EXPECT_EQ(obj.Len, 3);
    EXPECT_TRUE(lines.Modified());
}

TEST(Lines, BadIndexesRaiseTheListErrors) {
    TEditorCore ed;
    TLines& lines = ed.Lines();
    lines.Add("a");
    EXPECT_EQ(ErrorOf([&] { lines.GetLineObj(-1); }), "TLines.GetLineObj() - index out of bounds.");
    EXPECT_EQ(ErrorOf([&] { lines.GetLineObj(1); }), "TLines.GetLineObj() - index out of bounds.");
    EXPECT_EQ(ErrorOf([&] { lines.Get(5); }), "List index out of bounds (5)");
    EXPECT_EQ(ErrorOf([&] { lines.SetLine(1, "x"); }), "List index out of bounds (1)");
    EXPECT_EQ(ErrorOf([&] { lines.Delete(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorOf([&] { lines.Insert(3, "x"); }), "List index out of bounds (3)");
    EXPECT_EQ(FullText(lines), "a");
}

TEST(Lines, AddLinesPutsNewLinesFirstAndAssignCopiesColourAndTag) {
    TEditorCore ed;
    ed.Lines().Add("a");
    ed.Lines().AddLines(std::vector<std::string>{"x", "y"});
    EXPECT_EQ(FullText(ed.Lines()), "x\r\ny\r\na");

    TEditorCore source;
    source.Lines().Add("p");
    source.Lines().Add("q");
    source.Lines().GetLineObj(1).Color = 0xFF;
    source.Lines().GetLineObj(1).Tag = 7;
    source.Lines().GetLineObj(1).Kind = 3;
    test::Type(ed, "z");
    ASSERT_TRUE(ed.CanUndo());
    ed.Lines().AssignLines(source.Lines());
    EXPECT_EQ(FullText(ed.Lines()), "p\r\nq");
    EXPECT_EQ(ed.Lines().GetLineObj(1).Color, 0xFFu);
    EXPECT_EQ(ed.Lines().GetLineObj(1).Tag, 7);
    EXPECT_EQ(ed.Lines().GetLineObj(1).Kind, 0);
    EXPECT_FALSE(ed.Lines().GetLineObj(0).Modified);
    EXPECT_FALSE(ed.Lines().Modified());
    EXPECT_FALSE(ed.CanUndo());
}

TEST(Lines, ChangeNotificationsAndGutter) {
    TEditorCore ed;
    test::FakeView view;
    ed.SetView(&view);
    ed.FontChanged(10, 20);
    int changes = 0;
    ed.Lines().OnChange = [&](TLines&) { ++changes; };

    ed.Lines().Clear();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(ed.GutterWidth(), 20); // raw value until the next change

    ed.Lines().Add("1");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(ed.GutterWidth(), 20); // two character widths
    {
        TLinesUpdate outer(ed.Lines());
        TLinesUpdate inner(ed.Lines());
        for (int i = 1; i < 10; ++i)
            ed.Lines().Add("x");
        EXPECT_EQ(changes, 1);
    }
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(ed.GutterWidth(), 30);
    for (int i = 10; i < 100; ++i)
        ed.Lines().Add("x");
    EXPECT_EQ(ed.GutterWidth(), 40);

    ed.Lines().Clear();
    EXPECT_EQ(ed.GutterWidth(), 20);
    EXPECT_EQ(changes, 93);
}

TEST(Lines, MaxLineLenRisesAndOnlyClearResetsIt) {
    TEditorCore ed;
    EXPECT_EQ(ed.MaxLineLen(), 160);
    ed.Lines().Add(std::string(200, 'a'));
    EXPECT_EQ(ed.MaxLineLen(), 200);
    ed.Lines().SetLine(0, std::string(250, 'b'));
    EXPECT_EQ(ed.MaxLineLen(), 250);
    ed.Lines().Delete(0);
    EXPECT_EQ(ed.MaxLineLen(), 250);
    ed.Lines().Clear();
    EXPECT_EQ(ed.MaxLineLen(), 160);
}

TEST(Lines, SetLinesModifiedMarksEveryLine) {
    TEditorCore ed;
    ed.Lines().AddLines(std::vector<std::string>{"a", "b"});
    ed.Lines().SetLinesModified(false);
    EXPECT_FALSE(ed.Lines().GetLineObj(1).Modified);
    ed.Lines().SetLinesModified(true);
    EXPECT_TRUE(ed.Lines().GetLineObj(0).Modified);
    EXPECT_TRUE(ed.Lines().GetLineObj(1).Modified);
}

// Offsets are fixed lazily; whatever order they are read in, they equal eager sums.
TEST(Lines, LazyStartsMatchPrefixSumsInAnyReadOrder) {
    std::mt19937 rng(17);
    TEditorCore ed;
    TLines& lines = ed.Lines();
    std::vector<std::string> model;
    for (int step = 0; step < 3000; ++step) {
        int op = int(rng() % 4);
        std::int32_t count = lines.Count();
        std::string s(rng() % 7, 'a' + char(rng() % 26));
        if (op == 0 || count == 0) {
            std::int32_t at = std::int32_t(rng() % std::uint32_t(count + 1));
            lines.Insert(at, s);
            model.insert(model.begin() + at, s);
        } else if (op == 1) {
            std::int32_t at = std::int32_t(rng() % std::uint32_t(count));
            lines.SetLine(at, s);
            model[size_t(at)] = s;
        } else if (op == 2) {
            std::int32_t at = std::int32_t(rng() % std::uint32_t(count));
            lines.Delete(at);
            model.erase(model.begin() + at);
        } else {
            // A read at a random place, by index or by offset.
            std::int32_t at = std::int32_t(rng() % std::uint32_t(count));
            std::int32_t expected = 0;
            for (std::int32_t i = 0; i < at; ++i)
                expected += std::int32_t(model[size_t(i)].size()) + 2;
            if (rng() % 2) {
                ASSERT_EQ(lines.GetLineObj(at).Start, expected);
            } else {
                std::int32_t pos = expected + std::int32_t(rng() % (model[size_t(at)].size() + 2));
                ASSERT_EQ(lines.LineFromPos(pos), at) << "step " << step;
            }
        }
    }
    std::int32_t start = 0;
    for (std::int32_t i = 0; i < lines.Count(); ++i) {
        ASSERT_EQ(lines.GetLineObj(i).Start, start);
        ASSERT_EQ(lines.GetLineObj(i).Len, std::int32_t(model[size_t(i)].size()));
        start += lines.GetLineObj(i).Len + 2;
    }
}

} // namespace
} // namespace tandrel
