// Deciding whether two objects or two libraries hold the same sources.

#include "CompareTestUtil.h"
#include "HashUnit.h"
#include "ObjectCompare.h"
#include "PairingWalk.h"

#include <random>
#include <unordered_map>

namespace tandrel::test {
namespace {

// A library held in memory, listed and sorted.
class TMemLib {
public:
    explicit TMemLib(const std::vector<PblObject>& objects, PblForm form = PblForm::Ansi)
        : FStream(Build(objects, form)) {
        GetPblEntries(FStream, FEntries);
        SortByKey(FEntries);
    }
    TStream& Stream() { return FStream; }
    TEntryList& Entries() { return FEntries; }
    const TPblEntry& Entry(size_t i) const { return *FEntries.at(i).Object; }

private:
    static TMemoryStream Build(const std::vector<PblObject>& objects, PblForm form) {
        PblWriter writer(form);
        for (const PblObject& o : objects)
            writer.Add(o);
        return writer.Build().Stream();
    }
    TMemoryStream FStream;
    TEntryList FEntries;
};

PblObject Obj(const std::string& source, const std::string& comment = "", int32_t stamp = kStamp,
              const std::string& name = "w_a.srw") {
    return PblObject{name, source, comment, stamp};
}

// SameObjects of two versions of one object, the second one a second later.
bool Same(const std::string& source1, const std::string& source2, TCompareOptions options = {},
          const std::string& comment1 = "", const std::string& comment2 = "") {
    TMemLib lib1({Obj(source1, comment1)});
    TMemLib lib2({Obj(source2, comment2, kStamp + 1)});
    TObjectCompare compare;
    return compare.SameObjects(lib1.Stream(), lib1.Entry(0), lib2.Stream(), lib2.Entry(0), options);
}

const std::string Base = "forward\r\nglobal type w_a from window\r\nend type\r\nend forward\r\n";

TEST(SameObjects, EqualSourcesAndBlankLineOnlyChangesAreTheSame) {
    EXPECT_TRUE(Same(Base, Base));
    EXPECT_TRUE(Same(Base, "\r\n" + Base));
    EXPECT_TRUE(Same(
        Base, "forward\r\n\r\n \t\r\nglobal type w_a from window\r\nend type\r\nend forward\r\n"));
    EXPECT_TRUE(Same("\r\n\r\n" + Base, Base));
    EXPECT_TRUE(Same(Base + "\r\n\x1f\r\n", Base)) << "every byte up to 32 trims away";
    EXPECT_TRUE(Same("", "\r\n")) << "a source without lines";
}

TEST(SameObjects, ABlankLineFollowedByCodeIsAChange) {
    // The first line of the inserted block is blank, the second is not.
    EXPECT_FALSE(
        Same(Base,
             "forward\r\n\r\nx = 1\r\nglobal type w_a from window\r\nend type\r\nend forward\r\n"));
    EXPECT_FALSE(Same(Base + "\r\nreturn 1\r\n", Base)) << "deleted the same way";
    EXPECT_FALSE(Same(Base, Base + "\xA1\xA1\r\n")) << "a double-byte blank is text";
}

TEST(SameObjects, AModifiedBlockAlwaysCountsEvenWhenBlank) {
    EXPECT_FALSE(Same("a\r\n\r\nb\r\n", "a\r\n   \r\nb\r\n"));
    EXPECT_TRUE(Same("a\r\n\r\nb\r\n", "a\r\n   \r\nb\r\n", {false, true}));
    EXPECT_FALSE(Same("a\r\nb\r\n", "a\r\nc\r\n"));
}

TEST(SameObjects, OptionsFoldCaseAndDropBlanksInsideLines) {
    const std::string upper = "IF x THEN\r\n\tReturn 1\r\n";
    const std::string lower = "if X then\r\n\treturn 1\r\n";
    EXPECT_FALSE(Same(upper, lower));
    EXPECT_TRUE(Same(upper, lower, {true, false}));
    const std::string spaced = "a = b + c\r\n";
    const std::string tight = "a=b\t+c\r\n";
    EXPECT_FALSE(Same(spaced, tight));
    EXPECT_FALSE(Same(spaced, tight, {true, false}));
    EXPECT_TRUE(Same(spaced, tight, {false, true}));
    EXPECT_TRUE(Same("A = B\r\n", "a=b\r\n", {true, true}));
}

TEST(SameObjects, TheExportCommentIsPartOfTheSource) {
    EXPECT_FALSE(Same(Base, Base, {}, "abc", "abd"));
    EXPECT_FALSE(Same(Base, Base, {}, "", "new comment"));
    EXPECT_TRUE(Same(Base, Base, {}, "same", "same"));
    EXPECT_TRUE(Same(Base, Base, {true, false}, "Same", "SAME"));
}

TEST(SameObjects, AnsiAndUnicodeFormsOfOneSourceAreTheSame) {
    const std::string source = "// \xD6\xD0\xCE\xC4 text\r\n" + Base;
    TMemLib ansi({Obj(source, "c")}, PblForm::Ansi);
    TMemLib wide({Obj(source, "c", kStamp + 5)}, PblForm::Unicode);
    TObjectCompare compare;
    EXPECT_TRUE(
        compare.SameObjects(ansi.Stream(), ansi.Entry(0), wide.Stream(), wide.Entry(0), {}));
}

// The verdict of the engine's script alone, as every pair was decided before the lines were
// looked at first: what the faster paths must agree with.
bool SameByScript(const std::vector<std::string_view>& lines1,
                  const std::vector<std::string_view>& lines2, TCompareOptions options) {
    const std::vector<int32_t> h1 = HashLines(lines1, options.IgnoreCase, options.IgnoreBlanks);
    const std::vector<int32_t> h2 = HashLines(lines2, options.IgnoreCase, options.IgnoreBlanks);
    static const int32_t empty = 0;
    TDiff diff;
    if (!diff.Execute(h1.empty() ? &empty : h1.data(), h2.empty() ? &empty : h2.data(),
                      static_cast<int32_t>(h1.size()), static_cast<int32_t>(h2.size())))
        return false;
    for (const TDiffBlock& block : diff.Blocks()) {
        if (block.Kind == bkModify)
            return false;
        const bool added = block.Kind == bkAdd;
        for (int32_t k = 0; k < block.Count; ++k)
            for (const char c :
                 (added ? lines2
                        : lines1)[static_cast<size_t>((added ? block.Pos2 : block.Pos1) + k)])
                if (static_cast<unsigned char>(c) > 32)
                    return false;
    }
    return true;
}

// A blank line and a line with text whose hashes collide, found by a birthday search.
std::pair<std::string, std::string> CollidingBlankAndText() {
    std::mt19937 rng(7);
    std::unordered_map<int32_t, std::string> blanks;
    while (blanks.size() < (1u << 17)) {
        std::string line(1 + rng() % 12, ' ');
        for (char& c : line)
            c = static_cast<char>(1 + rng() % 32);
        blanks.emplace(LineHash(line, false, false), line);
    }
    for (;;) {
        std::string line(8, 'x');
        for (char& c : line)
            c = static_cast<char>('a' + rng() % 26);
        const auto hit = blanks.find(LineHash(line, false, false));
        if (hit != blanks.end())
            return {hit->second, line};
    }
}

// Random line lists, as blank-heavy as the verdict's hard cases: side 2 is side 1 with a
// few blank lines added or removed and now and then a line changed, so that both verdicts
// come up often. The pool holds a blank line and a text line of one hash.
class TRandomPairs {
public:
    explicit TRandomPairs(uint32_t seed) : FRng(seed) {
        const auto [blank, text] = CollidingBlankAndText();
        FPool = {"",  " ",   "\t", "  \t",     "\x1f", "a",  "A",
                 "b", "a b", "c",  "\xA1\xA1", blank,  text, "B"};
    }
    std::mt19937& Rng() { return FRng; }
    std::pair<std::vector<std::string>, std::vector<std::string>> Next() {
        std::vector<std::string> side1(FRng() % 25);
        for (std::string& line : side1)
            line = Pick(50);
        std::vector<std::string> side2;
        for (const std::string& line : side1) {
            if (FRng() % 4 == 0)
                side2.push_back(Pick(95));
            if (FRng() % 5 != 0 || line.find_first_not_of(std::string(" \t\x1f", 3)) == 0)
                side2.push_back(FRng() % 30 == 0 ? Pick(20) : line);
        }
        return {side1, side2};
    }

private:
    // Blank lines (the first five) come up about blankShare percent of the time.
    const std::string& Pick(size_t blankShare) {
        return FRng() % 100 < blankShare ? FPool[FRng() % 5]
                                         : FPool[5 + FRng() % (FPool.size() - 5)];
    }
    std::mt19937 FRng;
    std::vector<std::string> FPool;
};

TEST(SameLines, AgreesWithTheEngineOnRandomPairsFullOfBlankLines) {
    TRandomPairs pairs(20240611);
    TObjectCompare compare;
    int same = 0;
    int differ = 0;
    for (int round = 0; round < 4000; ++round) {
        const auto [side1, side2] = pairs.Next();
        const std::vector<std::string_view> lines1(side1.begin(), side1.end());
        const std::vector<std::string_view> lines2(side2.begin(), side2.end());
        const TCompareOptions options{round % 3 == 1, round % 4 == 2};
        const bool expected = SameByScript(lines1, lines2, options);
        ASSERT_EQ(compare.SameLines(lines1, lines2, options), expected)
            << "round " << round << ": " << ::testing::PrintToString(side1) << " against "
            << ::testing::PrintToString(side2);
        (expected ? same : differ) += 1;
    }
    EXPECT_GT(same, 800);
    EXPECT_GT(differ, 800);
}

// The same pairs as sources read from libraries: the lines are walked from the texts, with
// CR LF on one side against LF on the other, comments that now and then differ, and both
// library forms.
TEST(SameObjects, AgreesWithTheEngineOnRandomSourcesFullOfBlankLines) {
    TRandomPairs pairs(20261208);
    std::mt19937& rng = pairs.Rng();
    const auto join = [&rng](const std::vector<std::string>& lines) {
        const std::string breaks[] = {"\r\n", "\n", "\r"};
        const std::string& usual = breaks[rng() % 3];
        std::string text;
        for (size_t i = 0; i < lines.size(); ++i) {
            text += lines[i];
            if (i + 1 < lines.size() || rng() % 2 == 0)
                text += rng() % 10 == 0 ? breaks[rng() % 3] : usual;
        }
        return text;
    };
    const std::string comments[] = {"", "a comment", "A Comment", "two\r\nlines", " "};
    TObjectCompare compare;
    int same = 0;
    int differ = 0;
    for (int round = 0; round < 3000; ++round) {
        const auto [side1, side2] = pairs.Next();
        const std::string& comment1 = comments[rng() % 5];
        const std::string& comment2 = rng() % 4 == 0 ? comments[rng() % 5] : comment1;
        const PblForm form = round % 2 == 0 ? PblForm::Ansi : PblForm::Unicode;
        TMemLib lib1({Obj(join(side1), comment1)}, form);
        TMemLib lib2({Obj(join(side2), comment2, kStamp + 1)}, form);
        std::vector<std::string> read1, read2;
        GetEntrySource(lib1.Stream(), lib1.Entry(0), read1);
        GetEntrySource(lib2.Stream(), lib2.Entry(0), read2);
        const TCompareOptions options{round % 3 == 1, round % 4 == 2};
        const bool expected =
            SameByScript(std::vector<std::string_view>(read1.begin(), read1.end()),
                         std::vector<std::string_view>(read2.begin(), read2.end()), options);
        ASSERT_EQ(compare.SameObjects(lib1.Stream(), lib1.Entry(0), lib2.Stream(), lib2.Entry(0),
                                      options),
                  expected)
            << "round " << round << ": " << ::testing::PrintToString(read1) << " against "
            << ::testing::PrintToString(read2);
        (expected ? same : differ) += 1;
    }
    EXPECT_GT(same, 500);
    EXPECT_GT(differ, 500);
}

TEST(SameLines, ALineWithTheHashOfABlankLineCanStillBeMatchedByIt) {
    // The engine sees hashes only: it matches the text line with the first blank line and
    // takes the second as added, which is a blank line only change.
    const auto [blank, text] = CollidingBlankAndText();
    const std::vector<std::string_view> lines1 = {"x", text, "y"};
    const std::vector<std::string_view> lines2 = {"x", blank, blank, "y"};
    ASSERT_TRUE(SameByScript(lines1, lines2, {}));
    TObjectCompare compare;
    EXPECT_TRUE(compare.SameLines(lines1, lines2, {}));
    EXPECT_FALSE(compare.SameLines(lines1, {"x", "y"}, {}));
    // The blank line whose hash the text line has may lie before the first change.
    for (const auto& [side1, side2] : {std::pair{std::vector<std::string_view>{text},
                                                 std::vector<std::string_view>{blank, text}},
                                       std::pair{std::vector<std::string_view>{blank, "x", text},
                                                 std::vector<std::string_view>{blank, "x"}}})
        EXPECT_EQ(compare.SameLines(side1, side2, {}), SameByScript(side1, side2, {}));
}

TEST(ObjectsDiffer, EqualSizeAndTimeAreTheSameWithoutReading) {
    TMemLib lib1({Obj("aaaa\r\n")}), lib2({Obj("bbbb\r\n")});
    TObjectCompare compare;
    // No handles at all: a read would throw.
    EXPECT_FALSE(compare.ObjectsDiffer(nullptr, lib1.Entry(0), nullptr, lib2.Entry(0), {}));
    TPblEntry later = lib2.Entry(0);
    later.TimeStamp += 1;
    EXPECT_TRUE(compare.ObjectsDiffer(&lib1.Stream(), lib1.Entry(0), &lib2.Stream(), later, {}));
    EXPECT_THROW(compare.ObjectsDiffer(nullptr, lib1.Entry(0), nullptr, later, {}),
                 std::logic_error);
}

TEST(PairObjects, WindowAndUserObjectOfOneNameDoNotPair) {
    TMemLib lib1({Obj(Base, "", kStamp, "x.srw"), Obj("a\r\n", "", kStamp, "W_Main.srw")});
    TMemLib lib2({Obj(Base, "", kStamp, "x.sru"), Obj("b\r\n", "", kStamp + 1, "w_main.srw")});
    TObjectCompare compare;
    TCompareCounts counts;
    compare.PairObjects(lib1.Entries(), lib2.Entries(), counts, &lib1.Stream(), &lib2.Stream(), {});
    EXPECT_EQ(Describe(lib1.Entries()), "_:1 wW_Main:3 wx:2");
    EXPECT_EQ(Describe(lib2.Entries()), "ux:1 ww_main:3 _:2");
    EXPECT_EQ(CountsText(counts), "0/0 +1 -1 ~1");
}

TEST(PairObjects, TheEngineHookRunsDuringLongDiffs) {
    // The same code lines with the blank lines moved about: only a search can tell whether
    // the blank lines were just added and deleted.
    std::string s1, s2;
    for (int i = 0; i < 300; ++i) {
        s1 += "line " + std::to_string(i) + (i % 2 == 0 ? "\r\n\r\n" : "\r\n");
        s2 += "line " + std::to_string(i) + (i % 6 == 3 ? "\r\n \r\n" : "\r\n");
    }
    TMemLib lib1({Obj(s1)}), lib2({Obj(s2, "", kStamp + 1)});
    TObjectCompare compare;
    int calls = 0;
    compare.SetProcessEvents([&] { ++calls; });
    EXPECT_TRUE(
        compare.SameObjects(lib1.Stream(), lib1.Entry(0), lib2.Stream(), lib2.Entry(0), {}));
    EXPECT_GT(calls, 0);
}

class SameLibsTest : public ::testing::Test {
protected:
    TTempDir Dir;
    TObjectCompare Compare;
};

TEST_F(SameLibsTest, LibrariesWithoutSourcesAreTheSame) {
    WriteLib(Dir / "a.pbl", {Obj("compiled", "", kStamp, "w_a.win")});
    WriteLib(Dir / "b.pbl", {}, PblForm::Unicode);
    EXPECT_TRUE(Compare.SameLibs(Dir / "a.pbl", Dir / "b.pbl", {}));
}

TEST_F(SameLibsTest, AnUnpairedObjectOnEitherSideMakesThemDiffer) {
    WriteLib(Dir / "a.pbl", {Obj(Base)});
    WriteLib(Dir / "b.pbl", {Obj(Base), Obj(Base, "", kStamp, "w_b.srw")});
    EXPECT_FALSE(Compare.SameLibs(Dir / "a.pbl", Dir / "b.pbl", {}));
    EXPECT_FALSE(Compare.SameLibs(Dir / "b.pbl", Dir / "a.pbl", {}));
}

TEST_F(SameLibsTest, ObjectsThatDoNotPairMakeThemDifferEvenAtEqualCounts) {
    WriteLib(Dir / "a.pbl", {Obj(Base), Obj(Base, "", kStamp, "d_x.srd")});
    WriteLib(Dir / "b.pbl", {Obj(Base), Obj(Base, "", kStamp, "d_y.srd")});
    EXPECT_FALSE(Compare.SameLibs(Dir / "a.pbl", Dir / "b.pbl", {}));
    WriteLib(Dir / "c.pbl", {Obj(Base), Obj(Base, "", kStamp, "D_X.srd")});
    EXPECT_TRUE(Compare.SameLibs(Dir / "a.pbl", Dir / "c.pbl", {}));
    // One object that differs among several that are the same.
    WriteLib(Dir / "d.pbl", {Obj(Base), Obj(Base + "x\r\n", "", kStamp + 1, "d_x.srd")});
    EXPECT_FALSE(Compare.SameLibs(Dir / "a.pbl", Dir / "d.pbl", {}));
}

TEST_F(SameLibsTest, BlankLineDifferencesLeaveLibrariesTheSame) {
    WriteLib(Dir / "a.pbl", {Obj(Base), Obj("x\r\n", "", kStamp, "f_x.srf")});
    WriteLib(Dir / "b.pbl",
             {Obj(Base + "\r\n\r\n", "", kStamp + 9), Obj("x\r\n", "", kStamp, "f_x.srf")},
             PblForm::Unicode);
    EXPECT_TRUE(Compare.SameLibs(Dir / "a.pbl", Dir / "b.pbl", {}));
}

TEST_F(SameLibsTest, AMissingFileRaisesTheOpenError) {
    WriteLib(Dir / "a.pbl", {});
    try {
        Compare.SameLibs(Dir / "a.pbl", Dir / "gone.pbl", {});
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + (Dir / "gone.pbl") + "\""),
                  std::string::npos)
            << e.what();
    }
}

} // namespace
} // namespace tandrel::test
