// What a reviewer reads and does in the source view, in the program's main window: the
// changed bytes on a stronger shade in both panes and in the line panels, the comparison
// options deciding what counts as changed, blanks made visible by an option the settings
// file keeps; the pane's context menu, block copy by Alt+arrow undone by Ctrl+Z from the
// other pane, the wheel and the font dialog, the overview's scale; the script list.

#include "ColorResolver.h"
#include "CommandLine.h"
#include "FileView.h"
#include "LinePanel.h"
#include "Main.h"
#include "OverviewStrip.h"
#include "ScriptList.h"
#include "StatusBar.h"
#include "TCodeEdit.h"
#include "WindowTestFolder.h"

#include <memory>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDialog>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace tandrel {

class SourceReviewTest : public QObject {
    Q_OBJECT

    test::TWindowTestFolder FFolder;
    std::unique_ptr<TMainForm> FForm;

    std::string Write(const std::string& name, const std::string& bytes) {
        return FFolder.Write(name, bytes);
    }
    TFilesFrame& Frame() { return *FForm->FilesFrame(); }
    TCodeEdit& Pane(bool isSide1) { return Frame().Pane(isSide1); }
    TSharedCommands& Commands() { return FForm->Commands(); }

    void NewWindow() { FForm = FFolder.NewWindow(); }
    void Open(const std::string& text1, const std::string& text2, bool ignoreCase = false,
              bool ignoreBlanks = false) {
        NewWindow();
        Commands().mnuIgnoreCase->setChecked(ignoreCase);
        Commands().mnuIgnoreBlanks->setChecked(ignoreBlanks);
        FForm->OpenLaunch(ParseCommandLine({Write("one.txt", text1), Write("two.txt", text2)}));
        QVERIFY(Frame().Compared());
    }

    // The colour a pane shows at the top of the cell of byte column `col` of row `row`:
    // above the glyphs, so it is the cell's background.
    static QRgb CellColor(TCodeEdit& pane, std::int32_t row, std::int32_t col) {
        const QImage image = pane.viewport()->grab().toImage();
        const int x =
            pane.GutterWidth() + pane.LeftMargin() + col * pane.CharWidth() + pane.CharWidth() / 2;
        const int y = pane.TopMargin() + row * pane.LineHeight() + 1;
        return image.pixel(x, y);
    }
    QRgb RowColor(std::int32_t row, bool isSide1) {
        return ResolveColor(Pane(isSide1).Lines().GetLineObj(row).Color, Pane(isSide1).palette())
            .rgb();
    }
    QRgb Shade(std::int32_t row, bool isSide1) {
        return ChangedBytesShade(QColor::fromRgb(RowColor(row, isSide1))).rgb();
    }

private slots:
    void cleanup() { FForm.reset(); }

    void changedBytesStandOutInBothPanesAndPanels() {
        // The first row keeps the caret's mark away from the modified row.
        Open("same\r\nabc = foo(1)\r\n", "same\r\nabc = bar(1)\r\n");
        for (bool isSide1 : {true, false}) {
            TCodeEdit& pane = Pane(isSide1);
            QVERIFY(Shade(1, isSide1) != RowColor(1, isSide1));
            for (int col : {6, 7, 8})
                QCOMPARE(CellColor(pane, 1, col), Shade(1, isSide1));
            for (int col : {0, 4, 5, 9, 10})
                QCOMPARE(CellColor(pane, 1, col), RowColor(1, isSide1));
        }
        Pane(true).setFocus();
        Pane(true).GotoPoint({0, 1});
        for (bool isSide1 : {true, false}) {
            QCOMPARE(Frame().LinePanel(isSide1).Changed(), (QList<QPair<int, int>>{{6, 3}}));
        }
        // Another row in the panel carries its own changes, here none.
        Pane(true).GotoPoint({0, 0});
        QVERIFY(Frame().LinePanel(false).Changed().isEmpty());
    }

    void panelRunsCountCharactersNotBytes() {
        // Two double-byte characters before the change: four bytes, two characters.
        Open("\xD6\xD0\xCE\xC4 x = 1\r\n", "\xD6\xD0\xCE\xC4 x = 2\r\n");
        Pane(false).setFocus();
        Pane(false).GotoPoint({0, 0});
        QCOMPARE(Frame().LinePanel(false).Changed(), (QList<QPair<int, int>>{{7, 1}}));
    }

    void ignoredDifferencesAreNotMarked() {
        Open("x\r\nif a  =  Foo then\r\n", "x\r\nif a = FOO then\r\n", true, true);
        // Only blanks and case differ: under both options the rows are no change at all, and
        // nothing inside them stands out.
        for (int col = 0; col < 12; ++col)
            QCOMPARE(CellColor(Pane(true), 1, col), RowColor(1, true));

        Open("x\r\nif a  =  Foo then\r\n", "x\r\nif a = FOO then\r\n", false, false);
        // Without the options the blank runs and the letters differ, and both show.
        QCOMPARE(CellColor(Pane(true), 1, 4), Shade(1, true));
        QCOMPARE(CellColor(Pane(false), 1, 4), Shade(1, false));
        QCOMPARE(CellColor(Pane(false), 1, 8), Shade(1, false));
        QCOMPARE(CellColor(Pane(false), 1, 1), RowColor(1, false));
    }

    void blankOnlyChangeShowsWhereItIs() {
        Open("x\r\na = 1\r\n", "x\r\na =  1\r\n");
        QVERIFY(!Commands().mnuShowBlanks->isChecked());
        QCOMPARE(CellColor(Pane(false), 1, 3), Shade(1, false));
        QCOMPARE(CellColor(Pane(false), 1, 0), RowColor(1, false));
    }

    void blanksOptionDrawsMarksAndIsKept() {
        Open("x\r\nab  \r\n", "x\r\nab  \r\n");
        const QImage plain = Pane(true).viewport()->grab().toImage();
        QVERIFY(!Pane(true).ShowBlanks());
        Commands().mnuShowBlanks->trigger();
        QVERIFY(Pane(true).ShowBlanks() && Pane(false).ShowBlanks());
        // The trailing blanks of row 1 are shaded and dotted; row 0 has none and stays.
        QVERIFY(CellColor(Pane(true), 1, 2) != CellColor(Pane(true), 0, 2));
        const QImage marked = Pane(true).viewport()->grab().toImage();
        QVERIFY(marked != plain);

        FForm->close();
        FForm.reset();
        NewWindow();
        QVERIFY(Commands().mnuShowBlanks->isChecked());
        QVERIFY(Pane(true).ShowBlanks());
        Commands().mnuShowBlanks->trigger();
        QVERIFY(!Pane(false).ShowBlanks());
        FForm->close();
        FForm.reset();
        NewWindow();
        QVERIFY(!Commands().mnuShowBlanks->isChecked());
    }

    void paneMenuOffersTheCommands() {
        Open("a\r\nb\r\nc\r\n", "a\r\nx\r\nc\r\n");
        QApplication::clipboard()->setText(QStringLiteral("p"));
        Pane(true).GotoPoint({0, 1});
        QStringList texts;
        bool selected = false;
        QTimer::singleShot(0, [&] {
            QMenu* menu = Frame().PaneMenu();
            QVERIFY(menu && QApplication::activePopupWidget() == menu);
            QAction* selectAll = nullptr;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                texts << action->text() + (action->isEnabled() ? "" : "-");
                if (action->text() == QStringLiteral("全选"))
                    selectAll = action;
            }
            QVERIFY(selectAll);
            selectAll->trigger();
            selected = Pane(true).SelLength() == int(std::string("a\r\nb\r\nc").size());
            menu->close();
        });
        emit Pane(true).customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(texts, (QStringList{"Copy Block &Right", "Copy Block &Left-", "&Undo-", "&Redo-",
                                     "C&ut-", "C&opy-", "&Paste", "全选", "到下一个不同点",
                                     "到前一个不同点", "&Compare"}));
        QVERIFY(selected);
        QVERIFY(!Frame().PaneMenu());
    }

    void altArrowCopiesABlockThatCtrlZUndoes() {
        Open("a\r\nb\r\nc\r\n", "a\r\nx\r\nc\r\n");
        Pane(true).setFocus();
        Pane(true).GotoPoint({0, 1});
        QTest::keyClick(&Pane(true), Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(Pane(false).Lines()[1], std::string("b"));
        // The focus stayed in the left pane; Undo reaches the pane the copy changed.
        QCOMPARE(QApplication::focusWidget(), &Pane(true));
        Commands().mnuUndo->trigger();
        QCOMPARE(Pane(false).Lines()[1], std::string("x"));

        Open("a\r\nb\r\nc\r\n", "a\r\nx\r\nc\r\n");
        Pane(false).setFocus();
        Pane(false).GotoPoint({0, 1});
        QTest::keyClick(&Pane(false), Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(Pane(true).Lines()[1], std::string("x"));
        // An edit after the copy is what Undo takes back first.
        Pane(false).GotoPoint({0, 0});
        QTest::keyClicks(&Pane(false), "q");
        QCOMPARE(Pane(false).Lines()[0], std::string("qa"));
        Commands().mnuUndo->trigger();
        QCOMPARE(Pane(false).Lines()[0], std::string("a"));
        QCOMPARE(Pane(true).Lines()[1], std::string("x"));
    }

    void wheelNotchMovesTheDesktopsLines() {
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += "line " + std::to_string(i) + "\r\n";
        Open(text, text + "tail\r\n");
        QApplication::setWheelScrollLines(3);
        auto wheel = [&](int delta) {
            QWheelEvent event(QPointF(20, 20), Pane(true).viewport()->mapToGlobal(QPointF(20, 20)),
                              QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(Pane(true).viewport(), &event);
        };
        wheel(-120);
        QCOMPARE(Pane(true).TopLine(), 3);
        QCOMPARE(Pane(false).TopLine(), 3);
        wheel(-240);
        QCOMPARE(Pane(true).TopLine(), 9);
        // A fine wheel's small step still moves.
        wheel(30);
        QCOMPARE(Pane(true).TopLine(), 8);
        QApplication::setWheelScrollLines(5);
        wheel(120);
        QCOMPARE(Pane(true).TopLine(), 3);
    }

    void fontDialogUnchangedChangesNothing() {
        Open("a\r\n", "b\r\n");
        const QFont before = Pane(true).font();
        const std::string name = FForm->Values().FontName;
        QFont offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            offered = dialog->currentFont();
            dialog->accept();
        });
        Commands().mnuFont->trigger();
        QCOMPARE(offered.family(), QFontInfo(before).family());
        QCOMPARE(offered.pointSize(), before.pointSize());
        QCOMPARE(Pane(true).font(), before);
        QCOMPARE(Pane(false).font(), before);
        QVERIFY(!Pane(true).font().italic());
        QCOMPARE(FForm->Values().FontName, name);
    }

    void overviewScalesTheWholeTextToItsHeight() {
        std::string text;
        for (int i = 0; i < 23; ++i)
            text += "row " + std::to_string(i) + "\r\n";
        Open(text, text.substr(0, text.size() - 8) + "changed\r\n");
        TOverviewStrip& strip = Frame().Overview();
        QVERIFY(strip.height() > 200);
        QImage image(strip.size(), QImage::Format_RGB32);
        strip.render(&image);
        // The last row is the changed one: it fills the strip's bottom 23rd, not a sliver.
        const QColor changed = image.pixelColor(10, strip.height() - 2);
        QVERIFY(changed != image.pixelColor(10, strip.height() / 2));
        QCOMPARE(image.pixelColor(10, strip.RowToY(22) + 1), changed);
        QCOMPARE(strip.RowAt(strip.RowToY(22)), 22);
        QCOMPARE(strip.RowAt(strip.RowToY(22) - 1), 21);
        QCOMPARE(strip.RowAt(strip.height() - 1), 22);
        QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(5, strip.height() - 1));
        QCOMPARE(strip.ClickRow(), 22);
    }

    void scriptListGoesToScriptsInBothPanes() {
        const std::string head = "forward\r\nglobal type w_main from window\r\nend type\r\n"
                                 "end forward\r\n\r\nglobal type w_main from window\r\nend type\r\n"
                                 "global w_main w_main\r\n\r\n";
        const std::string close = "event close;\r\ny = 1\r\nend event\r\n\r\n";
        Open(head + "event open;\r\nx = 1\r\nend event\r\n\r\n" + close,
             head + "event open;\r\nx = 2\r\nend event\r\n\r\n" + close +
                 "event resize;\r\nz = 1\r\nend event\r\n");
        TScriptList& scripts = Frame().ScriptList();
        QVERIFY(scripts.isVisible());
        QListWidget& list = scripts.List();
        QStringList titles;
        for (int i = 0; i < list.count(); ++i)
            titles << list.item(i)->text();
        QVERIFY(titles.contains("open") && titles.contains("close") && titles.contains("resize"));
        auto item = [&](const QString& title) {
            for (int i = 0; i < list.count(); ++i)
                if (list.item(i)->text() == title)
                    return list.item(i);
            return static_cast<QListWidgetItem*>(nullptr);
        };
        const TProgramValues& values = FForm->Values();
        QCOMPARE(item("open")->background().color(), ResolveColor(values.ModColor, list.palette()));
        QCOMPARE(item("resize")->background().color(),
                 ResolveColor(values.AddColor, list.palette()));
        QCOMPARE(item("close")->background().style(), Qt::NoBrush);

        // A click: both panes' carets on the script's first row, the status bar names it.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(item("close")).center());
        const std::int32_t row = Pane(true).CaretPt().Y;
        QCOMPARE(Pane(true).Lines()[row], std::string("event close;"));
        QCOMPARE(Pane(false).CaretPt().Y, row);
        QCOMPARE(Pane(false).Lines()[row], std::string("event close;"));
        QCOMPARE(FForm->StatusPanels()->PanelText(7), QStringLiteral("close"));
        // The added script lies on side 2 only: its row there.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(item("resize")).center());
        QCOMPARE(Pane(false).Lines()[Pane(false).CaretPt().Y], std::string("event resize;"));
        QCOMPARE(FForm->StatusPanels()->PanelText(7), QStringLiteral("resize"));

        scripts.ChangedOnly().setChecked(true);
        QVERIFY(item("open") && item("resize"));
        QVERIFY(!item("close"));
        scripts.ChangedOnly().setChecked(false);
        QVERIFY(item("close"));

        // Plain texts have no scripts to list.
        Open("a\r\n", "b\r\n");
        QVERIFY(!Frame().ScriptList().isVisible());
    }
};

} // namespace tandrel

QTEST_MAIN(tandrel::SourceReviewTest)
#include "SourceReviewTest.moc"
