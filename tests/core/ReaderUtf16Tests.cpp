// UTF-16LE text to the code page, as a library's blocks deliver it in pieces.

#include "CodePage.h"
#include "Utf16Decoder.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace tandrel {
namespace {

std::vector<unsigned char> Utf16Bytes(const std::u16string& text) {
    std::vector<unsigned char> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return bytes;
}

// `bytes` given to one decoder in pieces cut at `cuts`, behind `before`.
std::string Decoded(const std::vector<unsigned char>& bytes, const std::vector<size_t>& cuts,
                    const std::string& before = "") {
    std::string out = before;
    TUtf16Decoder decoder(out, bytes.size() / 2);
    size_t from = 0;
    for (const size_t cut : cuts) {
        decoder.Add(bytes.data() + from, cut - from);
        from = cut;
    }
    decoder.Add(bytes.data() + from, bytes.size() - from);
    decoder.Finish();
    return out;
}

TEST(Utf16Decoder, AsciiIsCopiedAndTheRestConvertedByTheCodePage) {
    const std::u16string text = u"forward 窗口\r\n\u0E01end\U0001F600";
    const std::vector<unsigned char> bytes = Utf16Bytes(text);
    EXPECT_EQ(Decoded(bytes, {}), "forward \xB4\xB0\xBF\xDA\r\n?end?");
    EXPECT_EQ(Decoded(bytes, {}), SystemCodePage().FromUtf16(text.data(), text.size()));
    EXPECT_EQ(Utf16BytesToCodePage(bytes.data(), text.size()), Decoded(bytes, {}));
    // Appended behind what the string held, a lone last byte dropped.
    std::vector<unsigned char> odd = Utf16Bytes(u"ab");
    odd.push_back('c');
    EXPECT_EQ(Decoded(odd, {1, 2}, "$head$"), "$head$ab");
    EXPECT_EQ(Decoded({}, {}, "kept"), "kept");
}

TEST(Utf16Decoder, PiecesCutAnywhereGiveTheWholeText) {
    // Long ASCII runs for the eight-character steps, characters outside ASCII and the code
    // page, surrogate pairs (whole and lone) and NUL.
    const std::u16string pool[] = {u"a",      u"tab\tle", u"窗口",   u"\U0001F600",
                                   u"\xD800", u"\0",      u"\u00FF", u"abcdefghijklmnopq",
                                   u"\u0E01"};
    std::mt19937 rng(20261208);
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        const size_t parts = rng() % 12;
        for (size_t i = 0; i < parts; ++i)
            text += pool[rng() % std::size(pool)];
        std::vector<unsigned char> bytes = Utf16Bytes(text);
        if (rng() % 4 == 0)
            bytes.push_back(static_cast<unsigned char>(rng()));
        const std::string whole = Decoded(bytes, {});
        std::vector<size_t> cuts;
        for (size_t at = 0; at < bytes.size(); at += 1 + rng() % 7)
            cuts.push_back(at);
        ASSERT_EQ(Decoded(bytes, cuts), whole) << "round " << round;
        ASSERT_EQ(whole, SystemCodePage().FromUtf16(text.data(), text.size())) << "round " << round;
    }
}

} // namespace
} // namespace tandrel
