// Paths whose names are not UTF-8 (code page bytes copied from a Windows disk) keep naming
// the same file through keys and history files.

#include "CompareTestUtil.h"
#include "LibCompare.h"
#include "PathText.h"

#include <gtest/gtest.h>

namespace tandrel::test {
namespace {

const std::string GbkName = "\xBF\xE2"; // 库 in GBK
const std::string Utf8Name = "\xE5\xBA\x93";

TEST(PathText, TellsUtf8FromOtherBytes) {
    EXPECT_TRUE(IsValidUtf8("plain/ascii.pbl"));
    EXPECT_TRUE(IsValidUtf8("/x/" + Utf8Name + ".pbl"));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("/x/" + GbkName + ".pbl"));
    EXPECT_FALSE(IsValidUtf8("\xE5\xBA"));         // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
}

TEST(PathText, ConvertsBothSpellingsToTheSameCodePageText) {
    EXPECT_EQ(PathToCodePage("/x/" + Utf8Name + ".pbl"), "/x/" + GbkName + ".pbl");
    EXPECT_EQ(PathToCodePage("/x/" + GbkName + ".pbl"), "/x/" + GbkName + ".pbl");
    EXPECT_EQ(PathToUtf8Text("/x/" + GbkName + ".pbl"), "/x/" + Utf8Name + ".pbl");
    EXPECT_EQ(PathToUtf8Text("/x/" + Utf8Name + ".pbl"), "/x/" + Utf8Name + ".pbl");
}

TEST(PathText, CodePageTextNamesTheFileThatExists) {
    TTempDir dir;
    // Only the raw code page name exists: it is the file meant.
    WriteText(dir / (GbkName + ".pbl"), "x");
    EXPECT_EQ(PathFromCodePage(dir.Path() + GbkName + ".pbl"), dir.Path() + GbkName + ".pbl");
    // When the UTF-8 spelling exists, or neither does, the UTF-8 spelling is taken.
    WriteText(dir / (Utf8Name + ".pbl"), "y");
    EXPECT_EQ(PathFromCodePage(dir.Path() + GbkName + ".pbl"), dir.Path() + Utf8Name + ".pbl");
    EXPECT_EQ(PathFromCodePage(dir.Path() + GbkName + "2.pbl"), dir.Path() + Utf8Name + "2.pbl");
}

TEST(PathText, LibraryWithCodePageNameIsKeyedAndRemembered) {
    TTempDir dir;
    const std::string raw = dir / (GbkName + ".pbl");
    WriteLib(raw, {{"w_one.srw", "forward\r\nend forward\r\n", "", kStamp}});
    TLibCompare compare(dir.Path());
    compare.AddLibraries({raw}, 1, {});
    ASSERT_EQ(compare.Libs1().size(), 1u);
    EXPECT_EQ(compare.Libs1()[0].Key, GbkName + ".pbl");

    compare.OpenSingleLib(raw, 1, {});
    EXPECT_EQ(ReadText(dir / "File1.lst"), raw + "\r\n");
    // The UTF-8 spelling of the same characters is another file's name: a second entry.
    compare.RememberLib(dir.Path() + Utf8Name + ".pbl", 1);
    EXPECT_EQ(compare.History(1).size(), 2u);

    compare.RememberLib(raw, 1);
    TLibCompare again(dir.Path());
    again.LoadHistory();
    EXPECT_EQ(again.History(1), (std::vector<std::string>{raw, dir.Path() + Utf8Name + ".pbl"}));
}

} // namespace
} // namespace tandrel::test
