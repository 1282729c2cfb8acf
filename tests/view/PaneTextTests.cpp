// A side's whole text taken back from the pane that shows it: the equal lines a display of
// differences only leaves out come back where they stood, fillers stay out, and both keep
// their places through the pane's edits. Random texts under every option give their own
// text back; random edits are followed against a plain list of what the pane stands for.

#include "DiffRows.h"
#include "DiffUnit.h"
#include "HashUnit.h"
#include "PaneRows.h"
#include "PaneText.h"

#include <gtest/gtest.h>
#include <random>

namespace tandrel {
namespace {

using Lines = std::vector<std::string>;
constexpr TRowColors Colors{100, 1, 3, 2};

Lines Strings(const std::vector<std::string_view>& views) {
    return {views.begin(), views.end()};
}

// Two texts compared, shown with or without the equal lines in two line stores.
struct TShownPair {
    Lines Text1;
    Lines Text2;
    TLines Left{nullptr};
    TLines Right{nullptr};
    TPaneText Side1;
    TPaneText Side2;
    std::vector<THiddenRun> Hidden;

    TShownPair(Lines text1, Lines text2, bool diffsOnly, bool ignoreCase = false,
               bool ignoreBlanks = false)
        : Text1(std::move(text1)), Text2(std::move(text2)) {
        const std::vector<int32_t> h1 = HashLines(Text1, ignoreCase, ignoreBlanks);
        const std::vector<int32_t> h2 = HashLines(Text2, ignoreCase, ignoreBlanks);
        const int32_t none = 0;
        TDiff diff;
        EXPECT_TRUE(diff.Execute(h1.empty() ? &none : h1.data(), h2.empty() ? &none : h2.data(),
                                 int32_t(h1.size()), int32_t(h2.size())));
        const TDiffRows rows = BuildDiffRows(diff.Blocks(), Text1, Text2, Colors, diffsOnly);
        Hidden = rows.Hidden;
        EXPECT_TRUE(diffsOnly || rows.Hidden.empty());
        FillPane(Left, rows.Side1);
        FillPane(Right, rows.Side2);
        Left.SetLinesModified(false);
        Right.SetLinesModified(false);
        const std::vector<std::string_view> views1(Text1.begin(), Text1.end());
        const std::vector<std::string_view> views2(Text2.begin(), Text2.end());
        Side1.ShowsRows(true, rows.Hidden, views1);
        Side2.ShowsRows(false, rows.Hidden, views2);
        Subscriptions[0] =
            Left.Subscribe([this](TLines&, const TLinesChange& change) { Side1.Follow(change); });
        Subscriptions[1] =
            Right.Subscribe([this](TLines&, const TLinesChange& change) { Side2.Follow(change); });
    }
    Lines Whole1() const { return Strings(Side1.WholeText(Left)); }
    Lines Whole2() const { return Strings(Side2.WholeText(Right)); }

    TSubscription Subscriptions[2];
};

TEST(PaneText, TheIssueExampleComesBackWholeOnBothSides) {
    const Lines a{"l1", "l2", "l3", "l4", "l5", "l6"};
    const Lines b{"new0", "l1", "X2", "l3", "l5", "l6", "add7"};
    TShownPair pair(a, b, true);
    ASSERT_EQ(pair.Left.Count(), 4);
    EXPECT_EQ(pair.Whole1(), a);
    EXPECT_EQ(pair.Whole2(), b);
}

TEST(PaneText, HiddenRunsKeepTheirPlacesThroughEdits) {
    // Rows: [filler|new0] [l2|X2] [l4|filler] [filler|add7]; l1 hidden before row 1, l3
    // before row 2, l5 and l6 before row 3.
    TShownPair pair({"l1", "l2", "l3", "l4", "l5", "l6"},
                    {"new0", "l1", "X2", "l3", "l5", "l6", "add7"}, true);
    TLines& left = pair.Left;
    left.SetLine(1, "l2!");
    EXPECT_EQ(pair.Whole1(), (Lines{"l1", "l2!", "l3", "l4", "l5", "l6"}));
    // A line put in before a row stands after the hidden lines before that row.
    left.InsertLines(2, {"before l4"});
    left.InsertLines(1, {"before l2"});
    EXPECT_EQ(pair.Whole1(),
              (Lines{"l1", "before l2", "l2!", "l3", "before l4", "l4", "l5", "l6"}));
    // Removing every shown row keeps the hidden lines in order.
    left.DeleteLines(1, 4);
    EXPECT_EQ(pair.Whole1(), (Lines{"l1", "l3", "l5", "l6"}));
    // A filler typed into is a line of this side.
    pair.Right.SetLine(2, "typed");
    EXPECT_EQ(pair.Whole2(), (Lines{"new0", "l1", "X2", "l3", "typed", "l5", "l6", "add7"}));
    pair.Right.Clear();
    EXPECT_EQ(pair.Whole2(), (Lines{"l1", "l3", "l5", "l6"}));
}

TEST(PaneText, NumberedRowsAreNoFillersOnceTheTextIsSaved) {
    TShownPair pair({"a", "b"}, {"a", "x", "b"}, false);
    // Row 1 on side 1 is the filler for "x"; typed into, it is text of side 1.
    pair.Left.SetLine(1, "typed");
    const Lines saved = pair.Whole1();
    EXPECT_EQ(saved, (Lines{"a", "typed", "b"}));
    pair.Side1.NumberRows(pair.Left);
    pair.Left.SetLinesModified(false);
    EXPECT_EQ(pair.Whole1(), saved);
    EXPECT_EQ(pair.Left.GetLineObj(1).Tag, 2);
    EXPECT_EQ(pair.Left.GetLineObj(2).Tag, 3);
    // Side 2 saved unedited: its rows keep their numbers.
    pair.Side2.NumberRows(pair.Right);
    EXPECT_EQ(pair.Right.GetLineObj(2).Tag, 3);
}

TEST(PaneText, TheTextItselfIsEveryRow) {
    TLines lines(nullptr);
    lines.InsertLines(0, {"", "a", ""});
    lines.SetLinesModified(false);
    TPaneText text;
    text.ShowsText();
    EXPECT_EQ(Strings(text.WholeText(lines)), (Lines{"", "a", ""}));
}

// Random texts of few distinct lines, some differing only by case or blanks.
Lines RandomText(std::mt19937& random, int length) {
    static const char* const words[] = {"a", "A", "b", " b", "c", "a b", "ab", ""};
    Lines text;
    for (int i = 0; i < length; ++i)
        text.push_back(words[random() % 8]);
    return text;
}

TEST(PaneText, RandomTextsUnderEveryOptionComeBackWhole) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        const Lines text1 = RandomText(random, int(random() % 30));
        const Lines text2 = RandomText(random, int(random() % 30));
        const bool diffsOnly = round % 2;
        const bool ignoreCase = round % 4 >= 2;
        const bool ignoreBlanks = round % 8 >= 4;
        TShownPair pair(text1, text2, diffsOnly, ignoreCase, ignoreBlanks);
        ASSERT_EQ(pair.Whole1(), text1) << "round " << round;
        ASSERT_EQ(pair.Whole2(), text2) << "round " << round;
    }
}

// What a pane stands for, in order: its rows and the hidden lines between them. A line put
// in at row k goes before row k and after the hidden lines before it; a row taken out
// leaves its neighbours' hidden lines where they were.
struct TToken {
    bool Row;
    bool Filler;
    std::string Text;
};

TEST(PaneText, RandomEditsAreFollowed) {
    std::mt19937 random(5);
    for (int round = 0; round < 100; ++round) {
        TShownPair pair(RandomText(random, 40), RandomText(random, 40), true);
        TLines& pane = pair.Left;
        std::vector<TToken> tokens;
        auto hiddenBefore = [&](std::int32_t row) {
            for (const THiddenRun& run : pair.Hidden)
                if (run.Row == row)
                    for (std::int32_t n = 0; n < run.Count; ++n)
                        tokens.push_back({false, false, pair.Text1[size_t(run.Pos1 + n)]});
        };
        for (std::int32_t r = 0; r < pane.Count(); ++r) {
            hiddenBefore(r);
            tokens.push_back({true, pane.GetLineObj(r).Tag == 0, pane[r]});
        }
        hiddenBefore(pane.Count());
        auto rowToken = [&](std::int32_t row) {
            auto it = tokens.begin();
            for (std::int32_t seen = -1;; ++it)
                if (it == tokens.end() || (it->Row && ++seen == row))
                    return it;
        };
        for (int step = 0; step < 30; ++step) {
            const std::string text = "edit " + std::to_string(step);
            const int what = int(random() % 3);
            if (what == 0 || pane.Count() == 0) {
                const auto row = std::int32_t(random() % size_t(pane.Count() + 1));
                pane.InsertLines(row, {text});
                tokens.insert(rowToken(row), {true, false, text});
            } else if (what == 1) {
                const auto row = std::int32_t(random() % size_t(pane.Count()));
                pane.DeleteLines(row, 1);
                tokens.erase(rowToken(row));
            } else {
                const auto row = std::int32_t(random() % size_t(pane.Count()));
                pane.SetLine(row, text);
                *rowToken(row) = {true, false, text};
            }
            Lines expected;
            for (const TToken& token : tokens)
                if (!token.Filler)
                    expected.push_back(token.Text);
            ASSERT_EQ(pair.Whole1(), expected) << "round " << round << " step " << step;
        }
    }
}

} // namespace
} // namespace tandrel
