// Speed of the editor on a long text. Every figure is printed beside a baseline measured
// in the same run (best of several rounds each):
//   - assigning 1,000,000 lines, against copying the same list of strings;
//   - typing one character on line 0 of the 1,000,000-line text, against typing on line 0
//     of a 100-line text, and against one pass over all line records (the cost every
//     keystroke would pay if later offsets were shifted at once);
//   - PointFromPos at random offsets, against a binary search in a plain offset array;
//   - block edits on the 1,000,000-line text (pasting 10,000 lines, undoing the paste,
//     deleting a 5,000-line selection) at the top, against the same edit at the end of the
//     text; deleting the first half of a 200,000-line text against deleting its second
//     half. The goal is a ratio within 2;
//   - with the window code: painting one screen at line 900,000 of the long text, against
//     painting one screen of a 100-line text.
//
//     bench_editor [--rounds N]

#include "BenchCommon.h"
#include "CodeEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef TANDREL_BENCH_PAINT
#include "TCodeEdit.h"

#include <QApplication>
#include <QPixmap>
#endif

namespace {

using tandrel::TEditorCore;
using tandrel::TPoint;
using tandrel::bench::BestSeconds;

constexpr int kLongText = 1000000;
constexpr int kShortText = 100;

void Report(const char* what, double seconds, const char* baseline, double baseSeconds) {
    std::printf("%-46s %10.3f ms   baseline %-34s %10.3f ms   ratio %8.2f\n", what, seconds * 1e3,
                baseline, baseSeconds * 1e3, baseSeconds > 0 ? seconds / baseSeconds : 0.0);
}

std::vector<std::string> MakeLines(int count) {
    std::vector<std::string> lines;
    lines.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        lines.push_back("    ls_value = of_get_item(" + std::to_string(i) + ") // row");
    return lines;
}

// Types one character at the start of the text and takes it back, so rounds repeat.
double TypeOnLineZero(TEditorCore& ed, int rounds, int keys) {
    return BestSeconds(rounds,
                       [&] {
                           for (int k = 0; k < keys; ++k) {
                               ed.GotoPoint(TPoint{0, 0});
                               ed.ProcessChar('x');
                               ed.ProcessChar(8);
                           }
                       }) /
           (2.0 * keys);
}

// Where a block edit happens: line `top` (0) or the line the same edit takes at the end.
struct TBlockEdit {
    std::int32_t First; // first line of the block
    std::int32_t Lines; // lines in the block
};

// Selects lines [First, First + Lines) and deletes them; the undo brings them back untimed.
double DeleteBlock(TEditorCore& ed, int rounds, TBlockEdit edit) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        ed.GotoPoint(TPoint{0, edit.First});
        ed.SetSelectionLength(ed.PosFromPoint(TPoint{0, edit.First + edit.Lines}) - ed.CaretPos());
        best = std::min(best, BestSeconds(1, [&] { ed.DeleteSelection(); }));
        ed.Undo();
    }
    return best;
}

// Pastes the clipboard's block at the start of line `at`, then undoes it; both timed.
std::pair<double, double> PasteAndUndo(TEditorCore& ed, int rounds, std::int32_t at) {
    double paste = 1e30;
    double undo = 1e30;
    for (int r = 0; r < rounds; ++r) {
        ed.GotoPoint(TPoint{0, at});
        paste = std::min(paste, BestSeconds(1, [&] { ed.PasteFromClipboard(); }));
        undo = std::min(undo, BestSeconds(1, [&] { ed.Undo(); }));
    }
    return {paste, undo};
}

void BlockEdits(TEditorCore& longEd, int rounds) {
    constexpr int kPasted = 10000;
    std::string block;
    for (const std::string& line : MakeLines(kPasted))
        block += line + "\r\n";
    longEd.Clipboard().SetText(block);
    const std::int32_t last = longEd.Lines().Count() - 1;
    const auto [pasteTop, undoTop] = PasteAndUndo(longEd, rounds, 0);
    const auto [pasteEnd, undoEnd] = PasteAndUndo(longEd, rounds, last);
    Report("paste 10,000 lines at the top", pasteTop, "the same paste at the end", pasteEnd);
    Report("undo that paste at the top", undoTop, "undo of the paste at the end", undoEnd);
    const double deleteTop = DeleteBlock(longEd, rounds, {0, 5000});
    const double deleteEnd = DeleteBlock(longEd, rounds, {last - 5000, 5000});
    Report("delete 5,000 selected lines at the top", deleteTop, "the same at the end", deleteEnd);

    TEditorCore halfEd;
    halfEd.Lines().AssignLines(MakeLines(200000));
    const double firstHalf = DeleteBlock(halfEd, rounds, {0, 100000});
    const double secondHalf = DeleteBlock(halfEd, rounds, {99999, 100000});
    Report("delete the first half of 200,000 lines", firstHalf, "delete the second half",
           secondHalf);
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[++i]));
    }
#ifdef TANDREL_BENCH_PAINT
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    const std::vector<std::string> longLines = MakeLines(kLongText);
    const std::vector<std::string> shortLines = MakeLines(kShortText);

    // Assigning the whole text.
    TEditorCore longEd;
    const double assign = BestSeconds(rounds, [&] { longEd.Lines().AssignLines(longLines); });
    const double copy = BestSeconds(rounds, [&] {
        std::vector<std::string> copied = longLines;
        if (copied.size() != longLines.size())
            std::abort();
    });
    Report("AssignLines, 1,000,000 lines", assign, "copy of the string list", copy);

    // Typing on line 0.
    TEditorCore shortEd;
    shortEd.Lines().AssignLines(shortLines);
    const double typeLong = TypeOnLineZero(longEd, rounds, 200);
    const double typeShort = TypeOnLineZero(shortEd, rounds, 200);
    Report("keystroke on line 0 of 1,000,000 lines", typeLong, "keystroke, 100 lines", typeShort);
    std::vector<tandrel::TLineObj> records(static_cast<size_t>(kLongText));
    const double walk = BestSeconds(rounds, [&] {
        std::int32_t start = 0;
        for (tandrel::TLineObj& obj : records) {
            obj.Start = start;
            start += obj.Len + 2;
        }
    });
    Report("keystroke on line 0 of 1,000,000 lines", typeLong, "one pass over all line records",
           walk);

    // Offset to point.
    std::mt19937 rng(7);
    const std::int32_t total = longEd.PosFromPoint(TPoint{0, kLongText - 1});
    std::vector<std::int32_t> offsets(200000);
    for (std::int32_t& pos : offsets)
        pos = std::int32_t(rng() % std::uint32_t(total));
    std::int64_t sink = 0;
    const double lookup = BestSeconds(rounds, [&] {
        for (std::int32_t pos : offsets)
            sink += longEd.PointFromPos(pos).Y;
    });
    std::vector<std::int32_t> starts(static_cast<size_t>(kLongText));
    for (std::int32_t i = 0; i < kLongText; ++i)
        starts[size_t(i)] = longEd.Lines().GetLineObj(i).Start;
    const double plain = BestSeconds(rounds, [&] {
        for (std::int32_t pos : offsets)
            sink += std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin();
    });
    Report("PointFromPos x 200,000, 1,000,000 lines", lookup, "upper_bound on an int array", plain);

    BlockEdits(longEd, rounds);

#ifdef TANDREL_BENCH_PAINT
    tandrel::TCodeEdit longEdit;
    tandrel::TCodeEdit shortEdit;
    for (tandrel::TCodeEdit* edit : {&longEdit, &shortEdit}) {
        edit->resize(800, 600);
        edit->show();
    }
    longEdit.Lines().AssignLines(longLines);
    shortEdit.Lines().AssignLines(shortLines);
    longEdit.GotoPoint(TPoint{4, 900000});
    longEdit.SetTopLine(900000);
    longEdit.SetSelectionLength(300);
    shortEdit.GotoPoint(TPoint{4, 0});
    shortEdit.SetSelectionLength(300);
    QPixmap target(longEdit.viewport()->size());
    const double paintLong = BestSeconds(rounds * 4, [&] { longEdit.viewport()->render(&target); });
    const double paintShort =
        BestSeconds(rounds * 4, [&] { shortEdit.viewport()->render(&target); });
    Report("paint one screen at line 900,000", paintLong, "paint one screen of 100 lines",
           paintShort);

    // A keystroke with its repaint, as the user sees it.
    const double keyPaint = BestSeconds(rounds,
                                        [&] {
                                            for (int k = 0; k < 20; ++k) {
                                                longEdit.GotoPoint(TPoint{0, 0});
                                                longEdit.ProcessChar('x');
                                                longEdit.viewport()->render(&target);
                                            }
                                        }) /
                            20;
    Report("keystroke + paint, line 0 of 1,000,000", keyPaint, "paint one screen of 100 lines",
           paintShort);
#endif
    return sink == 42 ? 1 : 0;
}
