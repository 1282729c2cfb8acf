// Deciding whether two objects or two libraries hold the same sources.

#include "CompareTestUtil.h"
#include "ObjectCompare.h"
#include "PairingWalk.h"

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
    std::string s1, s2;
    for (int i = 0; i < 300; ++i) {
        s1 += "line " + std::to_string(i) + "\r\n";
        s2 += "line " + std::to_string(i * 7 % 300) + "\r\n";
    }
    TMemLib lib1({Obj(s1)}), lib2({Obj(s2, "", kStamp + 1)});
    TObjectCompare compare;
    int calls = 0;
    compare.SetProcessEvents([&] { ++calls; });
    EXPECT_FALSE(
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
