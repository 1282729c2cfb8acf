// Listing the entries of a library: forms, fields, keys, the filter and the tree walk.

#include "ReaderTestUtil.h"

#include <gtest/gtest.h>

namespace tandrel::test {
namespace {

using Strings = std::vector<std::string>;

class ReaderList : public ::testing::TestWithParam<PblForm> {};

TEST_P(ReaderList, EntriesCarryTheirStoredFields) {
    const PblImage lib = PblWriter(GetParam())
                             .Add({"w_main.srw", "forward\r\nend forward\r\n", "abc", 1700000000})
                             .Add({"d_emp.srd", "release 10;\r\n", "", -5})
                             .Build();
    const TEntryList entries = List(lib);
    ASSERT_EQ(entries.size(), 2u);
    const TPblEntry& w = *entries[0].Object;
    EXPECT_EQ(entries[0].Key, "ww_main");
    EXPECT_STREQ(w.Name, "w_main.srw");
    EXPECT_EQ(std::string(w.Magic, 4), "ENT*");
    EXPECT_EQ(std::string(w.Version, 4), "0600");
    EXPECT_EQ(w.DataOffset, lib.Layout.Blocks[0][0]);
    const bool unicode = GetParam() == PblForm::Unicode;
    const int32_t chars = static_cast<int32_t>(std::string("abcforward\r\nend forward\r\n").size());
    EXPECT_EQ(w.DataSize, unicode ? 2 * chars : chars);
    EXPECT_EQ(w.TimeStamp, 1700000000);
    EXPECT_EQ(w.CommentLen, 3);
    EXPECT_EQ(w.NameLen, unicode ? 22 : 11);
    EXPECT_EQ(w.Status, csSame);
    EXPECT_EQ(w.Unicode, unicode);
    EXPECT_EQ(entries[1].Key, "dd_emp");
    EXPECT_EQ(entries[1].Object->TimeStamp, -5);
}

TEST_P(ReaderList, OnlySourceEntriesInSmallLettersAreListed) {
    const PblImage lib = PblWriter(GetParam())
                             .Add({"w_a.srw", "x"})
                             .Add({"w_b.SRW", "x"})
                             .Add({"w_c.win", "compiled"})
                             .Add({"noextension", "x"})
                             .Add({"a.b.sru", "x"})
                             .Add({"x.sr", "x"})
                             .Add({"w.srw.bak", "x"})
                             .Add({"m_d.Srm", "x"})
                             .Build();
    EXPECT_EQ(Keys(List(lib)), (Strings{"ww_a", "ua.b", "r"}));
}

TEST_P(ReaderList, EqualNamesOfDifferentTypesGetDistinctKeys) {
    const PblImage lib = PblWriter(GetParam()).Add({"d_x.srd", "a"}).Add({"w_x.srw", "b"}).Build();
    EXPECT_EQ(Keys(List(lib)), (Strings{"dd_x", "ww_x"}));
}

TEST_P(ReaderList, ListingTwiceAppendsTwice) {
    const PblImage lib = PblWriter(GetParam()).Add({"w_x.srw", "b"}).Build();
    TMemoryStream stream = lib.Stream();
    TEntryList entries;
    GetPblEntries(stream, entries);
    GetPblEntries(stream, entries);
    EXPECT_EQ(Keys(entries), (Strings{"ww_x", "ww_x"}));
}

TEST_P(ReaderList, TreeIsWalkedNodeThenLeftSubtreeThenRight) {
    // One object per node: node i holds object i; children of i are 2i+1 and 2i+2.
    PblWriter writer(GetParam());
    for (int i = 0; i < 7; ++i)
        writer.Add({"u_" + std::to_string(i) + ".sru", "x"});
    const PblImage lib = writer.SetEntriesPerNode(1).Build();
    EXPECT_EQ(Keys(List(lib)), (Strings{"uu_0", "uu_1", "uu_3", "uu_4", "uu_2", "uu_5", "uu_6"}));
}

TEST_P(ReaderList, NodeWithoutEntriesStillLeadsToItsChildren) {
    PblWriter writer(GetParam());
    for (int i = 0; i < 3; ++i)
        writer.Add({"u_" + std::to_string(i) + ".sru", "x"});
    PblImage lib = writer.SetEntriesPerNode(1).Build();
    lib.SetEntryCount(0, 0);
    EXPECT_EQ(Keys(List(lib)), (Strings{"uu_1", "uu_2"}));
}

TEST_P(ReaderList, ManyEntriesSpreadOverFullNodes) {
    PblWriter writer(GetParam());
    for (int i = 0; i < 300; ++i)
        writer.Add({"n_object_number_" + std::to_string(i) + ".sru", "x"});
    const PblImage lib = writer.Build();
    EXPECT_GT(lib.Layout.Nodes.size(), 3u);
    EXPECT_EQ(List(lib).size(), 300u);
}

INSTANTIATE_TEST_SUITE_P(Forms, ReaderList, ::testing::Values(PblForm::Ansi, PblForm::Unicode),
                         FormName);

TEST(ReaderForm, HeaderTextInSmallLettersIsAnAnsiLibrary) {
    PblImage lib = PblWriter(PblForm::Ansi).Add({"w_a.srw", "x"}).Build();
    const std::string small = "hdr*powerbuilder";
    std::copy(small.begin(), small.end(), lib.Bytes.begin());
    const TEntryList entries = List(lib);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].Object->Unicode);
}

TEST(ReaderForm, AnythingButTheHeaderTextIsReadAsUnicodeFromNode1536) {
    PblImage lib = PblWriter(PblForm::Unicode).Add({"w_a.srw", "x"}).Build();
    lib.Bytes[0] = 'X';
    const TEntryList entries = List(lib);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].Object->Unicode);
    EXPECT_EQ(lib.Layout.RootNode, 1536);
}

TEST(ReaderForm, UnicodeNamesComeOutInTheCodePage) {
    const PblImage lib = PblWriter(PblForm::Unicode)
                             .Add({Cp("w_主窗口.srw"), "x"})
                             .Add({"", "x", "", 0, u"w_\u0E01\U0001F600.srw"})
                             .Build();
    const TEntryList entries = List(lib);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::string(entries[0].Object->Name), Cp("w_主窗口.srw"));
    EXPECT_EQ(entries[0].Key, Cp("ww_主窗口"));
    // Characters without a form in the code page become one "?" each, a surrogate pair too.
    EXPECT_STREQ(entries[1].Object->Name, "w_??.srw");
}

TEST(ReaderForm, LongUnicodeNameIsShortenedAtACharacterKeepingItsExtension) {
    // 23 two-byte characters and "w_" make 48 bytes before the extension: too long by 2 and
    // by a half character, so 22 characters remain.
    std::string stem = "w_";
    for (int i = 0; i < 23; ++i)
        stem += Cp("窗");
    const PblImage lib = PblWriter(PblForm::Unicode).Add({stem + ".srw", "x"}).Build();
    const TEntryList entries = List(lib);
    ASSERT_EQ(entries.size(), 1u);
    const std::string name = entries[0].Object->Name;
    EXPECT_EQ(name, stem.substr(0, 2 + 22 * 2) + ".srw");
    EXPECT_LE(name.size(), kPblNameMax);
    EXPECT_EQ(entries[0].Key, "w" + stem.substr(0, 2 + 22 * 2));
}

TEST(ReaderForm, FitEntryNameKeepsShortNamesAndCutsNamesWithoutExtension) {
    EXPECT_EQ(FitEntryName("w_a.srw"), "w_a.srw");
    const std::string fifty(50, 'a');
    EXPECT_EQ(FitEntryName(fifty), fifty);
    EXPECT_EQ(FitEntryName(fifty + "b"), fifty);
    EXPECT_EQ(FitEntryName(std::string(60, 'a') + ".srw"), std::string(46, 'a') + ".srw");
}

} // namespace
} // namespace tandrel::test
