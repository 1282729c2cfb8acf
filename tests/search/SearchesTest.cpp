#include "Searches.h"

#include "CodePage.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using tandrel::CodePage;
using tandrel::TBaseSearch;
using tandrel::TSearch;

namespace {

// Every match of the current pattern in order, FindFirst then FindNext until -1. The text
// is copied into a buffer of exactly its size so that the sanitizer sees any over-read.
std::vector<int32_t> AllMatches(TBaseSearch& search, const std::string& text) {
    const std::vector<unsigned char> buffer(text.begin(), text.end());
    search.SetText(buffer.data(), buffer.size());
    std::vector<int32_t> found;
    for (int32_t at = search.FindFirst(); at >= 0; at = search.FindNext()) {
        found.push_back(at);
    }
    return found;
}

// The byte engine: every window equal to the pattern is a match.
std::vector<int32_t> Find(const std::string& pattern, const std::string& text,
                          bool caseSensitive = false) {
    TBaseSearch search;
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
        TBaseSearch search;
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

namespace {

// Leftmost matches of whole characters: the naive search over the character sequence.
std::vector<int32_t> NaiveCharFind(const CodePage& cp, const std::string& pattern,
                                   const std::string& text, bool caseSensitive) {
    std::vector<int32_t> found;
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); i += cp.CharLength(text, i))
        starts.push_back(i);
    starts.push_back(text.size());
    size_t next = 0; // the first start a match may begin at
    for (size_t k = 0; k + 1 < starts.size(); ++k) {
        const size_t at = starts[k];
        if (at < next || at + pattern.size() > text.size() ||
            std::find(starts.begin(), starts.end(), at + pattern.size()) == starts.end())
            continue;
        bool same = true;
        for (size_t j = 0; j < pattern.size() && same; ++j) {
            const auto p = static_cast<unsigned char>(pattern[j]);
            const auto t = static_cast<unsigned char>(text[at + j]);
            // Letters fold only where they are single-byte characters of the text.
            const bool single =
                cp.CharStart(text, at + j) == at + j && cp.CharLength(text, at + j) == 1;
            same = caseSensitive || !single ? p == t : FoldAscii(p) == FoldAscii(t);
        }
        if (same) {
            found.push_back(static_cast<int32_t>(at));
            next = at + pattern.size();
        }
    }
    return found;
}

std::vector<int32_t> FindChars(const std::string& pattern, const std::string& text,
                               bool caseSensitive = false) {
    TSearch search;
    search.SetPattern(pattern);
    search.SetCaseSensitive(caseSensitive);
    return AllMatches(search, text);
}

} // namespace

// 形 (D0 CE) lies across 中文 (D6 D0 CE C4): no match there, or Replace splits both.
TEST(CharacterSearch, MatchesStartAndEndOnCharacterBoundaries) {
    EXPECT_EQ(FindChars("\xD0\xCE", "\xD6\xD0\xCE\xC4"), Offsets{});
    EXPECT_EQ(FindChars("\xD0\xCE", "\xD6\xD0\xCE\xC4\xD0\xCE"), (Offsets{4}));
    // A match may not end on the lead byte of a character either.
    EXPECT_EQ(FindChars("a\xD6", "a\xD6\xD0 a\xD6"), (Offsets{4}));
    // A trail byte that looks like a letter is no letter: 間 is E9 67.
    EXPECT_EQ(FindChars("g", "\xE9\x67g"), (Offsets{2}));
    EXPECT_EQ(FindChars("\xE9\x47", "\xE9\x67 \xE9\x47"), (Offsets{3}));
    EXPECT_EQ(FindChars("AB", "xabyAb"), (Offsets{1, 4}));
    // The search starts over with FindFirst and with each new text.
    TSearch search;
    search.SetPattern("\xD6\xD0");
    const std::string text = "\xD6\xD0\xD6\xD0";
    search.SetText(text.data(), text.size());
    EXPECT_EQ(search.FindFirst(), 0);
    EXPECT_EQ(search.FindNext(), 2);
    EXPECT_EQ(search.FindFirst(), 0);
}

TEST(CharacterSearch, AgreesWithNaiveCharacterSearchOnRandomText) {
    const CodePage gbk("GBK");
    std::mt19937 random(7);
    const std::string alphabet("a\xD6\xD0\xCE\xC4\x41\x61 \x81\xFF", 11);
    for (bool caseSensitive : {false, true}) {
        TSearch search(&gbk);
        search.SetCaseSensitive(caseSensitive);
        for (int round = 0; round < 4000; ++round) {
            std::string pattern(random() % 4 + 1, ' ');
            for (char& c : pattern)
                c = alphabet[random() % alphabet.size()];
            search.SetPattern(pattern);
            for (int line = 0; line < 3; ++line) {
                std::string text(random() % 30, ' ');
                for (char& c : text)
                    c = alphabet[random() % alphabet.size()];
                ASSERT_EQ(AllMatches(search, text),
                          NaiveCharFind(gbk, pattern, text, caseSensitive))
                    << "round " << round << " case " << caseSensitive;
            }
        }
    }
}

TEST(CharacterSearch, WholeWordsAreDelimitedByCharacters) {
    const TSearch search;
    EXPECT_TRUE(search.IsWholeWord("id_x = idx;", 0, 2));
    EXPECT_FALSE(search.IsWholeWord("id_x = idx;", 7, 2));
    EXPECT_TRUE(search.IsWholeWord("x id", 2, 2));
    // 時間abc: the g-looking trail byte of 間 does not join abc to a word.
    EXPECT_TRUE(search.IsWholeWord("\x95\x72\xE9\x67"
                                   "abc",
                                   4, 3));
    EXPECT_FALSE(search.IsWholeWord("gabc", 1, 3));
    EXPECT_TRUE(search.IsWholeWord("abc\xD6\xD0", 0, 3));
}
