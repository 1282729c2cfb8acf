// Long random edit sessions on the editor model, checked after every step against a plain
// string holding the whole text (line breaks as CR LF, as the editor's offsets count them).
#include "CodePage.h"
#include "EditorTestUtil.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace tandrel {
namespace {

using test::FullText;

std::string Normalized(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            out += "\r\n";
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

class Session {
public:
    explicit Session(unsigned seed) : FRng(seed) {
        FChanges = FEd.Lines().Subscribe(
            [this](TLines& lines, const TLinesChange& change) { CheckChange(lines, change); });
    }

    void Run(int rounds, int steps) {
        for (int round = 0; round < rounds; ++round) {
            std::vector<std::string> lines;
            for (int i = int(Rand(6)); i >= 0; --i)
                lines.push_back(RandomLine());
            FEd.Lines().AssignLines(lines);
            FText = FullText(FEd.Lines());
            FCaret = FAnchor = 0;
            FStates.assign(1, FText);
            FDropped = false;
            const std::string original = FText;
            for (FStep = 0; FStep < steps; ++FStep) {
                Step();
                Check();
                if (::testing::Test::HasFatalFailure())
                    return;
            }
            while (FEd.CanUndo())
                Undo();
            if (!FDropped) {
                ASSERT_EQ(FullText(FEd.Lines()), original) << "round " << round;
            }
        }
    }

private:
    std::uint32_t Rand(std::uint32_t n) { return n == 0 ? 0 : FRng() % n; }

    std::string RandomLine() {
        std::string s;
        for (int n = int(Rand(12)); n > 0; --n) {
            switch (Rand(6)) {
            case 0:
                s += ' ';
                break;
            case 1:
                s += '\t';
                break;
            case 2:
                s += "\xB1\xE0";
                break; // a double-byte character
            default:
                s += char('a' + Rand(26));
                break;
            }
        }
        return s;
    }

    // A random offset at a character position, never inside a line break.
    std::int32_t RandomPos() {
        std::int32_t pos = std::int32_t(Rand(std::uint32_t(FText.size()) + 1));
        if (pos > 0 && pos < std::int32_t(FText.size()) && FText[size_t(pos - 1)] == '\r')
            --pos;
        return pos;
    }

    bool HasSelection() const { return FAnchor != FCaret; }

    // The line of the text that pos lies in: its offset and its bytes.
    std::pair<size_t, std::string> LineAt(std::int32_t pos) const {
        size_t begin = pos > 0 ? FText.rfind('\n', size_t(pos - 1)) : std::string::npos;
        begin = begin == std::string::npos ? 0 : begin + 1;
        const size_t end = std::min(FText.find('\r', begin), FText.size());
        return {begin, FText.substr(begin, end - begin)};
    }

    // The two bytes before pos are one double-byte character of their line.
    bool DoubleByteBefore(std::int32_t pos) const {
        if (pos < 2 || pos > std::int32_t(FText.size()))
            return false;
        const auto [begin, line] = LineAt(pos - 2);
        const size_t at = size_t(pos - 2) - begin;
        return at + 2 <= line.size() && SystemCodePage().CharStart(line, at) == at &&
               SystemCodePage().CharLength(line, at) == 2;
    }

    // The start of the character pos lies in: a caret placed by the editor never rests on
    // the trail byte of a double-byte character.
    std::int32_t SnapPos(std::int32_t pos) const {
        const auto [begin, line] = LineAt(pos);
        return std::int32_t(begin + SystemCodePage().CharStart(line, size_t(pos) - begin));
    }

    // The model's DeleteSelection; records one state when something went.
    void ModelDeleteSelection() {
        if (!HasSelection())
            return;
        std::int32_t a = std::min(FAnchor, FCaret), b = std::max(FAnchor, FCaret);
        FText.erase(size_t(a), size_t(b - a));
        FCaret = FAnchor = SnapPos(a);
        Record();
    }
    void ModelInsert(const std::string& s) {
        FText.insert(size_t(FCaret), s);
        FCaret += std::int32_t(s.size());
        FAnchor = FCaret;
    }
    void Record() {
        FStates.resize(size_t(FIndex) + 1);
        FStates.push_back(FText);
        ++FIndex;
        if (FIndex > TUndo::kDefaultLimit) {
            FStates.erase(FStates.begin());
            --FIndex;
            FDropped = true;
        }
    }

    void Step() {
        const bool empty = FEd.Lines().Count() == 0;
        switch (Rand(11)) {
        case 0:
        case 1: { // typing, also a double-byte character byte by byte
            std::string typed = Rand(5) == 0 ? "\xD6\xD0" : std::string(1, "ab \tZ9"[Rand(6)]);
            for (char c : typed) {
                FEd.ProcessChar(static_cast<unsigned char>(c));
                ModelDeleteSelection();
                ModelInsert(std::string(1, c));
                Record();
            }
            break;
        }
        case 2: // Enter
            FEd.ProcessChar(13);
            if (empty)
                break; // an empty editor only gets its first line
            ModelDeleteSelection();
            ModelInsert("\r\n");
            Record();
            break;
        case 3: // Backspace, by character command or by key
            if (Rand(2) && !HasSelection() && DoubleByteBefore(FCaret)) {
                FEd.KeyPress(8);
                for (int half = 0; half < 2; ++half) {
                    FText.erase(size_t(--FCaret), 1);
                    FAnchor = FCaret;
                    Record();
                }
                break;
            }
            FEd.ProcessChar(8);
            if (HasSelection()) {
                ModelDeleteSelection();
            } else if (FCaret > 0) {
                std::int32_t n = FText[size_t(FCaret - 1)] == '\n' ? 2 : 1;
                FText.erase(size_t(FCaret - n), size_t(n));
                FCaret = FAnchor = FCaret - n;
                Record();
            }
            break;
        case 4: // Delete, by character command or by key
            if (Rand(2) && !HasSelection() && DoubleByteBefore(FCaret + 2)) {
                int key = Keys::Delete;
                FEd.KeyDown(key, 0);
                for (int half = 0; half < 2; ++half) {
                    FText.erase(size_t(FCaret), 1);
                    Record();
                }
                break;
            }
            FEd.ProcessChar(7);
            if (HasSelection()) {
                ModelDeleteSelection();
            } else if (FCaret < std::int32_t(FText.size())) {
                std::int32_t n = FText[size_t(FCaret)] == '\r' ? 2 : 1;
                FText.erase(size_t(FCaret), size_t(n));
                Record();
            }
            break;
        case 5:
        case 6: { // a selection, either way round
            std::int32_t p = SnapPos(RandomPos()), q = SnapPos(RandomPos());
            if (Rand(2)) {
                FEd.SetSelectionStart(p);
                FEd.SetSelectionLength(q - p);
                FAnchor = p;
                FCaret = q;
            } else {
                FEd.GotoPoint(FEd.PointFromPos(p));
                FCaret = FAnchor = p;
            }
            break;
        }
        case 7: { // a block with mixed line breaks
            std::string block;
            for (int n = int(Rand(4)); n >= 0; --n) {
                block += RandomLine();
                if (Rand(3) != 0)
                    block += std::vector<std::string>{"\r\n", "\n", "\r"}[Rand(3)];
            }
            FEd.InsertText(block);
            ModelDeleteSelection();
            if (!block.empty()) {
                ModelInsert(Normalized(block));
                FCaret = FAnchor = SnapPos(FCaret);
                Record();
            }
            break;
        }
        case 8:
            FEd.DeleteSelection();
            ModelDeleteSelection();
            break;
        case 9:
            Undo();
            break;
        default:
            Redo();
            break;
        }
    }

    // Undo and redo move through the recorded states; a block deletion followed by a block
    // insertion counts as one step.
    void Undo() {
        const TUndo& history = FEd.UndoHistory();
        bool can = FEd.CanUndo();
        ASSERT_EQ(FEd.Undo(), can);
        if (!can)
            return;
        --FIndex;
        if (history.Item(FIndex).Kind == ukInsertBlock && FIndex > 0 &&
            history.Item(FIndex - 1).Kind == ukDeleteBlock)
            --FIndex;
        if (history.Index() == FIndex - 1 && IsCharPair(FIndex - 1))
            --FIndex; // the two halves of one double-byte character
        Resync();
    }
    void Redo() {
        const TUndo& history = FEd.UndoHistory();
        bool can = FEd.CanRedo();
        ASSERT_EQ(FEd.Redo(), can);
        if (!can)
            return;
        ++FIndex;
        if (history.Item(FIndex - 1).Kind == ukDeleteBlock && FIndex < history.Count() &&
            history.Item(FIndex).Kind == ukInsertBlock)
            ++FIndex;
        if (history.Index() == FIndex + 1 && IsCharPair(FIndex - 1))
            ++FIndex;
        Resync();
    }
    bool IsCharPair(std::int32_t first) const {
        const TUndo& history = FEd.UndoHistory();
        if (first < 0 || first + 1 >= history.Count())
            return false;
        TUndoKind a = history.Item(first).Kind, b = history.Item(first + 1).Kind;
        return a == b && (a == ukInsertChar || a == ukDeleteChar);
    }
    void Resync() {
        ASSERT_EQ(FIndex, FEd.UndoHistory().Index());
        FText = FStates[size_t(FIndex)];
        FCaret = FEd.CaretPos();
        FAnchor = FEd.SelAnchor();
    }

    // Every change a listener hears must describe the text exactly: the lines outside
    // [FirstLine, LastLine] are the lines it saw before, shifted by LineDelta after it.
    void CheckChange(const TLines& lines, const TLinesChange& change) {
        ASSERT_GT(change.Revision, FRevision);
        FRevision = change.Revision;
        const auto count = std::int32_t(FSeen.size());
        ASSERT_EQ(lines.Count(), count + change.LineDelta) << "step " << FStep;
        ASSERT_GE(change.FirstLine, 0);
        ASSERT_GE(change.LastLine, change.FirstLine - 1);
        ASSERT_LT(change.LastLine, lines.Count());
        for (std::int32_t i = 0; i < change.FirstLine; ++i)
            ASSERT_EQ(lines[i], FSeen[size_t(i)]) << "line " << i << " step " << FStep;
        for (std::int32_t i = change.LastLine + 1; i < lines.Count(); ++i)
            ASSERT_EQ(lines[i], FSeen[size_t(i - change.LineDelta)])
                << "line " << i << " step " << FStep;
        FSeen.assign(size_t(lines.Count()), std::string());
        for (std::int32_t i = 0; i < lines.Count(); ++i)
            FSeen[size_t(i)] = lines[i];
    }

    void Check() {
        const TLines& lines = FEd.Lines();
        ASSERT_EQ(FullText(lines), FText) << "step " << FStep;
        ASSERT_EQ(FEd.UndoHistory().Index(), FIndex) << "step " << FStep;
        ASSERT_EQ(FEd.CaretPos(), FCaret) << "step " << FStep;
        ASSERT_EQ(FEd.SelAnchor(), FAnchor) << "step " << FStep;
        ASSERT_EQ(FEd.CaretPos(), FEd.PosFromPoint(FEd.CaretPt()));
        std::int32_t start = 0, longest = 0;
        for (std::int32_t i = 0; i < lines.Count(); ++i) {
            const TLineObj& obj = lines.GetLineObj(i);
            ASSERT_EQ(obj.Start, start) << "line " << i << " step " << FStep;
            ASSERT_EQ(obj.Len, std::int32_t(lines[i].size()));
            start += obj.Len + 2;
            longest = std::max(longest, obj.Len);
        }
        FLongestSeen = std::max(FLongestSeen, longest);
        ASSERT_GE(FEd.MaxLineLen(), std::max(longest, TEditorCore::kInitialMaxLineLen));
        ASSERT_LE(FEd.MaxLineLen(), std::max(FLongestSeen, TEditorCore::kInitialMaxLineLen));
    }

    std::mt19937 FRng;
    TEditorCore FEd;
    std::string FText;
    std::int32_t FCaret = 0, FAnchor = 0;
    std::vector<std::string> FStates; // FStates[i]: the text with i records applied
    std::int32_t FIndex = 0;
    bool FDropped = false;
    int FStep = 0;
    std::int32_t FLongestSeen = 0;
    std::vector<std::string> FSeen; // the lines as the last change left them
    std::uint64_t FRevision = 0;
    TSubscription FChanges;
};

TEST(RandomEdit, ShortSessionsUndoBackToTheirStart) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        Session session(seed);
        session.Run(5, 40);
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "seed " << seed;
    }
}

TEST(RandomEdit, LongSessionsWithAFullHistory) {
    for (unsigned seed = 100; seed < 104; ++seed) {
        Session session(seed);
        session.Run(2, 1500);
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "seed " << seed;
    }
}

} // namespace
} // namespace tandrel
