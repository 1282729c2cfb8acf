// Line hashing: the plain CRC-32, blank removal, lower-casing by the code page with
// double-byte characters left alone.

#include "CodePage.h"
#include "HashUnit.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace tandrel {
namespace {

int32_t Crc(uint32_t value) {
    return static_cast<int32_t>(value);
}

TEST(LineHash, PlainCrc32Vectors) {
    EXPECT_EQ(LineHash("", false, false), 0);
    EXPECT_EQ(LineHash("a", false, false), Crc(0xE8B7BE43));
    EXPECT_EQ(LineHash("123456789", false, false), Crc(0xCBF43926));
    EXPECT_EQ(LineHash("The quick brown fox jumps over the lazy dog", false, false),
              Crc(0x414FA339));
    const std::string allBytes = [] {
        std::string s;
        for (int i = 0; i < 256; ++i)
            s.push_back(static_cast<char>(i));
        return s;
    }();
    EXPECT_EQ(LineHash(allBytes, false, false), Crc(0x29058C73));
}

TEST(LineHash, BlanksAreOnlySpaceAndTab) {
    EXPECT_EQ(LineHash(" \t  \t", false, true), 0);
    EXPECT_EQ(LineHash(" \t  \t", true, true), 0);
    EXPECT_NE(LineHash(" ", false, false), 0);
    EXPECT_EQ(LineHash("if\tx", false, true), LineHash("ifx", false, false));
    EXPECT_EQ(LineHash("  a b\tc ", false, true), LineHash("abc", false, false));
    // Carriage return, form feed and vertical tab are hashed.
    EXPECT_NE(LineHash("a\rb", false, true), LineHash("ab", false, true));
    EXPECT_NE(LineHash("a\fb", false, true), LineHash("ab", false, true));
    EXPECT_NE(LineHash("a\vb", false, true), LineHash("ab", false, true));
}

TEST(LineHash, IgnoreCaseAloneKeepsBlanks) {
    EXPECT_EQ(LineHash("Return TRUE", true, false), LineHash("return true", false, false));
    EXPECT_NE(LineHash("Return TRUE", false, false), LineHash("return true", false, false));
    EXPECT_NE(LineHash("return  true", true, false), LineHash("return true", true, false));
    EXPECT_EQ(LineHash("Return  TRUE", true, true), LineHash("returntrue", false, false));
}

TEST(LineHash, CollidingLinesCountAsEqual) {
    EXPECT_EQ(LineHash("plumless", false, false), LineHash("buckeroo", false, false));
    EXPECT_EQ(LineHash("codding", false, false), LineHash("gnu", false, false));
}

// Lowering follows the code page the hash is given.
TEST(LineHashCodePage, DoubleByteCharactersStayAsTheyAre) {
    const CodePage gbk("GBK");
    // 0x81 0x41 and 0x81 0x61 are two different GBK characters; the trail byte 0x41
    // looks like 'A' but must not be lowered.
    EXPECT_NE(LineHash("\x81\x41", true, false, gbk), LineHash("\x81\x61", true, false, gbk));
    EXPECT_EQ(LineHash("X\x81\x41Y", true, false, gbk), LineHash("x\x81\x41y", false, false, gbk));
    // With blanks removed first, the byte after a lead byte and a blank is a trail byte.
    EXPECT_EQ(LineHash("\x81 A", true, true, gbk), LineHash("\x81\x41", false, false, gbk));
    // The program's own code page is GBK unless chosen otherwise.
    EXPECT_EQ(LineHash("X\x81\x41Y", true, false), LineHash("X\x81\x41Y", true, false, gbk));
}

TEST(LineHashCodePage, SingleByteLettersOfTheCodePage) {
    const CodePage cp1252("CP1252");
    EXPECT_EQ(LineHash("\xC4PFEL", true, false, cp1252),
              LineHash("\xE4pfel", false, false, cp1252));
    const CodePage gbk("GBK");
    EXPECT_EQ(LineHash("ABC", true, false, gbk), LineHash("abc", false, false, gbk));
}

// The streaming hash agrees with hashing a working copy that had its blanks removed and
// was lowered by the code page, for arbitrary bytes.
TEST(LineHashCodePage, AgreesWithLoweredCopy) {
    std::mt19937 rng(4711);
    const char pool[] = {'\x81', '\xB0', '\xFE', '\x80', 'A', 'z', 'Q', ' ', '\t', '@', '\xC4'};
    std::uniform_int_distribution<size_t> pick(0, sizeof pool - 1);
    std::uniform_int_distribution<int> len(0, 12);
    for (const char* name : {"GBK", "CP1252", "CP932"}) {
        const CodePage cp(name);
        for (int round = 0; round < 3000; ++round) {
            std::string line;
            for (int i = len(rng); i > 0; --i)
                line.push_back(pool[pick(rng)]);
            for (bool blanks : {false, true}) {
                std::string copy;
                for (char c : line)
                    if (!blanks || (c != ' ' && c != '\t'))
                        copy.push_back(c);
                cp.LowerInPlace(copy);
                ASSERT_EQ(LineHash(line, true, blanks, cp), LineHash(copy, false, false, cp))
                    << name << " blanks=" << blanks;
            }
        }
    }
}

} // namespace
} // namespace tandrel
