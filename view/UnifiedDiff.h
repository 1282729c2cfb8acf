#pragma once
// The differences of two texts as a unified diff that patch and git apply take: made from
// the diff engine's blocks, it gives the second text back byte for byte when applied to
// the first.

#include "DiffUnit.h"
#include "TextPair.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// What the "---" and "+++" lines name. A name is written as it is unless it holds a byte
// the patch tools would misread (a control character, a quote or a backslash); it is then
// quoted as git quotes it. A time, when not empty, follows the name after a tab.
struct TUnifiedHeader {
    std::string Name1, Name2;
    std::string Time1, Time2;
};

// The name as a "---" or "+++" line holds it.
std::string QuotePatchName(std::string_view name);

// The two texts whole, with the blocks of the diff engine over their lines (split at CR LF,
// CR or LF, positions counted from the first line of each text). Lines the blocks leave
// equal but whose bytes differ (letter case or blanks under the comparison options, another
// line break) are written as changed, and hunks are cut at the line feeds patch tools split
// at, each line carrying its own line break; an unterminated last line is followed by
// "\ No newline at end of file". Equal texts give no output. `context` is the number of
// unchanged lines around each change (hunks closer than twice that are joined). Output
// goes to emit in pieces. Throws std::out_of_range when the blocks do not fit the texts.
// Returns true when anything was written.
bool EmitUnifiedDiff(const TUnifiedHeader& header, const std::vector<TDiffBlock>& blocks,
                     std::string_view text1, std::string_view text2, int context,
                     const std::function<void(std::string_view)>& emit);

// The blocks of the diff engine over a prepared pair, moved to count from the texts' first
// lines. Throws std::length_error when the texts are too long for one diff run.
std::vector<TDiffBlock> DiffTextPair(const TTextPair& pair);

// The blocks of the diff engine over the lines of two whole texts under the comparison
// options. Throws std::length_error when the texts are too long for one diff run.
std::vector<TDiffBlock> DiffTexts(std::string_view text1, std::string_view text2, bool ignoreCase,
                                  bool ignoreBlanks);

} // namespace tandrel
