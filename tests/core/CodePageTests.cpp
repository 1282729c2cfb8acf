// The program's code page as the reader uses it: conversions, lead bytes and the one
// case-insensitive order of keys.

#include "CodePage.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

TEST(CodePage, GbkConversionsBothWays) {
    const CodePage gbk("GBK");
    const std::string text = gbk.FromUtf8("窗口 w_main");
    EXPECT_EQ(text, "\xB4\xB0\xBF\xDA w_main");
    EXPECT_EQ(gbk.ToUtf8(text), "窗口 w_main");
    EXPECT_EQ(gbk.ToUtf16(text), u"窗口 w_main");
    const std::u16string utf16 = u"a\u0E01\U0001F600b";
    EXPECT_EQ(gbk.FromUtf16(utf16.data(), utf16.size()), "a??b");
    // A lone lead byte at the end is not a character.
    EXPECT_EQ(gbk.ToUtf8("x\xB4"), "x\xEF\xBF\xBD");
}

TEST(CodePage, LeadBytesAndLowering) {
    const CodePage gbk("GBK");
    EXPECT_TRUE(gbk.IsLeadByte(0xB4));
    EXPECT_FALSE(gbk.IsLeadByte('A'));
    std::string text = "ABC\xB4\x41Z"; // 0xB4 0x41 is one character; its trail byte stays
    gbk.LowerInPlace(text);
    EXPECT_EQ(text, "abc\xB4\x41z");
}

TEST(CodePage, CompareTextIgnoresCaseOfSingleByteLettersOnly) {
    const CodePage gbk("GBK");
    EXPECT_EQ(gbk.CompareText("W_Main", "w_main"), 0);
    EXPECT_LT(gbk.CompareText("w_a", "W_B"), 0);
    EXPECT_LT(gbk.CompareText("w_a", "w_ab"), 0);
    // Trail bytes are compared as stored: these are two different characters.
    EXPECT_NE(gbk.CompareText("\xB4\x41", "\xB4\x61"), 0);
}

TEST(CodePage, UnknownNameKeepsTheProgramCodePage) {
    const std::string before = SystemCodePage().Name();
    EXPECT_THROW(SetSystemCodePage("NO-SUCH-PAGE"), std::runtime_error);
    EXPECT_EQ(SystemCodePage().Name(), before);
}

} // namespace
} // namespace tandrel
