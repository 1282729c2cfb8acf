// The changed bytes inside a modified pair of rows: whole identifiers and numbers,
// double-byte characters never split, the ignore options, changes of blanks, long lines;
// random lines for the invariants every painter relies on; the per-row cache.

#include "CodePage.h"
#include "InlineDiffCache.h"
#include "SourceCompare.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace tandrel {
namespace {

const CodePage& Gbk() {
    static const CodePage page("GBK");
    return page;
}

using Spans = std::vector<TByteSpan>;

TLineChanges Changes(std::string_view a, std::string_view b, bool ignoreCase = false,
                     bool ignoreBlanks = false) {
    TInlineDiffer differ(Gbk());
    return differ.Compare(a, b, ignoreCase, ignoreBlanks);
}

TEST(InlineDiff, WholeIdentifiersAndNumbers) {
    // A renamed variable is one change, not its three differing letters.
    TLineChanges c = Changes("li_count = li_count + 1", "li_total = li_total + 1");
    EXPECT_EQ(c.Side1, (Spans{{0, 8}, {11, 8}}));
    EXPECT_EQ(c.Side2, (Spans{{0, 8}, {11, 8}}));

    c = Changes("ll_row = 1234", "ll_row = 1284");
    EXPECT_EQ(c.Side1, (Spans{{9, 4}}));
    EXPECT_EQ(c.Side2, (Spans{{9, 4}}));

    // A word appended to an identifier takes the identifier along.
    c = Changes("of_get(as_name)", "of_getname(as_name)");
    EXPECT_EQ(c.Side1, (Spans{{0, 6}}));
    EXPECT_EQ(c.Side2, (Spans{{0, 10}}));

    // Punctuation is not widened: an added argument is the added bytes only, and the side
    // without them gets a mark where they belong.
    c = Changes("of_x(a)", "of_x(a, b)");
    EXPECT_EQ(c.Side1, (Spans{{6, 0}}));
    EXPECT_EQ(c.Side2, (Spans{{6, 3}}));

    EXPECT_FALSE(c.WholeLine);
}

TEST(InlineDiff, TinyEqualGapsAreClosed) {
    // "a.b" against "c.d": the lone "." between two changes is shown changed too.
    TLineChanges c = Changes("x = a.b", "x = c.d");
    EXPECT_EQ(c.Side1, (Spans{{4, 3}}));
    EXPECT_EQ(c.Side2, (Spans{{4, 3}}));
    // Three equal characters between changes are kept apart.
    c = Changes("a = b", "c = d");
    EXPECT_EQ(c.Side1, (Spans{{0, 1}, {4, 1}}));
}

TEST(InlineDiff, DoubleByteCharactersAreNeverSplit) {
    // "中文" against "中字": the second characters differ in both bytes.
    TLineChanges c = Changes("ls = '\xD6\xD0\xCE\xC4'", "ls = '\xD6\xD0\xD7\xD6'");
    EXPECT_EQ(c.Side1, (Spans{{8, 2}}));
    EXPECT_EQ(c.Side2, (Spans{{8, 2}}));
    // Same lead byte, different trail byte: the whole character is the change, not its
    // second byte.
    c = Changes("'\x81\x41'", "'\x81\x42'");
    EXPECT_EQ(c.Side1, (Spans{{1, 2}}));
    EXPECT_EQ(c.Side2, (Spans{{1, 2}}));
    // A trail byte that looks like a letter does not join the identifier before it.
    c = Changes("ab\x81\x41", "ab\x81\x42");
    EXPECT_EQ(c.Side1, (Spans{{2, 2}}));
    // Under ignore case, a trail byte that looks like a capital letter stays itself.
    c = Changes("\x81\x41", "\x81\x61", true);
    EXPECT_EQ(c.Side1, (Spans{{0, 2}}));
}

TEST(InlineDiff, IgnoredDifferencesAreNotShown) {
    EXPECT_TRUE(Changes("Return lL_Row", "return ll_row", true).Side1.empty());
    // Two changed words one blank apart read as one change.
    EXPECT_EQ(Changes("Return lL_Row", "return ll_row").Side1, (Spans{{0, 13}}));

    TLineChanges c = Changes("if a=b then", "if  a = b\tthen", false, true);
    EXPECT_TRUE(c.Side1.empty());
    EXPECT_TRUE(c.Side2.empty());
    // What is left after the blanks still shows, at its own bytes.
    c = Changes("x = a + b", "x=a+c", false, true);
    EXPECT_EQ(c.Side1, (Spans{{8, 1}}));
    EXPECT_EQ(c.Side2, (Spans{{4, 1}}));
    // Identifiers are words by their bytes: under ignore blanks "of x" does not become one
    // word "ofx" that the change would widen into.
    c = Changes("of x1", "of x2", false, true);
    EXPECT_EQ(c.Side1, (Spans{{3, 2}}));
}

TEST(InlineDiff, ChangesOfBlanksShowTheBlankRun) {
    // Without ignore blanks a row whose only difference is blanks shows where: the whole
    // blank run, on both sides.
    TLineChanges c = Changes("if a  then", "if a then");
    EXPECT_EQ(c.Side1, (Spans{{4, 2}}));
    EXPECT_EQ(c.Side2, (Spans{{4, 1}}));
    c = Changes("x = 1", "x = 1\t ");
    EXPECT_EQ(c.Side1, (Spans{{5, 0}}));
    EXPECT_EQ(c.Side2, (Spans{{5, 2}}));
    c = Changes("\treturn", "    return");
    EXPECT_EQ(c.Side1, (Spans{{0, 1}}));
    EXPECT_EQ(c.Side2, (Spans{{0, 4}}));
}

TEST(InlineDiff, LongLinesFallBackToTheWholeLine) {
    const std::string limit(TInlineDiffer::kMaxLineBytes, 'a');
    TLineChanges c = Changes(limit, limit + "b");
    EXPECT_TRUE(c.WholeLine);
    EXPECT_TRUE(c.Side1.empty() && c.Side2.empty());
    c = Changes(limit, limit.substr(1) + "b");
    EXPECT_FALSE(c.WholeLine);
    EXPECT_EQ(c.Side2.size(), 1u);
    EXPECT_TRUE(Changes("", "").Side1.empty());
    EXPECT_EQ(Changes("", "abc").Side1, (Spans{{0, 0}}));
}

TEST(InlineDiff, LinesThatShareTooLittleAreShownWhole) {
    // Long lines with hardly a character in common: one change between their common start
    // and end, without a search for scattered matches.
    const std::string head = "ls_text = \"";
    const std::string a = head + std::string(100, 'x') + "\"";
    const std::string b = head + std::string(100, 'y') + "\"";
    TLineChanges c = Changes(a, b);
    EXPECT_TRUE(c.Coarse);
    EXPECT_EQ(c.Side1, (Spans{{11, 100}}));
    EXPECT_EQ(c.Side2, (Spans{{11, 100}}));
    // Long lines that share most of their characters in a shuffled order need more search
    // steps than a frame allows: also shown whole between common start and end.
    std::string shuffled1, shuffled2;
    for (int i = 0; i < 400; ++i) {
        shuffled1 += static_cast<char>('a' + (i * 7) % 26);
        shuffled2 += static_cast<char>('a' + (i * 11) % 26);
    }
    c = Changes("(" + shuffled1 + ")", "(" + shuffled2 + ")");
    EXPECT_TRUE(c.Coarse);
    EXPECT_EQ(c.Side1, (Spans{{1, 400}}));
    // Short lines are always searched.
    c = Changes("abc", "xyz");
    EXPECT_FALSE(c.Coarse);
    EXPECT_EQ(c.Side1, (Spans{{0, 3}}));
}

// The bytes of a line outside its spans, as the comparison sees them.
std::string Outside(std::string_view line, const Spans& spans, bool ignoreCase, bool ignoreBlanks) {
    std::string kept;
    size_t at = 0;
    auto keep = [&](size_t end) {
        for (; at < end; at += Gbk().CharLength(line, at)) {
            const std::string_view unit = line.substr(at, Gbk().CharLength(line, at));
            if (ignoreBlanks && (unit == " " || unit == "\t"))
                continue;
            std::string text(unit);
            if (ignoreCase && text.size() == 1)
                Gbk().LowerInPlace(text);
            kept += text;
        }
    };
    for (const TByteSpan& span : spans) {
        keep(static_cast<size_t>(span.Start));
        kept += '|';
        at = static_cast<size_t>(span.Start + span.Length);
    }
    keep(line.size());
    return kept;
}

// Character starts of a line, and its end.
std::vector<bool> CharBoundaries(std::string_view line) {
    std::vector<bool> boundary(line.size() + 1, false);
    for (size_t at = 0; at < line.size(); at += Gbk().CharLength(line, at))
        boundary[at] = true;
    boundary[line.size()] = true;
    return boundary;
}

// On random lines of letters, digits, blanks, punctuation and double-byte characters: both
// sides have as many spans, in order and apart, on character boundaries; and what lies
// outside the spans is the same on both sides under the options, so a painter that draws
// the spans shows every difference.
TEST(InlineDiff, RandomLinesKeepTheInvariants) {
    const std::vector<std::string> pieces = {
        "a", "B", "c", "x1",       "7",        "_",        " ",        "\t",     "(",     ")",
        ".", ",", "=", "\xD6\xD0", "\xCE\xC4", "\x81\x41", "\x81\x61", "ll_row", "Return"};
    std::mt19937 random(20261208);
    auto line = [&] {
        std::string text;
        const size_t count = random() % 14;
        for (size_t i = 0; i < count; ++i)
            text += pieces[random() % pieces.size()];
        return text;
    };
    TInlineDiffer differ(Gbk());
    for (int round = 0; round < 3000; ++round) {
        const std::string a = line();
        std::string b = random() % 3 == 0 ? line() : a;
        if (b == a && !b.empty())
            b.insert(random() % b.size(), pieces[random() % pieces.size()]);
        const bool ignoreCase = round % 4 == 1 || round % 4 == 3;
        const bool ignoreBlanks = round % 4 >= 2;
        const TLineChanges c = differ.Compare(a, b, ignoreCase, ignoreBlanks);
        SCOPED_TRACE("[" + a + "] [" + b + "] " + std::to_string(round));
        ASSERT_EQ(c.Side1.size(), c.Side2.size());
        for (const auto& [text, spans] : {std::pair{a, c.Side1}, std::pair{b, c.Side2}}) {
            const std::vector<bool> boundary = CharBoundaries(text);
            int32_t end = -1;
            for (const TByteSpan& span : spans) {
                EXPECT_GT(span.Start, end) << "spans touch or overlap";
                EXPECT_GE(span.Length, 0);
                ASSERT_LE(static_cast<size_t>(span.Start + span.Length), text.size());
                EXPECT_TRUE(boundary[static_cast<size_t>(span.Start)]);
                EXPECT_TRUE(boundary[static_cast<size_t>(span.Start + span.Length)]);
                end = span.Start + span.Length;
            }
        }
        EXPECT_EQ(Outside(a, c.Side1, ignoreCase, ignoreBlanks),
                  Outside(b, c.Side2, ignoreCase, ignoreBlanks));
    }
}

// Rows from texts the test keeps; every third row is a modified pair.
struct TRowTable {
    std::vector<std::string> Left, Right;
    int32_t Asked = 0;

    TInlineDiffCache::TRowSource Source() {
        return [this](int32_t row, std::string_view& a, std::string_view& b) {
            ++Asked;
            if (row < 0 || static_cast<size_t>(row) >= Left.size() || row % 3 != 0)
                return false;
            a = Left[static_cast<size_t>(row)];
            b = Right[static_cast<size_t>(row)];
            return true;
        };
    }
};

TEST(InlineDiffCache, WorksOutRowsWhenAskedAndNoticesEdits) {
    TRowTable table;
    for (int i = 0; i < 30; ++i) {
        table.Left.push_back("li_a = " + std::to_string(i));
        table.Right.push_back("li_b = " + std::to_string(i));
    }
    TInlineDiffCache cache(Gbk(), table.Source());
    EXPECT_EQ(cache.Changes(1), nullptr);
    EXPECT_TRUE(cache.Spans(1, true).empty());
    const TLineChanges* first = cache.Changes(3);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Side1, (Spans{{0, 4}}));
    EXPECT_EQ(cache.CachedRows(), 1u);
    EXPECT_EQ(cache.Changes(3), first);
    EXPECT_EQ(cache.CachedRows(), 1u);

    // An edited row is worked out again.
    table.Right[3] = "li_a = 33";
    EXPECT_EQ(cache.Spans(3, false), (Spans{{7, 2}}));
    EXPECT_EQ(cache.Spans(3, true), (Spans{{7, 1}}));

    // Other options forget what was worked out under the old ones.
    table.Right[3] = "LI_A = 3";
    EXPECT_EQ(cache.Spans(3, true).size(), 1u);
    cache.Reset(true, false);
    EXPECT_EQ(cache.CachedRows(), 0u);
    EXPECT_TRUE(cache.Spans(3, true).empty());

    table.Left[6] = std::string(TInlineDiffer::kMaxLineBytes + 1, 'x');
    ASSERT_NE(cache.Changes(6), nullptr);
    EXPECT_TRUE(cache.Changes(6)->WholeLine);
    EXPECT_EQ(cache.CachedRows(), 1u);
}

TEST(InlineDiffCache, ReadsTheModifiedRowsOfBuiltRows) {
    const std::vector<std::string> text1 = {"same", "ls_old = 1", "gone"};
    const std::vector<std::string> text2 = {"same", "ls_new = 1"};
    const TDiffRows rows = BuildDiffRows({{bkModify, 1, 1, 1}, {bkDelete, 2, 0, 1}}, text1, text2,
                                         TRowColors{0, 1, 2, 3}, false);
    TInlineDiffCache cache(Gbk(), ModifiedRowSource(rows));
    EXPECT_EQ(cache.Changes(0), nullptr);
    EXPECT_EQ(cache.Spans(1, true), (Spans{{0, 6}}));
    EXPECT_EQ(cache.Changes(2), nullptr);
    EXPECT_EQ(cache.Changes(3), nullptr);
    EXPECT_EQ(cache.Changes(-1), nullptr);
}

// The panes of a comparison, as the window paints them: after a compare the modified row
// has its changes, the rows around it none, and an edit in a pane is seen at the next paint.
TEST(InlineDiffCache, ReadsTheRowsOfTheComparedPanes) {
    TEditorCore left, right;
    TSourceCompare model(left, right);
    model.LoadSource("a", {"same", "li_count = 1", "same"}, true);
    model.LoadSource("b", {"same", "li_total = 1", "same"}, false);
    ASSERT_EQ(model.Compare(), TCompareResult::Compared);
    TInlineDiffCache cache(Gbk(), PaneRowSource(left.Lines(), right.Lines()));
    EXPECT_TRUE(cache.Spans(0, true).empty());
    EXPECT_EQ(cache.Spans(1, true), (Spans{{0, 8}}));
    EXPECT_EQ(cache.Spans(1, false), (Spans{{0, 8}}));
    EXPECT_EQ(cache.Changes(2), nullptr);
    EXPECT_EQ(cache.Changes(3), nullptr);

    right.Lines().SetLine(1, "li_count = 2");
    EXPECT_EQ(cache.Spans(1, false), (Spans{{11, 1}}));
}

} // namespace
} // namespace tandrel
