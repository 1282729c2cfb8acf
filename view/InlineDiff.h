#pragma once
// Which bytes of a modified pair of rows differ: a diff of the two lines' characters (a
// double-byte character is one unit, never split), then widened to whole identifiers and
// numbers and with tiny equal gaps closed, so that a renamed variable reads as one change
// rather than as a few scattered letters.

#include "DiffUnit.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tandrel {

class CodePage;

// A run of bytes of one line. Length 0 marks the place where the other side has bytes that
// this side lacks (painters draw it as a thin mark).
struct TByteSpan {
    int32_t Start = 0;
    int32_t Length = 0;
    bool operator==(const TByteSpan&) const = default;
};

// The changed spans of both lines, in ascending order, never overlapping; span k of side 1
// and span k of side 2 stand for the same change. WholeLine: the lines were too long to
// look inside; the row keeps its plain modified colour and the lists are empty. Coarse:
// the lines have so little in common that looking for it was given up; the one span is
// everything between their common start and end.
struct TLineChanges {
    std::vector<TByteSpan> Side1;
    std::vector<TByteSpan> Side2;
    bool WholeLine = false;
    bool Coarse = false;
};

// Holds the engine and buffers one line pair after another reuses.
class TInlineDiffer {
public:
    // Longer lines are not looked into: their diff could cost more than a painted frame,
    // and nobody reads a change inside a line of this length by its highlight anyway.
    static constexpr size_t kMaxLineBytes = 4096;
    // Equal runs of at most this many units between two changes are drawn as changed: a
    // lone "." or ", " left between two highlights is noise, not information.
    static constexpr size_t kTinyGap = 2;
    // The engine's work grows with the number of its steps, one per edit it admits; lines
    // that need more than this many share too little for character highlights to read
    // well, and searching further could cost a painted frame.
    static constexpr int kMaxSteps = 128;
    // Lines at least this long are first checked for having enough in common to be worth
    // a search; shorter ones are cheap to search whatever they hold.
    static constexpr size_t kCommonCheckLength = 64;

    explicit TInlineDiffer(const CodePage& page);

    // Under ignoreBlanks spaces and tabs take no part (a change of blanks alone gives no
    // span); under ignoreCase single-byte letters compare lowered. Without ignoreBlanks a
    // change of blanks is widened to the whole blank run on both sides, so that both
    // panes show where the lines differ.
    TLineChanges Compare(std::string_view line1, std::string_view line2, bool ignoreCase,
                         bool ignoreBlanks);

private:
    // One character of a line: its bytes and the value the engine compares.
    struct TUnit {
        int32_t Start = 0;
        int32_t Length = 0;
        int32_t Value = 0;
        bool Word = false;  // letter, digit, or one of "_$#%": part of an identifier or number
        bool Blank = false; // space or tab
    };
    // Unit ranges [Begin1, End1) of side 1 and [Begin2, End2) of side 2 that differ.
    struct THunk {
        size_t Begin1 = 0, End1 = 0, Begin2 = 0, End2 = 0;
    };

    void Split(std::string_view line, bool ignoreCase, bool ignoreBlanks, std::vector<TUnit>& units,
               std::vector<int32_t>& values) const;
    bool CollectHunks();
    bool TooLittleInCommon() const;
    void CoarseHunk();
    void WidenHunks();
    void MergeHunks();
    bool Adjacent(const std::vector<TUnit>& units, size_t left) const;
    static TByteSpan Span(const std::vector<TUnit>& units, size_t begin, size_t end,
                          std::string_view line);

    const CodePage& FPage;
    TDiff FDiff;
    std::vector<TUnit> FUnits1, FUnits2;
    std::vector<int32_t> FValues1, FValues2;
    std::vector<THunk> FHunks;
    int FSteps = 0;
};

} // namespace tandrel
