// The source view in the program's main window keeps the user's text and tells its state
// truly: saving a side under every option and state (differences only, after a save onto
// the side's own file, after a cancelled comparison, with edits), the display after a save
// or a cancel, colours chosen after comparing, and a block copied from the last row. Saved
// files are compared byte for byte; displays are compared with a fresh comparison of the
// files as they stand on disk.

#include "CommandGuard.h"
#include "CommandLine.h"
#include "FileView.h"
#include "Main.h"
#include "OverviewStrip.h"
#include "PaneRows.h"
#include "StatusBar.h"
#include "TCodeEdit.h"
#include "WindowTestFolder.h"

#include <fstream>
#include <memory>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <sstream>

namespace tandrel {

namespace {

using Lines = std::vector<std::string>;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Joined(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// A row as a comparison shows it, for comparing whole displays.
struct TShownRow {
    std::string Text;
    TColor Color;
    std::int32_t Tag;
    std::uint8_t Kind;
    bool operator==(const TShownRow&) const = default;
};
using TShown = std::vector<TShownRow>;

TShown Shown(const TEditorCore& pane) {
    TShown rows;
    for (const TDiffRow& row : RowsOfPane(pane.Lines()))
        rows.push_back({std::string(row.Text), row.Color, row.Tag, row.Kind});
    return rows;
}

char* toString(const TShown& rows) {
    std::string text;
    for (const TShownRow& row : rows)
        text += "[" + row.Text + "|" + std::to_string(row.Color) + "|" + std::to_string(row.Tag) +
                "|" + std::to_string(row.Kind) + "]";
    return qstrdup(text.c_str());
}

// Answers every message box the window opens with the button set, and keeps their texts.
class TQuestions {
public:
    TQuestions() {
        FTimer.setInterval(10);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            Asked.push_back(box->text());
            box->button(Answer)->click();
        });
        FTimer.start();
    }
    QMessageBox::StandardButton Answer = QMessageBox::No;
    QStringList Asked;

private:
    QTimer FTimer;
};

} // namespace

class SourceViewSaveTest : public QObject {
    Q_OBJECT

    test::TWindowTestFolder FFolder;
    std::vector<std::string> FMessages;
    std::unique_ptr<TMainForm> FForm;

    std::string Path(const std::string& name) const { return FFolder.Path(name); }
    std::string Write(const std::string& name, const std::string& bytes) {
        return FFolder.Write(name, bytes);
    }
    TFilesFrame& Frame() { return *FForm->FilesFrame(); }
    TCodeEdit& Pane(bool isSide1) { return Frame().Pane(isSide1); }
    TSharedCommands& Commands() { return FForm->Commands(); }

    // The window with the two files given on the command line, options as given.
    void Open(const std::string& path1, const std::string& path2, bool diffsOnly = false,
              bool ignoreCase = false, bool ignoreBlanks = false) {
        FForm = FFolder.NewWindow();
        Commands().mnuShowDiffsOnly->setChecked(diffsOnly);
        Commands().mnuIgnoreCase->setChecked(ignoreCase);
        Commands().mnuIgnoreBlanks->setChecked(ignoreBlanks);
        FForm->OpenLaunch(ParseCommandLine({path1, path2}));
    }

    // What a fresh comparison of the two sides' files shows under the window's options.
    std::pair<TShown, TShown> Fresh() {
        TEditorCore left;
        TEditorCore right;
        TSourceCompare model(left, right);
        model.OnReadOptions = [this] {
            return TCompareOptions{Commands().mnuIgnoreBlanks->isChecked(),
                                   Commands().mnuIgnoreCase->isChecked(),
                                   Commands().mnuShowDiffsOnly->isChecked()};
        };
        model.OnReadColors = [this] {
            const TProgramValues& values = FForm->Values();
            return TRowColors{0, values.AddColor, values.ModColor, values.DelColor};
        };
        model.LoadFile(Frame().Model().FileName(true), true);
        model.LoadFile(Frame().Model().FileName(false), false);
        if (model.Compare() != TCompareResult::Compared)
            return {};
        return {Shown(left), Shown(right)};
    }
    void CheckShowsTheFiles() {
        const auto [left, right] = Fresh();
        QCOMPARE(Shown(Pane(true)), left);
        QCOMPARE(Shown(Pane(false)), right);
        QVERIFY(!Pane(true).Lines().Modified() && !Pane(false).Lines().Modified());
    }

    // The row of a side showing line `tag` of its text.
    std::int32_t RowOf(bool isSide1, std::int32_t tag) {
        const TLines& lines = Pane(isSide1).Lines();
        for (std::int32_t r = 0; r < lines.Count(); ++r)
            if (lines.GetLineObj(r).Tag == tag)
                return r;
        return -1;
    }
    void AppendToRow(bool isSide1, std::int32_t tag, const std::string& text) {
        const std::int32_t row = RowOf(isSide1, tag);
        QVERIFY(row >= 0);
        Pane(isSide1).GotoPoint({Pane(isSide1).Lines().GetLineObj(row).Len, row});
        Pane(isSide1).InsertText(text);
    }
    // Compare, cancelled as soon as the engine lets the window take input.
    void CancelledCompare() {
        QTimer::singleShot(0, [this] { Commands().mnuCancel->trigger(); });
        Commands().mnuCompare->trigger();
        QCOMPARE(FForm->StatusPanels()->PanelText(3), QString("Compare cancelled."));
    }
    void ToggleDiffsOnly() { Commands().mnuShowDiffsOnly->trigger(); }
    void ChooseColor(int which, TColor color) {
        FForm->SetColorChooser([color](TColor, const QString&) { return color; });
        FForm->HighlightColorEntry(which)->trigger();
    }

    // Texts that differ in many places, some only by case or blanks.
    static Lines Text1() {
        return {"Head", "alpha", "Beta", "gamma delta", "eps", "zeta", "eta", "theta", "iota"};
    }
    static Lines Text2() {
        return {"head", "alpha", "beta", "gammadelta", "EPS x", "zeta", "eta2", "theta", "kappa"};
    }

private slots:
    void init() {
        QVERIFY(FFolder.IsValid());
        FMessages.clear();
        SetMessageSink([this](const TMessage& m) { FMessages.push_back(m.Text.toStdString()); });
    }
    void cleanup() {
        FForm.reset();
        SetMessageSink({});
    }

    void saveWithDifferencesOnlyWritesTheWholeSide() {
        const std::string a = Write("a.txt", "l1\r\nl2\r\nl3\r\nl4\r\nl5\r\nl6\r\n");
        const std::string b = Write("b.txt", "new0\r\nl1\r\nX2\r\nl3\r\nl5\r\nl6\r\nadd7\r\n");
        Open(a, b);
        ToggleDiffsOnly();
        QCOMPARE(Pane(true).Lines().Count(), 4);
        Frame().WriteSource(true, a);
        QCOMPARE(Read(a), std::string("l1\r\nl2\r\nl3\r\nl4\r\nl5\r\nl6\r\n"));
        Frame().WriteSource(false, Path("b2.txt"));
        QCOMPARE(Read(Path("b2.txt")), Read(b));
        // An edit in a shown row is written with the hidden rows around it.
        AppendToRow(false, 3, "!");
        Frame().WriteSource(false, Path("b3.txt"));
        QCOMPARE(Read(Path("b3.txt")),
                 std::string("new0\r\nl1\r\nX2!\r\nl3\r\nl5\r\nl6\r\nadd7\r\n"));
        QVERIFY(FMessages.empty());
    }

    void saveOntoItsOwnFileLeavesTextsBlocksAndDisplayAgreeing() {
        const std::string a = Write("a.txt", "l1\r\nl2\r\nl3\r\nl4\r\nl5\r\nl6\r\n");
        const std::string b = Write("b.txt", "new0\r\nl1\r\nX2\r\nl3\r\nl5\r\nl6\r\nadd7\r\n");
        Open(a, b, true);
        AppendToRow(true, 2, " edited");
        Frame().WriteSource(true, a);
        QCOMPARE(Read(a), std::string("l1\r\nl2 edited\r\nl3\r\nl4\r\nl5\r\nl6\r\n"));
        CheckShowsTheFiles();
        ToggleDiffsOnly();
        CheckShowsTheFiles();
        // An added line, then a save: the rows are those of the new text.
        AppendToRow(true, 3, "\r\ninserted");
        Frame().WriteSource(true, a);
        QCOMPARE(Read(a), std::string("l1\r\nl2 edited\r\nl3\r\ninserted\r\nl4\r\nl5\r\nl6\r\n"));
        CheckShowsTheFiles();
        TQuestions questions;
        Commands().mnuCompare->trigger();
        QVERIFY(questions.Asked.isEmpty());
        CheckShowsTheFiles();
        QVERIFY(FMessages.empty());
    }

    void cancelledCompareKeepsTheLastResultForTheFilter() {
        Lines text1 = Text1();
        for (int i = 0; i < 6; ++i)
            text1.push_back("tail " + std::to_string(i));
        Open(Write("1.txt", Joined(text1)), Write("2.txt", Joined(Text2())));
        const TShown left = Shown(Pane(true));
        CancelledCompare();
        QVERIFY(Frame().Compared());
        QCOMPARE(Shown(Pane(true)), left);
        ToggleDiffsOnly();
        QVERIFY(Pane(true).Lines().Count() > 0);
        CheckShowsTheFiles();
        ToggleDiffsOnly();
        CheckShowsTheFiles();
        QVERIFY(FMessages.empty());
    }

    void coloursChosenAfterComparingRepaintAndTheReportKeepsEveryBlock() {
        Open(Write("1.txt", "a\r\nb\r\nc\r\n"), Write("2.txt", "a\r\nB\r\nc\r\nd\r\n"));
        const TColor added = FForm->Values().AddColor;
        const std::string report = Path("report.txt");
        for (TColor modified : {added, TColor(0), TColor(0x00123456)}) {
            ChooseColor(1, modified);
            for (bool isSide1 : {true, false}) {
                QCOMPARE(Pane(isSide1).Lines().GetLineObj(1).Color, modified);
                QCOMPARE(Pane(isSide1).Lines().GetLineObj(3).Color, added);
            }
            QImage strip(Frame().Overview().size(), QImage::Format_RGB32);
            Frame().Overview().render(&strip);
            QCOMPARE(strip.pixelColor(10, Frame().Overview().RowToY(1) + 1),
                     QColor(RedOf(modified), GreenOf(modified), BlueOf(modified)));
            Frame().WriteReport(report);
            const std::string written = Read(report);
            QVERIFY(written.find("\r\nLines modified at 2\r\n"
                                 "================================================================"
                                 "================\r\n- b\r\n+ B\r\n") != std::string::npos);
            QVERIFY(written.find("\r\nLines added at 4\r\n") != std::string::npos);
        }
        // Deleted rows in the added colour: still a section of their own kind.
        Open(Write("3.txt", "a\r\nb\r\nc\r\n"), Write("4.txt", "a\r\nB\r\n"));
        ChooseColor(2, added);
        Frame().WriteReport(report);
        QVERIFY(Read(report).find("\r\nLines deleted at 3\r\n") != std::string::npos);
        QVERIFY(FMessages.empty());
    }

    void copiedLastRowTakesTheBackgroundAndKindZero() {
        for (bool right : {true, false}) {
            // The last row is a filler on the side copied onto.
            Open(Write("1.txt", right ? "a\r\nz\r\n" : "a\r\n"),
                 Write("2.txt", right ? "a\r\n" : "a\r\nz\r\n"));
            TCodeEdit& from = Pane(right);
            from.setFocus();
            from.GotoPoint({0, 1});
            QAction* copy = right ? Commands().mnuCopyBlockRight : Commands().mnuCopyBlockLeft;
            copy->setEnabled(true);
            copy->trigger();
            const TLines& to = Pane(!right).Lines();
            QCOMPARE(to.Count(), 2);
            QCOMPARE(to[1], std::string("z"));
            const TLineObj& row = to.GetLineObj(1);
            QCOMPARE(row.Color, TSourceCompare::UnchangedColor);
            QCOMPARE(int(row.Kind), 0);
            QCOMPARE(row.Tag, 0);
        }
        QVERIFY(FMessages.empty());
    }

    // Saving under every option and in every state, each saved file compared byte for byte
    // with the side's text and its edits.
    void savesUnderEveryOptionAndState() {
        const Lines text1 = Text1();
        const Lines text2 = Text2();
        Lines edited1 = text1;
        edited1[4] += " more";
        Lines edited2 = text2;
        edited2.insert(edited2.begin() + 7, "new");
        for (int options = 0; options < 8; ++options) {
            const bool diffsOnly = options & 1;
            const bool ignoreCase = options & 2;
            const bool ignoreBlanks = options & 4;
            const QString name = QString("options %1").arg(options);
            const std::string path1 = Write("s1.txt", Joined(text1));
            const std::string path2 = Write("s2.txt", Joined(text2));
            Open(path1, path2, diffsOnly, ignoreCase, ignoreBlanks);
            TQuestions questions;
            auto saved = [&](bool isSide1, const Lines& expected) {
                const std::string out = Path("out.txt");
                Frame().WriteSource(isSide1, out);
                QVERIFY2(Read(out) == Joined(expected), qPrintable(name));
            };
            saved(true, text1);
            saved(false, text2);
            CancelledCompare();
            saved(true, text1);
            saved(false, text2);

            AppendToRow(true, 5, " more");
            AppendToRow(false, 7, "\r\nnew");
            saved(true, edited1);
            saved(false, edited2);
            // Side 1 onto its own file while side 2 keeps its edits.
            Frame().WriteSource(true, path1);
            QVERIFY2(Read(path1) == Joined(edited1), qPrintable(name));
            QVERIFY(!Pane(true).Lines().Modified());
            QVERIFY(Pane(false).Lines().Modified());
            saved(true, edited1);
            saved(false, edited2);
            // The filter asks before it would drop side 2's edits; kept, nothing changes.
            questions.Answer = QMessageBox::No;
            ToggleDiffsOnly();
            QCOMPARE(questions.Asked.size(), 1);
            QCOMPARE(Commands().mnuShowDiffsOnly->isChecked(), diffsOnly);
            saved(true, edited1);
            saved(false, edited2);
            // Side 2 onto its own file: both sides are their files again.
            Frame().WriteSource(false, path2);
            QVERIFY2(Read(path2) == Joined(edited2), qPrintable(name));
            CheckShowsTheFiles();
            CancelledCompare();
            ToggleDiffsOnly();
            CheckShowsTheFiles();
            saved(true, edited1);
            saved(false, edited2);
            QCOMPARE(questions.Asked.size(), 1);
        }
        QVERIFY(FMessages.empty());
    }
};

} // namespace tandrel

QTEST_MAIN(tandrel::SourceViewSaveTest)
#include "SourceViewSaveTest.moc"
