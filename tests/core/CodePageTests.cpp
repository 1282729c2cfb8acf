// The program's code page as the reader uses it: conversions, lead bytes and the one
// case-insensitive order of keys.

#include "CodePage.h"

#include <atomic>
#include <gtest/gtest.h>
#include <random>
#include <thread>
#include <vector>

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

// GBK starts from the program's own tables; they must be the ones iconv gives, byte for
// byte, or keys would pair and characters split differently from other code pages.
TEST(CodePage, KnownGbkTablesAreTheProbedOnes) {
    const CodePage known("GBK");
    const CodePage probed("GBK", CodePage::TTables::Probed);
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(known.IsLeadByte(byte), probed.IsLeadByte(byte)) << b;
        EXPECT_EQ(known.IsTrailByte(byte), probed.IsTrailByte(byte)) << b;
        EXPECT_EQ(known.LowerByte(byte), probed.LowerByte(byte)) << b;
    }
    EXPECT_TRUE(probed.ByteText());
    EXPECT_TRUE(known.ByteText());
    // ASCII is taken as it stands and other text goes through iconv: both must agree.
    const std::string mixed = "of_Set \xB4\xB0\xBF\xDA\x81";
    for (const std::string& text : {std::string("plain ASCII\t\r\n"), mixed}) {
        EXPECT_EQ(known.ToUtf8(text), probed.ToUtf8(text));
        EXPECT_EQ(known.ToUtf16(text), probed.ToUtf16(text));
        const std::string utf8 = probed.ToUtf8(text);
        EXPECT_EQ(known.FromUtf8(utf8), probed.FromUtf8(utf8));
        const std::u16string utf16 = probed.ToUtf16(text);
        EXPECT_EQ(known.FromUtf16(utf16.data(), utf16.size()),
                  probed.FromUtf16(utf16.data(), utf16.size()));
    }
    EXPECT_EQ(known.FromUtf16(u"a\0b", 3), std::string("a\0b", 3));
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

// Lower-casing both sides and comparing bytes is what CompareText means; random texts of
// single-byte letters, trail bytes that look like letters and double-byte characters.
TEST(CodePage, CompareTextAgreesWithLoweringBothSides) {
    std::mt19937 rng(2024);
    const char pool[] = {'A',    'a',    'Z',    'z',    '_',    '0',    ' ',
                         '\x81', '\xB4', '\xD6', '\xFE', '\x41', '\x61', '\x80',
                         '\xC4', '\xE4', '\xFF', '@',    '['};
    std::uniform_int_distribution<size_t> pick(0, sizeof pool - 1);
    std::uniform_int_distribution<int> len(0, 8);
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const char* name : {"GBK", "CP1252", "CP932"}) {
        const CodePage cp(name);
        for (int round = 0; round < 20000; ++round) {
            std::string a;
            for (int i = len(rng); i > 0; --i)
                a.push_back(pool[pick(rng)]);
            // Often a common head, so that the difference lies behind a double-byte part.
            std::string b = rng() % 2 ? a.substr(0, rng() % (a.size() + 1)) : std::string();
            for (int i = len(rng); i > 0; --i)
                b.push_back(pool[pick(rng)]);
            std::string la = a, lb = b;
            cp.LowerInPlace(la);
            cp.LowerInPlace(lb);
            const int expected = sign(std::string_view(la).compare(lb));
            ASSERT_EQ(sign(cp.CompareText(a, b)), expected) << name << " round " << round;
            ASSERT_EQ(sign(cp.CompareText(b, a)), -expected) << name << " round " << round;
            ASSERT_EQ(cp.SameText(a, b), expected == 0);
        }
    }
}

TEST(CodePage, CharactersAreLeadAndTrailBytePairs) {
    const CodePage gbk("GBK");
    EXPECT_TRUE(gbk.IsTrailByte(0x40));
    EXPECT_TRUE(gbk.IsTrailByte(0xFE));
    EXPECT_FALSE(gbk.IsTrailByte(' '));
    EXPECT_FALSE(gbk.IsTrailByte(0x7F));
    EXPECT_FALSE(gbk.IsTrailByte(0xFF));
    // 中 then a lead byte before a blank, then a lone lead byte at the end.
    const std::string text = "\xD6\xD0\xD6 \xD6";
    EXPECT_EQ(gbk.CharLength(text, 0), 2u);
    EXPECT_EQ(gbk.CharLength(text, 2), 1u);
    EXPECT_EQ(gbk.CharLength(text, 3), 1u);
    EXPECT_EQ(gbk.CharLength(text, 4), 1u);
    EXPECT_EQ(gbk.CharStart(text, 1), 0u);
    EXPECT_EQ(gbk.CharStart(text, 3), 3u);
    EXPECT_EQ(gbk.CharStart(text, 9), 9u);
    // 時間abc: the trail byte of 間 is 0x67, the letter g.
    const std::string mixed = "\x95\x72\xe9\x67"
                              "abc";
    EXPECT_EQ(gbk.CharStart(mixed, 3), 2u);
    EXPECT_EQ(gbk.CharStart(mixed, 4), 4u);
    const CodePage latin("CP1252");
    EXPECT_FALSE(latin.IsTrailByte(0x41));
    EXPECT_EQ(latin.CharLength("\xC4\xE4", 0), 1u);
}

// Conversions keep no state between calls, so threads may share one code page.
TEST(CodePage, ConversionsRunOnSeveralThreadsAtOnce) {
    const CodePage gbk("GBK");
    const std::string text = gbk.FromUtf8("窗口 w_main 中文") + "\xD6";
    const std::u16string expected = gbk.ToUtf16(text);
    const std::string back = gbk.FromUtf16(expected.data(), expected.size());
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                if (gbk.ToUtf16(text) != expected)
                    ++wrong;
                if (gbk.FromUtf16(expected.data(), expected.size()) != back)
                    ++wrong;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

// The program's text is ASCII with single- or double-byte characters beside it; code pages
// iconv knows that are wider, stateful, not ASCII-based or that move an ASCII character
// (Shift-JIS writes the yen sign where the backslash is) cannot be the program's.
TEST(CodePage, OnlySingleAndDoubleByteCodePagesOverAsciiAreByteText) {
    for (const char* name :
         {"GBK",        "CP936",       "CP950",  "BIG5",   "CP949",      "EUC-KR",
          "CP932",      "CP1250",      "CP1251", "CP1252", "CP1253",     "CP1254",
          "CP1255",     "CP1256",      "CP1257", "CP1258", "ISO-8859-1", "ISO-8859-2",
          "ISO-8859-5", "ISO-8859-15", "KOI8-R", "ASCII"})
        EXPECT_TRUE(CodePage(name).ByteText()) << name;
    for (const char* name :
         {"UTF-8", "UTF-16", "UTF-16LE", "UTF-16BE", "UTF-32", "UCS-2", "UCS-4", "UTF-7",
          "EBCDIC-US", "IBM037", "GB18030", "EUC-JP", "ISO-2022-JP", "SHIFT_JIS"})
        EXPECT_FALSE(CodePage(name).ByteText()) << name;
}

TEST(CodePage, ProgramCodePageIsChosenOnceBeforeItIsRead) {
    const std::string name = SystemCodePage().Name(); // fixed from here on
    EXPECT_NO_THROW(SetSystemCodePage(name));
    EXPECT_THROW(SetSystemCodePage(name == "CP1252" ? "GBK" : "CP1252"), std::logic_error);
    EXPECT_THROW(SetSystemCodePage("NO-SUCH-PAGE"), std::logic_error);
    EXPECT_EQ(&SystemCodePage(), &SystemCodePage());
    EXPECT_EQ(SystemCodePage().Name(), name);
}

// A fresh process: nothing has read the code page yet.
TEST(CodePageDeathTest, StartUpChoosesTheCodePageAndAnUnknownNameChoosesNothing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            try {
                SetSystemCodePage("NO-SUCH-PAGE");
            } catch (const std::runtime_error&) {
                SetSystemCodePage("CP1252");
            }
            std::exit(SystemCodePage().Name() == "CP1252" &&
                              SystemCodePage().IsLeadByte(0xC4) == false
                          ? 0
                          : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// Refused like an unknown name: nothing is chosen, so the default still follows. An empty
// name (the locale's character set) and iconv's conversion options are no code pages.
TEST(CodePageDeathTest, CodePagesThatAreNotByteTextAreRefusedWithTheReason) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int refused = 0;
            for (const char* name : {"", "GBK//IGNORE", "CP1252//TRANSLIT"}) {
                try {
                    SetSystemCodePage(name);
                } catch (const std::runtime_error& e) {
                    refused +=
                        std::string(e.what()) == "Unknown code page \"" + std::string(name) + "\"";
                }
            }
            for (const char* name : {"UTF-16", "UTF-32", "UCS-2", "EBCDIC-US", "UTF-8", "utf8"}) {
                try {
                    SetSystemCodePage(name);
                } catch (const std::runtime_error& e) {
                    refused += std::string(e.what()) ==
                               "The code page \"" + std::string(name) +
                                   "\" cannot be used: texts must be ASCII with single- or "
                                   "double-byte characters, as in GBK, CP950, CP949, CP932, "
                                   "CP1252 or ISO-8859-1";
                }
            }
            std::exit(refused == 9 && SystemCodePage().Name() == "GBK" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace tandrel
