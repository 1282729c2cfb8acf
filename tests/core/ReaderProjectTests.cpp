// Targets, workspaces, file facts and time stamps.

#include "CodePage.h"
#include "PbFuncs.h"
#include "TestFolder.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tandrel {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// A fresh folder per test, with a folder "p" in it.
class ReaderProject : public test::TFolderTest {
protected:
    ReaderProject() : TFolderTest("tandrel-reader") {}

    void SetUp() override {
        TFolderTest::SetUp();
        fs::create_directories(FRoot / "p");
    }

    Strings Target(const std::string& text) const {
        Strings libs;
        GetTargetLibs(Write("p/t.pbt", text), libs);
        return libs;
    }
};

TEST_F(ReaderProject, TargetItemsAreJoinedToItsFolderWithBackslashesAsSeparators) {
    const std::string p = At("p/");
    EXPECT_EQ(
        Target(
            "Save Format v3.0(19990112)\r\nLibList \"a.pbl;sub\\\\b.pbl;..\\\\up\\\\c.pbl\";\r\n"),
        (Strings{p + "a.pbl", p + "sub/b.pbl", p + "../up/c.pbl"}));
    EXPECT_EQ(Target("liblist \"x\\y.pbl\";\n"), (Strings{p + "x/y.pbl"}));
    EXPECT_EQ(Target("LIBLIST \"/abs/a.pbl;C:\\\\pb\\\\b.pbl;D:\\c.pbl\";"),
              (Strings{"/abs/a.pbl", "C:/pb/b.pbl", "D:/c.pbl"}));
}

TEST_F(ReaderProject, TargetListEdgeItems) {
    const std::string p = At("p/");
    // Empty items name no library: not the target's folder either.
    EXPECT_EQ(Target("LibList \"a.pbl;\";"), (Strings{p + "a.pbl"}));
    EXPECT_EQ(Target("LibList \";a.pbl;;b.pbl;;\";"), (Strings{p + "a.pbl", p + "b.pbl"}));
    // A blank splits a path in two.
    EXPECT_EQ(Target("LibList \"my lib.pbl\";"), (Strings{p + "my", p + "lib.pbl"}));
    // Only the first LIBLIST line counts; "LIBLISTX" and short lines are no LIBLIST line.
    EXPECT_EQ(Target("LIBLISTX \"no.pbl\";\nLIB\nLibList \"one.pbl\";\nLibList \"two.pbl\";\n"),
              (Strings{p + "one.pbl"}));
    // Without a LIBLIST line a target has no libraries.
    EXPECT_EQ(Target("appname \"x\";\napplib \"x.pbl\";\n"), Strings{});
    EXPECT_EQ(Target(""), Strings{});
    EXPECT_EQ(Target("LibList \";"), Strings{});
}

TEST_F(ReaderProject, TargetTextInTheCodePageOrAfterAByteOrderMarkGivesUtf8Paths) {
    const std::string p = At("p/");
    const std::string utf8Name = "库.pbl";
    EXPECT_EQ(Target("LibList \"" + SystemCodePage().FromUtf8(utf8Name) + "\";"),
              (Strings{p + utf8Name}));
    EXPECT_EQ(Target("\xEF\xBB\xBFLibList \"" + utf8Name + "\";"), (Strings{p + utf8Name}));
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : u"LibList \"\u5E93.pbl\";") {
        if (c == 0)
            break;
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    EXPECT_EQ(Target(utf16), (Strings{p + utf8Name}));
}

TEST(SplitLibList, SeparatorsQuotesAndEmptyItems) {
    EXPECT_EQ(SplitLibList(""), Strings{});
    EXPECT_EQ(SplitLibList("  \t a"), Strings{"a"});
    EXPECT_EQ(SplitLibList("a;;b"), (Strings{"a", "", "b"}));
    EXPECT_EQ(SplitLibList("a ; b"), (Strings{"a", "b"}));
    EXPECT_EQ(SplitLibList("a;"), (Strings{"a", ""}));
    EXPECT_EQ(SplitLibList(";"), (Strings{"", ""}));
    EXPECT_EQ(SplitLibList("\"x y\";z"), (Strings{"x y", "z"}));
    EXPECT_EQ(SplitLibList("\"say \"\"hi\"\"\";\"open"), (Strings{"say \"hi\"", "open"}));
    // Bytes of 128 and above never separate.
    EXPECT_EQ(SplitLibList("\xA1\xA0;b"), (Strings{"\xA1\xA0", "b"}));
}

TEST_F(ReaderProject, WorkspaceTakesTheTargetsBetweenBeginAndEnd) {
    Write("p/one/one.pbt", "LibList \"a.pbl;b.pbl\";\n");
    Write("p/Two Words/Two.pbt", "LibList \"..\\\\c.pbl\";\n");
    Write("p/stray.pbt", "LibList \"stray.pbl\";\n");
    const std::string workspace = Write("p/w.pbw", "Save Format v3.0(19990112)\n"
                                                   " 9 \"stray.pbt\";\n"
                                                   "@end;\n"
                                                   "@begin Unchecked\n"
                                                   "@end;\n"
                                                   "@begin Targets\n"
                                                   " 0 \"one\\\\one.pbt\";\n"
                                                   " 1 \"two words\\\\TWO.PBT\";\n"
                                                   "@end;\n"
                                                   " 2 \"stray.pbt\";\n");
    Strings libs;
    GetWorkspaceLibs(workspace, libs);
    const std::string p = At("p/");
    EXPECT_EQ(libs, (Strings{p + "one/a.pbl", p + "one/b.pbl", p + "Two Words/../c.pbl"}));
}

TEST_F(ReaderProject, UnreadableTargetRaisesWithTheSystemMessage) {
    const std::string workspace = Write("p/w.pbw", "@begin Targets\n \"gone.pbt\";\n@end;\n");
    Strings libs;
    try {
        GetWorkspaceLibs(workspace, libs);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + At("p/gone.pbt") + "\". No such file or directory");
    }
}

TEST_F(ReaderProject, FolderRecordsOfFilesAndFolders) {
    const std::string file = Write("p/Lib.PBL", std::string(1234, 'x'));
    const auto rec = GetFolderRec(file);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->FileName, file);
    EXPECT_FALSE(rec->IsDir);
    EXPECT_EQ(rec->Size, 1234);
    EXPECT_EQ(rec->Status, csSame);

    const auto dir = GetFolderRec(At("p"));
    ASSERT_NE(dir, nullptr);
    EXPECT_TRUE(dir->IsDir);

    EXPECT_EQ(GetFolderRec(At("p/none.pbl")), nullptr);
    EXPECT_EQ(GetFolderRec(At("p/")), nullptr);
    EXPECT_EQ(GetFolderRec(""), nullptr);
}

TEST_F(ReaderProject, NamesNotFoundExactlyAreLookedUpIgnoringCase) {
    Write("p/Sub/Lib.PBL", "x");
    const auto rec = GetFolderRec(At("p/sub/lib.pbl"));
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->FileName, At("p/Sub/Lib.PBL"));
    EXPECT_EQ(TPathLookup().Find(At("p/SUB/../sub/LIB.pbl")), At("p/Sub/../Sub/Lib.PBL"));
    EXPECT_EQ(TPathLookup().Find(At("p/sub/lib.pbx")), std::nullopt);
}

// Runs a check under a time zone and restores the previous one.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            FOld = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (FOld)
            setenv("TZ", FOld->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> FOld;
};

TEST(PblTime, TimeStampsReadAsLocalTime) {
    {
        TimeZone zone("Asia/Shanghai");
        EXPECT_DOUBLE_EQ(PblTimeToDateTime(0), EncodeDateTime(1970, 1, 1, 8, 0, 0));
        EXPECT_EQ(FormatDateTime(PblTimeToDateTime(0)), "1970-01-01 08:00:00");
        EXPECT_DOUBLE_EQ(PblTimeToDateTime(86400) - PblTimeToDateTime(0), 1.0);
        EXPECT_EQ(FormatDateTime(PblTimeToDateTime(1700000000)), "2023-11-15 06:13:20");
    }
    {
        TimeZone zone("UTC");
        EXPECT_EQ(FormatDateTime(PblTimeToDateTime(0)), "1970-01-01 00:00:00");
        EXPECT_EQ(FormatDateTime(PblTimeToDateTime(-1)), "1969-12-31 23:59:59");
        EXPECT_EQ(FormatDateTime(PblTimeToDateTime(INT32_MAX)), "2038-01-19 03:14:07");
    }
}

TEST(PblTime, DateTimeValuesCountDaysSince18991230) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1, 12, 0, 0), 2.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1970, 1, 1, 0, 0, 0), 25569.0);
    EXPECT_EQ(FormatDateTime(EncodeDateTime(2000, 2, 29, 23, 59, 59)), "2000-02-29 23:59:59");
}

TEST_F(ReaderProject, FolderRecordTimeIsLocalAndTruncatedToAnEvenSecond) {
    const std::string file = Write("p/a.pbl", "x");
    const timespec times[2] = {{1700000001, 0}, {1700000001, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    TimeZone zone("Asia/Shanghai");
    const auto rec = GetFolderRec(file);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(FormatDateTime(rec->Time), "2023-11-15 06:13:20");
}

TEST(StatusNames, WordsInStatusOrder) {
    EXPECT_STREQ(StatusNames[csSame], "相同");
    EXPECT_STREQ(StatusNames[csAdded], "增加");
    EXPECT_STREQ(StatusNames[csDeleted], "减少");
    EXPECT_STREQ(StatusNames[csChanged], "更改");
}

} // namespace
} // namespace tandrel
