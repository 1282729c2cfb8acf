#pragma once
// The sections of two versions of an object's source, paired by kind and name (a function
// by its name and argument types, so overloads stay apart) and classified the way objects
// are: same, changed, added (side 2 only) or deleted (side 1 only).

#include "PbFuncs.h"
#include "ScriptOutline.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// Section indexes into the two outlines; -1 where a side has none.
struct TSectionPair {
    int32_t Section1 = -1;
    int32_t Section2 = -1;
    TCompareStatus Status = csSame;
};

// Both outlines and their pairs. The pairs follow side 1's order; a section found only on
// side 2 comes right after the pair of the side 2 section before it. When a key occurs more
// than once on a side (a script written twice), occurrences pair in order.
class TScriptPairs {
public:
    // Two sections are the same when all their lines (nested sections' and the loose lines
    // after a block included) are equal under the options as the line comparison sees them,
    // by their line hashes. A section that only moved stays the same.
    TScriptPairs(const std::vector<std::string>& lines1, const std::vector<std::string>& lines2,
                 bool ignoreCase, bool ignoreBlanks, const CodePage& page);
    TScriptPairs(const std::vector<std::string_view>& lines1,
                 const std::vector<std::string_view>& lines2, bool ignoreCase, bool ignoreBlanks,
                 const CodePage& page);

    const TScriptOutline& Outline(bool isSide1) const { return isSide1 ? FOutline1 : FOutline2; }
    const std::vector<TSectionPair>& Pairs() const { return FPairs; }
    // The pair of the innermost section holding line `line` (0-based) of a side; -1 for a
    // line outside its text.
    int32_t PairAtLine(bool isSide1, int32_t line) const;
    // The section of that side that holds the line: "cb_ok.clicked"; empty outside.
    std::string TitleAtLine(bool isSide1, int32_t line) const;

private:
    template <class Lines>
    void Build(const Lines& lines1, const Lines& lines2, bool ignoreCase, bool ignoreBlanks,
               const CodePage& page);

    TScriptOutline FOutline1;
    TScriptOutline FOutline2;
    std::vector<TSectionPair> FPairs;
    std::vector<int32_t> FPairOf1; // pair index of every section of side 1
    std::vector<int32_t> FPairOf2;
};

} // namespace tandrel
