#pragma once
// Fixed-pattern search over one byte buffer at a time, used by the source view to walk the
// lines of an editor pane for find and replace.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tandrel {

class CodePage;

// Boyer-Moore-Horspool search for a byte pattern in a caller-owned buffer.
//
// The skip table depends on the pattern and the case mode only, so one table serves every
// line fed in through SetText; it is rebuilt lazily on the first FindNext after either
// changes. Without case sensitivity only A-Z fold to a-z: bytes of double-byte characters
// and accented letters always compare exactly.
//
// Invariants: matches are reported left to right and never overlap; once FindNext has
// returned -1 it keeps doing so until SetText or FindFirst starts over; a search allocates
// nothing. The buffer given to SetText is not copied and must stay unchanged while searched.
class TBaseSearch {
public:
    TBaseSearch();
    virtual ~TBaseSearch() = default;
    TBaseSearch(const TBaseSearch&) = delete;
    TBaseSearch& operator=(const TBaseSearch&) = delete;

    const std::string& Pattern() const { return FPattern; }
    // An equal value (compared byte for byte) changes nothing.
    void SetPattern(const std::string& value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);

    // Forgets the previous text, then takes the buffer when it is present and not empty.
    // Throws std::length_error when the length does not fit the int32 offsets reported.
    virtual void SetText(const void* buffer, size_t length);

    // 0-based offset of the first match in the text, or -1.
    int32_t FindFirst();
    // 0-based offset of the next match behind the previous one, or -1. Right after SetText
    // it starts at the beginning of the text, like FindFirst.
    int32_t FindNext();

protected:
    // Whether the window at offset, whose bytes equal the pattern's, counts as a match; a
    // refused window is passed over and the scan goes on one byte further.
    virtual bool AcceptMatch(int32_t offset);
    const unsigned char* Text() const { return FStart; }
    int32_t TextLength() const { return FTextLength; }

private:
    void BuildSkipTable();
    unsigned char Fold(unsigned char byte) const {
        return FCaseSensitive ? byte : FFoldTable[byte];
    }

    // Positions are offsets from the start of the text. FCurrent is the last byte of the
    // window being tested; FFloor is where the next match may start at the earliest (the
    // end of the previous match), so a pattern changed between two calls can neither reach
    // before the text nor overlap the previous match.
    static constexpr int64_t kNoPosition = -1;
    int64_t FCurrent = kNoPosition;
    int64_t FFloor = 0;
    std::string FPattern;
    int32_t FPatternLength = 0;
    bool FTableFits = false;
    bool FCaseSensitive = false;
    int32_t FMatchSkip = 0;
    std::array<int32_t, 256> FSkipTable{};
    std::array<unsigned char, 256> FFoldTable{};
    const unsigned char* FStart = nullptr;
    int32_t FTextLength = 0;
};

// The search the source view owns; it feeds the editor's lines through SetText.
//
// It finds characters of the code page, not bytes: a match starts and ends on character
// boundaries (a window starting on a trail byte, or ending between the two bytes of a
// character, is skipped), and the trail bytes of double-byte characters compare exactly
// even when case is ignored. Characters are told apart by walking the text from its start;
// the walk goes on from the previous candidate, so a search stays linear.
class TSearch : public TBaseSearch {
public:
    // Null: the program's code page.
    explicit TSearch(const CodePage* codePage = nullptr);

    void SetText(const void* buffer, size_t length) override;

    // Whether the match of `length` bytes at `position` of row is a whole word: the
    // characters right before and after it, if any, are no ASCII letters or digits. Every
    // other character delimits words, a double-byte one included, whatever its trail byte.
    bool IsWholeWord(std::string_view row, int32_t position, int32_t length) const;

protected:
    bool AcceptMatch(int32_t offset) override;

private:
    const CodePage& FCodePage;
    // A character start at or before the candidates still to come.
    size_t FWalk = 0;
};

} // namespace tandrel
