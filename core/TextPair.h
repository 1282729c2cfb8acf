#pragma once
// Two whole texts prepared for one diff run without a line index or a hash for the lines
// they share at both ends: only the middle, where the texts differ, is split and hashed.
// The diff of the middle, its blocks moved down by Head, is exactly the diff of the two
// whole line lists, provided the engine is told the whole lengths (TDiff::Execute's
// wholeLength), because the engine itself first strips the same common head and tail.

#include <cstdint>
#include <string_view>
#include <vector>

namespace tandrel {

// The lines of one text range, as offsets: 4 bytes a line instead of a view's 16.
class TLineIndex {
public:
    // Splits text at CR LF, CR or LF; a final line break adds no empty line. The text
    // must outlive the index and be shorter than 4 GiB.
    void Split(std::string_view text);
    size_t Count() const { return FStarts.empty() ? 0 : FStarts.size() - 1; }
    // Line i without its line break.
    std::string_view Line(size_t i) const;
    // Line i with the line break that ends it (none for an unterminated last line).
    std::string_view LineWithBreak(size_t i) const {
        return FText.substr(FStarts[i], FStarts[i + 1] - FStarts[i]);
    }

private:
    std::string_view FText;
    std::vector<uint32_t> FStarts; // line starts, then the text's end
};

struct TTextPair {
    int32_t Lines1 = 0; // lines of the whole texts
    int32_t Lines2 = 0;
    int32_t Head = 0; // lines before the middle, equal on both sides under the options
    int32_t Tail = 0; // lines after the middle, byte for byte the same on both sides
    TLineIndex Middle1, Middle2;
    std::vector<int32_t> Hashes1, Hashes2; // LineHash of every middle line
};

// Texts hold no NUL byte (a NUL would end a text for the line splitter of the program, and
// callers treat such files as binary). Lines are equal when their LineHash under the options
// is. Throws std::length_error when a text has more lines than a diff run takes.
//
// The head is found as the engine's own head walk finds it: the bytes both texts share
// from the start, cut back to the start of a line, give whole equal lines at the cost of a
// byte comparison; from there lines are compared one by one until two differ. Only then is
// the tail found, in the bytes after the head (found first, a tail could claim lines the
// head walk pairs differently: "B\r\nZ\n" against "B\nZ\nZ\n" adds a line at 3, not at 2).
// Tail lines are only byte-identical ones; lines equal merely under the options are left
// to the engine, which strips them from the middle as it would from the whole.
TTextPair PrepareTextPair(std::string_view text1, std::string_view text2, bool ignoreCase,
                          bool ignoreBlanks);

} // namespace tandrel
