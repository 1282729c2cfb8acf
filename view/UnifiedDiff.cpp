#include "UnifiedDiff.h"

#include "TextPair.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tandrel {

namespace {

size_t CountFeeds(std::string_view bytes) {
    return static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

// Lines as patch tools count them: line feeds, and an unterminated last line.
int64_t PatchLines(std::string_view bytes) {
    if (bytes.empty())
        return 0;
    return static_cast<int64_t>(CountFeeds(bytes) + (bytes.back() == '\n' ? 0 : 1));
}

// A stretch of both texts between two points where both stand at the start of a patch line:
// equal bytes on both sides, or a change that replaces the one by the other.
struct TStretch {
    bool Equal = true;
    size_t Begin1 = 0, End1 = 0, Begin2 = 0, End2 = 0; // byte offsets
    int64_t Line1 = 0, Line2 = 0;                      // 0-based patch line of the begin
    int64_t Lines1 = 0, Lines2 = 0;
};

// Walks the engine's lines in the blocks' order, gathering them into stretches. A point
// after a line that ends in a line feed on both sides is where a stretch may end; a stretch
// that holds any line the blocks change, or an equal pair whose bytes differ, is a change.
class TStretchWalk {
public:
    TStretchWalk(std::string_view text1, std::string_view text2) : FText1(text1), FText2(text2) {
        FLines1.Split(text1);
        FLines2.Split(text2);
    }

    std::vector<TStretch> Walk(const std::vector<TDiffBlock>& blocks) {
        const int64_t n1 = static_cast<int64_t>(FLines1.Count());
        const int64_t n2 = static_cast<int64_t>(FLines2.Count());
        for (const TDiffBlock& block : blocks) {
            const int64_t count1 = block.Kind == bkAdd ? 0 : block.Count;
            const int64_t count2 = block.Kind == bkDelete ? 0 : block.Count;
            const int64_t gap = block.Pos1 - FI;
            if (gap < 0 || block.Pos1 + count1 > n1 || FJ + gap + count2 > n2 ||
                (block.Kind != bkDelete && block.Pos2 != FJ + gap))
                throw std::out_of_range("The diff blocks do not fit the texts");
            for (int64_t k = 0; k < gap; ++k)
                Equal();
            Change(count1, count2);
        }
        if (n1 - FI != n2 - FJ)
            throw std::out_of_range("The diff blocks do not fit the texts");
        while (FI < n1)
            Equal();
        Close();
        return std::move(FStretches);
    }

private:
    void Equal() {
        const std::string_view a = FLines1.LineWithBreak(static_cast<size_t>(FI));
        const std::string_view b = FLines2.LineWithBreak(static_cast<size_t>(FJ));
        FDirty = FDirty || a != b;
        Advance(1, 1);
    }

    void Change(int64_t count1, int64_t count2) {
        if (count1 + count2 > 0)
            FDirty = true;
        Advance(count1, count2);
    }

    void Advance(int64_t count1, int64_t count2) {
        for (; count1 > 0; --count1)
            FPos1 += FLines1.LineWithBreak(static_cast<size_t>(FI++)).size();
        for (; count2 > 0; --count2)
            FPos2 += FLines2.LineWithBreak(static_cast<size_t>(FJ++)).size();
        if (AtFeed(FText1, FPos1) && AtFeed(FText2, FPos2))
            Close();
    }

    static bool AtFeed(std::string_view text, size_t pos) {
        return pos == 0 || text[pos - 1] == '\n';
    }

    void Close() {
        if (FPos1 == FBegin1 && FPos2 == FBegin2)
            return;
        TStretch s;
        s.Equal = !FDirty;
        s.Begin1 = FBegin1;
        s.End1 = FPos1;
        s.Begin2 = FBegin2;
        s.End2 = FPos2;
        s.Line1 = FLine1;
        s.Line2 = FLine2;
        s.Lines1 = PatchLines(FText1.substr(FBegin1, FPos1 - FBegin1));
        s.Lines2 = PatchLines(FText2.substr(FBegin2, FPos2 - FBegin2));
        // Neighbours of one kind are one stretch: a hunk then lists all the removed lines of
        // a change before the added ones, as diff does.
        if (!FStretches.empty() && FStretches.back().Equal == s.Equal) {
            TStretch& last = FStretches.back();
            last.End1 = s.End1;
            last.End2 = s.End2;
            last.Lines1 += s.Lines1;
            last.Lines2 += s.Lines2;
        } else {
            FStretches.push_back(s);
        }
        FLine1 += s.Lines1;
        FLine2 += s.Lines2;
        FBegin1 = FPos1;
        FBegin2 = FPos2;
        FDirty = false;
    }

    std::string_view FText1, FText2;
    TLineIndex FLines1, FLines2;
    int64_t FI = 0, FJ = 0;          // next engine line of each side
    size_t FPos1 = 0, FPos2 = 0;     // its byte offset
    size_t FBegin1 = 0, FBegin2 = 0; // where the open stretch begins
    int64_t FLine1 = 0, FLine2 = 0;  // its patch line
    bool FDirty = false;
    std::vector<TStretch> FStretches;
};

// The offset after the first `lines` patch lines of bytes.
size_t AfterLines(std::string_view bytes, int64_t lines) {
    size_t pos = 0;
    for (; lines > 0 && pos < bytes.size(); --lines) {
        const size_t feed = bytes.find('\n', pos);
        pos = feed == std::string_view::npos ? bytes.size() : feed + 1;
    }
    return pos;
}

// The offset where the last `lines` patch lines of bytes (which end in a line feed) begin.
size_t BeforeLastLines(std::string_view bytes, int64_t lines) {
    size_t pos = bytes.size();
    for (; lines > 0 && pos > 0; --lines) {
        const size_t feed = pos >= 2 ? bytes.rfind('\n', pos - 2) : std::string_view::npos;
        pos = feed == std::string_view::npos ? 0 : feed + 1;
    }
    return pos;
}

std::string RangeText(int64_t line, int64_t count) {
    // An empty range names the line before it, as diff does.
    std::string text = std::to_string(count == 0 ? line : line + 1);
    if (count != 1)
        text += "," + std::to_string(count);
    return text;
}

class THunkWriter {
public:
    THunkWriter(std::string_view text1, std::string_view text2, int context,
                const std::function<void(std::string_view)>& emit)
        : FText1(text1), FText2(text2), FContext(std::max(context, 0)), FEmit(emit) {}

    // Writes the hunks of the change stretches, `from` .. `to` (exclusive) of all.
    void Write(const std::vector<TStretch>& all, size_t from, size_t to) {
        FBody.clear();
        int64_t start1 = all[from].Line1;
        int64_t start2 = all[from].Line2;
        if (from > 0) {
            const TStretch& before = all[from - 1];
            const int64_t lines = std::min<int64_t>(FContext, before.Lines1);
            start1 -= lines;
            start2 -= lines;
            const std::string_view bytes = Bytes1(before);
            AddLines(' ', bytes.substr(BeforeLastLines(bytes, lines)));
        }
        int64_t end1 = 0;
        int64_t end2 = 0;
        for (size_t k = from; k < to; ++k) {
            const TStretch& s = all[k];
            if (s.Equal) {
                AddLines(' ', Bytes1(s));
            } else {
                AddLines('-', Bytes1(s));
                AddLines('+', FText2.substr(s.Begin2, s.End2 - s.Begin2));
            }
            end1 = s.Line1 + s.Lines1;
            end2 = s.Line2 + s.Lines2;
        }
        if (to < all.size()) {
            const TStretch& after = all[to];
            const int64_t lines = std::min<int64_t>(FContext, after.Lines1);
            end1 += lines;
            end2 += lines;
            const std::string_view bytes = Bytes1(after);
            AddLines(' ', bytes.substr(0, AfterLines(bytes, lines)));
        }
        FEmit("@@ -" + RangeText(start1, end1 - start1) + " +" + RangeText(start2, end2 - start2) +
              " @@\n");
        FEmit(FBody);
    }

private:
    std::string_view Bytes1(const TStretch& s) const {
        return FText1.substr(s.Begin1, s.End1 - s.Begin1);
    }

    void AddLines(char prefix, std::string_view bytes) {
        size_t pos = 0;
        while (pos < bytes.size()) {
            const size_t feed = bytes.find('\n', pos);
            const size_t end = feed == std::string_view::npos ? bytes.size() : feed + 1;
            FBody += prefix;
            FBody.append(bytes.substr(pos, end - pos));
            if (feed == std::string_view::npos)
                FBody += "\n\\ No newline at end of file\n";
            pos = end;
            if (FBody.size() >= (1 << 16)) {
                FEmit(FBody);
                FBody.clear();
            }
        }
    }

    std::string_view FText1, FText2;
    int64_t FContext;
    const std::function<void(std::string_view)>& FEmit;
    std::string FBody;
};

std::string HeaderLine(const char* mark, const std::string& name, const std::string& time) {
    std::string line = mark + QuotePatchName(name);
    if (!time.empty())
        line += "\t" + time;
    return line + "\n";
}

} // namespace

std::string QuotePatchName(std::string_view name) {
    const bool plain = std::none_of(name.begin(), name.end(), [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F || c == '"' || c == '\\';
    });
    if (plain)
        return std::string(name);
    std::string quoted = "\"";
    for (const char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\t':
            quoted += "\\t";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                const char octal[] = {'\\', static_cast<char>('0' + (u >> 6)),
                                      static_cast<char>('0' + ((u >> 3) & 7)),
                                      static_cast<char>('0' + (u & 7)), '\0'};
                quoted += octal;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

bool EmitUnifiedDiff(const TUnifiedHeader& header, const std::vector<TDiffBlock>& blocks,
                     std::string_view text1, std::string_view text2, int context,
                     const std::function<void(std::string_view)>& emit) {
    if (text1 == text2 && blocks.empty())
        return false;
    const std::vector<TStretch> stretches = TStretchWalk(text1, text2).Walk(blocks);
    THunkWriter writer(text1, text2, context, emit);
    bool written = false;
    size_t k = 0;
    while (k < stretches.size()) {
        if (stretches[k].Equal) {
            ++k;
            continue;
        }
        // The hunk runs on over equal stretches short enough to be both sides' context.
        size_t end = k + 1;
        while (end + 1 < stretches.size() &&
               stretches[end].Lines1 <= 2 * static_cast<int64_t>(std::max(context, 0)))
            end += 2;
        if (!written)
            emit(HeaderLine("--- ", header.Name1, header.Time1) +
                 HeaderLine("+++ ", header.Name2, header.Time2));
        written = true;
        writer.Write(stretches, k, end);
        k = end;
    }
    return written;
}

std::vector<TDiffBlock> DiffTextPair(const TTextPair& pair) {
    // The engine takes an absent sequence as a failure, so empty ones still get a buffer.
    static const int32_t empty = 0;
    TDiff diff;
    if (!diff.Execute(pair.Hashes1.empty() ? &empty : pair.Hashes1.data(),
                      pair.Hashes2.empty() ? &empty : pair.Hashes2.data(),
                      static_cast<int32_t>(pair.Hashes1.size()),
                      static_cast<int32_t>(pair.Hashes2.size()),
                      std::max(pair.Lines1, pair.Lines2)))
        throw std::length_error("The files are too long to compare");
    std::vector<TDiffBlock> blocks = diff.Blocks();
    for (TDiffBlock& block : blocks) {
        block.Pos1 += pair.Head;
        if (block.Kind != bkDelete)
            block.Pos2 += pair.Head;
    }
    return blocks;
}

std::vector<TDiffBlock> DiffTexts(std::string_view text1, std::string_view text2, bool ignoreCase,
                                  bool ignoreBlanks) {
    return DiffTextPair(PrepareTextPair(text1, text2, ignoreCase, ignoreBlanks));
}

} // namespace tandrel
