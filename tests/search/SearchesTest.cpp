#include "Searches.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using tandrel::TSearch;

namespace {

// Every match of the current pattern in order, FindFirst then FindNext until -1. The text
// is copied into a buffer of exactly its size so that the sanitizer sees any over-read.
std::vector<int32_t> AllMatches(TSearch& search, const std::string& text) {
    const std::vector<unsigned char> buffer(text.begin(), text.end());
    search.SetText(buffer.data(), buffer.size());
    std::vector<int32_t> found;
    for (int32_t at = search.FindFirst(); at >= 0; at = search.FindNext()) {
        found.push_back(at);
    }
    return found;
}

std::vector<int32_t> Find(const std::string& pattern, const std::string& text,
                          bool caseSensitive = false) {
    TSearch search;
    search.SetPattern(pattern);
    search.SetCaseSensitive(caseSensitive);
    return AllMatches(search, text);
}

unsigned char FoldAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Leftmost matches, each search going on behind the previous match.
std::vector<int32_t> NaiveFind(const std::string& pattern, const std::string& text,
                               bool caseSensitive) {
    std::vector<int32_t> found;
    const size_t n = pattern.size();
    if (n == 0) {
        return found;
    }
    auto same = [&](unsigned char a, unsigned char b) {
        return caseSensitive ? a == b : FoldAscii(a) == FoldAscii(b);
    };
    size_t i = 0;
    while (i + n <= text.size()) {
        size_t k = 0;
        while (k < n && same(static_cast<unsigned char>(pattern[k]),
                             static_cast<unsigned char>(text[i + k]))) {
            ++k;
        }
        if (k == n) {
            found.push_back(static_cast<int32_t>(i));
            i += n;
        } else {
            ++i;
        }
    }
    return found;
}

using Offsets = std::vector<int32_t>;

} // namespace

TEST(Searches, MatchesDoNotOverlap) {
    EXPECT_EQ(Find("ab", "abab"), (Offsets{0, 2}));
    EXPECT_EQ(Find("ana", "banana"), (Offsets{1}));
    EXPECT_EQ(Find("a", "banana"), (Offsets{1, 3, 5}));
    EXPECT_EQ(Find("aa", "aaaaa"), (Offsets{0, 2}));
    EXPECT_EQ(Find("banana", "banana"), (Offsets{0}));
    EXPECT_EQ(Find("abcab", "xxabcabcabx"), (Offsets{2}));
}

TEST(Searches, CaseFoldingCoversOnlyAsciiLetters) {
    EXPECT_EQ(Find("AB", "xabyAb"), (Offsets{1, 4}));
    EXPECT_EQ(Find("AB", "xabyAb", true), Offsets{});
    EXPECT_EQ(Find("Ab", "xabyAb", true), (Offsets{4}));
    // Neighbours of the letter ranges differ from them by the same 0x20.
    EXPECT_EQ(Find("[", "{x{"), Offsets{});
    EXPECT_EQ(Find("@", "`"), Offsets{});
    EXPECT_EQ(Find("^", "~"), Offsets{});
    // Accented letters of 8-bit code pages (0xC9 upper, 0xE9 lower) stay apart.
    EXPECT_EQ(Find("\xC9", "a\xE9 \xC9"), (Offsets{3}));
    // Bytes of double-byte characters above 0x7F compare exactly.
    EXPECT_EQ(Find("\xC4\xE3", "\xE4\xE3\xC4\xC3\xC4\xE3"), (Offsets{4}));
    // Pattern letters fold as well as text letters.
    EXPECT_EQ(Find("ZZ", "zZzz"), (Offsets{0, 2}));
}

TEST(Searches, NothingToFind) {
    EXPECT_EQ(Find("abcd", "abc"), Offsets{});
    EXPECT_EQ(Find("", "abc"), Offsets{});
    EXPECT_EQ(Find("a", ""), Offsets{});

    TSearch search;
    search.SetPattern("a");
    EXPECT_EQ(search.FindFirst(), -1);
    EXPECT_EQ(search.FindNext(), -1);
    search.SetText(nullptr, 10);
    EXPECT_EQ(search.FindFirst(), -1);
    const char text[] = "aaa";
    search.SetText(text, 0);
    EXPECT_EQ(search.FindFirst(), -1);
}

TEST(Searches, EndOfTextSticksUntilStartedOver) {
    TSearch search;
    search.SetPattern("ab");
    const std::string text = "abab";
    search.SetText(text.data(), text.size());
    EXPECT_EQ(search.FindFirst(), 0);
    EXPECT_EQ(search.FindNext(), 2);
    EXPECT_EQ(search.FindNext(), -1);
    EXPECT_EQ(search.FindNext(), -1);
    // Neither a new pattern nor a new case mode revives a finished search.
    search.SetPattern("b");
    search.SetCaseSensitive(true);
    EXPECT_EQ(search.FindNext(), -1);
    EXPECT_EQ(search.FindFirst(), 1);
    EXPECT_EQ(search.FindNext(), 3);
    EXPECT_EQ(search.FindNext(), -1);
    // A new text starts over as well; FindNext then begins at its start.
    search.SetText(text.data(), text.size());
    EXPECT_EQ(search.FindNext(), 1);
    EXPECT_EQ(search.FindNext(), 3);
    EXPECT_EQ(search.FindNext(), -1);
}

TEST(Searches, PatternAndCaseChangesApplyToTheNextSearch) {
    TSearch search;
    search.SetPattern("id");
    EXPECT_EQ(AllMatches(search, "id_x = idx;"), (Offsets{0, 7}));
    search.SetPattern("x");
    EXPECT_EQ(AllMatches(search, "id_x = idx;"), (Offsets{3, 9}));
    search.SetPattern("X");
    EXPECT_EQ(AllMatches(search, "id_x = idX;"), (Offsets{3, 9}));
    search.SetCaseSensitive(true);
    EXPECT_EQ(AllMatches(search, "id_x = idX;"), (Offsets{9}));
    search.SetCaseSensitive(false);
    EXPECT_EQ(AllMatches(search, "id_x = idX;"), (Offsets{3, 9}));
    EXPECT_EQ(search.Pattern(), "X");
    EXPECT_FALSE(search.CaseSensitive());
}

TEST(Searches, PatternChangedInsideOneText) {
    TSearch search;
    const std::vector<unsigned char> text = {'a', 'x', 'y', 'z', 'a', 'x', 'y', 'z'};
    search.SetText(text.data(), text.size());
    search.SetPattern("a");
    EXPECT_EQ(search.FindFirst(), 0);
    // A longer pattern after a short match must neither start before the text nor
    // overlap the match already reported.
    search.SetPattern("axyz");
    EXPECT_EQ(search.FindNext(), 4);
    EXPECT_EQ(search.FindNext(), -1);

    search.SetPattern("xyz");
    EXPECT_EQ(search.FindFirst(), 1);
    search.SetPattern("za");
    EXPECT_EQ(search.FindNext(), -1); // "za" at 3 overlaps the match at 1..3
    search.SetPattern("y");
    EXPECT_EQ(search.FindFirst(), 2);
    search.SetPattern("yzax");
    EXPECT_EQ(search.FindNext(), -1); // would need offsets 6..9
}

// The engine against a plain left-to-right search on random bytes. Small alphabets make
// matches, repeated bytes and partial matches common; one object serves many texts so the
// skip table is reused across texts and rebuilt across patterns.
TEST(Searches, AgreesWithNaiveSearchOnRandomInput) {
    std::mt19937 random(20260815);
    const std::vector<std::string> alphabets = {
        "ab", "aAbB", "abcAB[{", std::string("a\x81\xE9\xC9Zz", 6), std::string(),
    };
    for (bool caseSensitive : {false, true}) {
        TSearch search;
        search.SetCaseSensitive(caseSensitive);
        for (int round = 0; round < 4000; ++round) {
            const std::string& alphabet = alphabets[static_cast<size_t>(round) % alphabets.size()];
            auto pick = [&]() -> char {
                if (alphabet.empty()) {
                    return static_cast<char>(random() % 256);
                }
                return alphabet[random() % alphabet.size()];
            };
            std::string pattern(random() % 6 + 1, ' ');
            for (char& c : pattern) {
                c = pick();
            }
            search.SetPattern(pattern);
            for (int line = 0; line < 3; ++line) {
                std::string text(random() % 40, ' ');
                for (char& c : text) {
                    c = pick();
                }
                ASSERT_EQ(AllMatches(search, text), NaiveFind(pattern, text, caseSensitive))
                    << "pattern " << pattern << " text " << text << " case " << caseSensitive;
            }
        }
    }
}
