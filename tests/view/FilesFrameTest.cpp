// The source comparison frame in a window, driven through the shared commands and keys as a
// user drives it: two files compared, panes scrolled together with the overview following,
// overview clicks, line panels, stepping between blocks, gutter markers, block copy in both
// arrangements, saving edits, the report, re-activation, a long comparison cancelled with
// Esc and a real object against its export.

#include "CodePage.h"
#include "FileView.h"
#include "LinePanel.h"
#include "OverviewStrip.h"
#include "PbFuncs.h"
#include "Stream.h"
#include "TCodeEdit.h"
#include "TestShell.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <sstream>
#include <sys/stat.h>

namespace tandrel::test {

namespace fs = std::filesystem;

class FilesFrameTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = FDir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    static std::string Numbered(int count, const std::function<std::string(int)>& line) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += line(i) + "\r\n";
        return text;
    }
    // A shown window with the source view in front and two files compared.
    std::unique_ptr<TTestShell> Shown(const std::string& text1, const std::string& text2) {
        auto shell = std::make_unique<TTestShell>();
        shell->CreateFilesFrame();
        shell->show();
        shell->activateWindow();
        if (!QTest::qWaitForWindowActive(shell.get()))
            qWarning("window not active");
        shell->ShowFilesView();
        shell->FilesFrame().OpenTextFiles(Write("one.txt", text1), Write("two.txt", text2));
        return shell;
    }
    static std::vector<std::string> PaneTexts(TCodeEdit& pane) {
        std::vector<std::string> texts;
        for (std::int32_t i = 0; i < pane.Lines().Count(); ++i)
            texts.push_back(pane.Lines()[i]);
        return texts;
    }

    QTemporaryDir FDir;

private slots:
    void comparesTwoFilesAndPublishesCounts() {
        auto shell = Shown("a\r\nb\r\nc\r\n", "a\r\nx\r\nc\r\nd\r\n");
        TFilesFrame& frame = shell->FilesFrame();
        QVERIFY(frame.Compared());
        QCOMPARE(shell->Counts.Count1, 3);
        QCOMPARE(shell->Counts.Count2, 4);
        QCOMPARE(shell->Counts.Changed, 1);
        QCOMPARE(shell->Counts.Added, 1);
        QVERIFY(frame.Overview().isVisible());
        QCOMPARE(frame.Overview().RowCount(), 4);
        QVERIFY(shell->Commands().mnuNext->isEnabled());
        QVERIFY(shell->Commands().mnuSaveReport->isEnabled());
        QVERIFY(frame.Caption(false).text().endsWith("two.txt"));
        shell->Commands().mnuShowDiffsOnly->setChecked(true);
        frame.BuildDisplay();
        QCOMPARE(frame.Pane(true).Lines().Count(), 2);
        QCOMPARE(frame.Overview().RowCount(), 2);
        shell->Commands().mnuShowDiffsOnly->setChecked(false);
        shell->Commands().mnuIgnoreCase->setChecked(true);
        shell->Commands().mnuCompare->trigger();
        QVERIFY(frame.Caption(false).text().endsWith("two.txt  (Case Ignored)"));
        QVERIFY(shell->Errors.empty());
    }

    void editedPaneAsksBeforeCompare() {
        auto shell = Shown("a\r\nb\r\n", "a\r\nc\r\n");
        TCodeEdit& right = shell->FilesFrame().Pane(false);
        right.GotoPoint({0, 1});
        right.InsertText("new ");
        QCOMPARE(shell->FilesFrame().Caption(false).palette().color(QPalette::Window),
                 QColor(0xE0, 0xE0, 0xCC));
        QString question;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            question = box->text();
            QVERIFY(box->defaultButton() == box->button(QMessageBox::No));
            box->button(QMessageBox::No)->click();
        });
        shell->Commands().mnuCompare->trigger();
        QCOMPARE(question, QString("Changes will be lost if you proceed with this compare.\n"
                                   "Continue? ..."));
        QCOMPARE(right.Lines()[1], std::string("new c"));
    }

    void panesScrollTogetherAndTheOverviewFollows() {
        const std::string text = Numbered(3000, [](int i) { return "line " + std::to_string(i); });
        std::string other = text;
        other.replace(other.find("line 1500"), 9, "LINE 1500");
        auto shell = Shown(text, other);
        TFilesFrame& frame = shell->FilesFrame();
        TCodeEdit& left = frame.Pane(true);
        TCodeEdit& right = frame.Pane(false);
        left.SetTopLine(1200);
        QCOMPARE(right.TopLine(), 1200);
        QImage strip(frame.Overview().size(), QImage::Format_RGB32);
        frame.Overview().render(&strip);
        QCOMPARE(strip.pixelColor(1, frame.Overview().RowToY(1200)), QColor(255, 0, 0));
        right.SetTopLine(40);
        QCOMPARE(left.TopLine(), 40);
        right.SetLeftCol(3);
        QCOMPARE(left.LeftCol(), 3);
        // Keys move the caret and scroll: the other pane follows.
        left.setFocus();
        QTest::keyClick(&left, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(left.TopLine() > 2900);
        QCOMPARE(right.TopLine(), left.TopLine());
        // A wheel step scrolls both.
        const std::int32_t top = left.TopLine();
        QWheelEvent wheel(QPointF(10, 10), left.mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(left.viewport(), &wheel);
        QCOMPARE(left.TopLine(), top - QApplication::wheelScrollLines());
        QCOMPARE(right.TopLine(), top - QApplication::wheelScrollLines());
    }

    void overviewClicksShowTheRow() {
        const std::string text = Numbered(5000, [](int i) { return std::to_string(i); });
        auto shell = Shown(text, "0\r\n");
        TFilesFrame& frame = shell->FilesFrame();
        TOverviewStrip& strip = frame.Overview();
        // The whole text in the strip's height, no scrolling of its own.
        QVERIFY(strip.RowToY(4999) < strip.height());
        QVERIFY(strip.RowToY(4999) >= strip.height() - 2);
        TCodeEdit& left = frame.Pane(true);
        const int half = left.ClientHeight() / left.LineHeight() / 2;
        QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(5, 1));
        QCOMPARE(left.TopLine(), 0);
        QCOMPARE(strip.ClickRow(), strip.RowAt(1));
        const int y = strip.height() / 2;
        QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(5, y));
        QCOMPARE(strip.ClickRow(), strip.RowAt(y));
        QVERIFY(std::abs(strip.RowAt(y) - 2500) <= 5000 / strip.height() + 1);
        QCOMPARE(left.TopLine(), strip.RowAt(y) - half);
        QCOMPARE(frame.Pane(false).TopLine(), left.TopLine());
        QCOMPARE(left.CaretPt().Y, 0);
    }

    void millionRowOverviewScrolls() {
        const std::string text = Numbered(1000000, [](int i) { return std::to_string(i % 977); });
        const std::string other =
            Numbered(1000000, [](int i) { return i == 999005 ? "x" : std::to_string(i % 977); });
        auto shell = Shown(text, other);
        TFilesFrame& frame = shell->FilesFrame();
        TOverviewStrip& strip = frame.Overview();
        QCOMPARE(strip.RowCount(), 1000000);
        frame.Pane(true).SetTopLine(999000);
        QCOMPARE(frame.Pane(false).TopLine(), frame.Pane(true).TopLine());
        frame.Pane(true).SetTopLine(0);
        // One changed row among a million still colours the pixel row it falls in.
        QImage image(strip.size(), QImage::Format_RGB32);
        strip.render(&image);
        const int y = strip.RowToY(999005);
        QCOMPARE(image.pixelColor(10, y), QColor::fromRgb(0x8A, 0xFB, 0x6F));
        QVERIFY(image.pixelColor(10, y - 10) != QColor::fromRgb(0x8A, 0xFB, 0x6F));
    }

    void linePanelsAndGutterMarkers() {
        auto shell = Shown("one\r\ntwo\r\nthree\r\n", "one\r\nthree\r\nfour\r\n");
        TFilesFrame& frame = shell->FilesFrame();
        TCodeEdit& left = frame.Pane(true);
        TCodeEdit& right = frame.Pane(false);
        left.setFocus();
        left.GotoPoint({0, 1});
        QCOMPARE(frame.LinePanel(true).Number(), QString("2"));
        QCOMPARE(frame.LinePanel(true).Text(), QString("two"));
        QCOMPARE(frame.LinePanel(false).Number(), QString());
        QCOMPARE(frame.LinePanel(false).Text(), QString());
        QVERIFY(shell->Commands().mnuCopyBlockRight->isEnabled());
        QVERIFY(!shell->Commands().mnuCopyBlockLeft->isEnabled());
        // Markers: "-" on the deleted row, "+" on the added filler, none on equal rows.
        auto markerInk = [&](TCodeEdit& pane, int row) {
            QImage image(pane.GutterWidth(), pane.LineHeight(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setPen(Qt::black);
            painter.setFont(pane.font());
            pane.OnPaintLeftMargin(
                pane, painter, QRect(0, 0, pane.GutterWidth() - 3, pane.LineHeight()), row + 1, 0);
            painter.end();
            int ink = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    ink += image.pixelColor(x, y) != QColor(Qt::white);
            return ink;
        };
        QCOMPARE(markerInk(left, 0), 0);
        QVERIFY(markerInk(left, 1) > 0);
        QVERIFY(markerInk(left, 3) > 0);
        QCOMPARE(markerInk(right, 1), 0);
    }

    void droppedFileLoadsIntoItsPane() {
        auto shell = Shown("a\r\n", "b\r\n");
        TCodeEdit& right = shell->FilesFrame().Pane(false);
        const std::string path = Write("dropped.txt", "a\r\n");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(right.viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(right.viewport(), &drop);
        QCOMPARE(shell->FilesFrame().Model().FileName(false), path);
        QVERIFY(shell->FilesFrame().Model().Blocks().empty());
        QVERIFY(shell->Errors.empty());
    }

    void filesThatLostSomethingSaySoAndAreNotSaved() {
        auto shell = Shown(std::string("MZ\0\x01\r\n", 6), "a\r\n");
        TFilesFrame& frame = shell->FilesFrame();
        QVERIFY(frame.Caption(true).text().contains("[binary file, read-only]"));
        QCOMPARE(shell->Panels[7], QString("1: binary file"));
        QVERIFY2(shell->Warnings.empty(), "a binary file needs no box");
        QCOMPARE(shell->Counts.Changed, 1);
        shell->Commands().mnuSave1->trigger();
        QCOMPARE(shell->Errors.size(), size_t(1));
        QVERIFY(QString::fromStdString(shell->Errors[0]).contains("binary file; saving would"));

        // A character the code page cannot hold: a warning naming it, before any comparison.
        const std::string emoji = Write("emoji.txt", "x\n\xF0\x9F\x98\x80\n");
        frame.LoadFile(emoji, false);
        QCOMPARE(shell->Warnings.size(), size_t(1));
        QVERIFY(QString::fromStdString(shell->Warnings[0])
                    .contains("1 character cannot be shown in GBK, the first on line 2"));
        QVERIFY(frame.Caption(false).text().contains("emoji.txt  [UTF-8 without BOM]  [1 character "
                                                     "cannot be shown in GBK, the first on line 2, "
                                                     "read-only]"));
        QVERIFY(shell->Panels[7].startsWith("1: binary file   2: 1 character"));
        QVERIFY(frame.Pane(false).ReadOnly());
        frame.LoadFile(Write("plain.txt", "a\r\n"), true);
        QVERIFY(shell->Panels[7].startsWith("2: 1 character"));
        frame.LoadFile(Write("fine.txt", "\xE4\xB8\xAD\n"), false);
        QCOMPARE(shell->Panels[7], QString());
        QVERIFY(frame.Caption(false).text().endsWith("fine.txt  [UTF-8 without BOM]"));
        QVERIFY(!frame.Pane(false).ReadOnly());
    }

    void theRememberedFolderKeepsItsBytes() {
        auto shell = Shown("a\r\n", "b\r\n");
        // A folder named in GBK bytes, as copied from Windows: not UTF-8.
        const std::string folder = FDir.path().toStdString() + "/\xD6\xD0";
        fs::create_directories(folder);
        const std::string path = folder + "/x.txt";
        std::ofstream(path, std::ios::binary) << "a\r\n";
        shell->FilesFrame().LoadFile(path, false);
        QCOMPARE(shell->Values().Folder2, folder + "/");
        QCOMPARE(shell->FilesFrame().Model().FileName(false), path);
    }

    void nextAndPrevStopAtTheEnds() {
        auto shell = Shown("a\r\nx\r\nb\r\nc\r\ny\r\nd\r\n", "a\r\nb\r\nc\r\nd\r\n");
        TCodeEdit& left = shell->FilesFrame().Pane(true);
        left.setFocus();
        shell->Commands().mnuNext->trigger();
        QCOMPARE(left.CaretPt().Y, 1);
        shell->Commands().tbNext->trigger();
        QCOMPARE(left.CaretPt().Y, 4);
        shell->Commands().mnuNext->trigger();
        QCOMPARE(left.CaretPt().Y, 4);
        shell->Commands().mnuPrev->trigger();
        QCOMPARE(left.CaretPt().Y, 1);
        shell->Commands().mnuPrev->trigger();
        QCOMPARE(left.CaretPt().Y, 1);
    }

    void copyBlocksInBothArrangements() {
        for (bool stacked : {false, true}) {
            auto shell = Shown("a\r\nold\r\nb\r\nc\r\n", "a\r\nb\r\nnew\r\nc\r\n");
            TFilesFrame& frame = shell->FilesFrame();
            if (stacked) {
                shell->Commands().mnuHorzSplit->trigger();
                QCOMPARE(frame.Splitter().orientation(), Qt::Vertical);
                QCOMPARE(shell->Commands().mnuCopyBlockRight->text(), QString("Copy Block &Down"));
                QCOMPARE(shell->Commands().mnuCopyBlockLeft->shortcut(),
                         QKeySequence("Ctrl+Alt+U"));
            }
            TCodeEdit& left = frame.Pane(true);
            TCodeEdit& right = frame.Pane(false);
            right.SetReadOnly(false);
            left.SetReadOnly(false);
            left.setFocus();
            left.GotoPoint({0, 1});
            QTest::keyClick(&left, Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier);
            QCOMPARE(PaneTexts(right), (std::vector<std::string>{"a", "old", "b", "new", "c"}));
            right.setFocus();
            right.GotoPoint({0, 3});
            shell->Commands().mnuCopyBlockLeft->setEnabled(true);
            shell->Commands().mnuCopyBlockLeft->trigger();
            QCOMPARE(PaneTexts(left), (std::vector<std::string>{"a", "old", "b", "new", "c"}));
            QVERIFY(!shell->Commands().mnuCopyBlockLeft->isEnabled());
            QVERIFY(shell->Errors.empty());
        }
    }

    void editsSurviveASaveAndTheReportReadsThePanes() {
        auto shell = Shown("$PBExportHeader$w_x.srw\r\nkeep\r\ngone\r\n",
                           "$PBExportHeader$w_x.srw\r\nkeep\r\n");
        TFilesFrame& frame = shell->FilesFrame();
        TCodeEdit& left = frame.Pane(true);
        QCOMPARE(frame.Model().SaveName(true), std::string("w_x.srw"));
        left.GotoPoint({0, 1});
        left.InsertText("still ");
        const std::string report = FDir.filePath("report.txt").toStdString();
        frame.WriteReport(report);
        const std::string written = Read(report);
        QVERIFY(written.find("\r\nLines deleted at 3\r\n") != std::string::npos);
        QVERIFY(written.find("\r\n- gone\r\n") != std::string::npos);
        QVERIFY(written.find("File 1: \"" + frame.Model().FileName(true) + "\"") !=
                std::string::npos);
        frame.WriteSource(true, frame.Model().FileName(true));
        QCOMPARE(Read(frame.Model().FileName(true)),
                 std::string("$PBExportHeader$w_x.srw\r\nstill keep\r\ngone\r\n"));
        // The saved file is the side's own: re-activation does not reload it.
        shell->Activate();
        QCOMPARE(left.Lines()[1], std::string("still keep"));
    }

    void reportTimesAreTheShortFormatsWithoutSeconds() {
        // As tandrel-cli diff writes them under the same locale (see its tests).
        const QByteArray oldLocale = qgetenv("LC_ALL");
        const QByteArray oldZone = qgetenv("TZ");
        qputenv("LC_ALL", "C.UTF-8");
        qputenv("TZ", "UTC");
        ::tzset();
        auto shell = Shown("a\r\n", "b\r\n");
        const std::string one = FDir.filePath("one.txt").toStdString();
        const struct timespec times[2] = {{1796741137, 0}, {1796741137, 0}};
        ::utimensat(AT_FDCWD, one.c_str(), times, 0);
        TFilesFrame& frame = shell->FilesFrame();
        frame.OpenTextFiles(one, FDir.filePath("two.txt").toStdString());
        const std::string report = FDir.filePath("times.txt").toStdString();
        frame.WriteReport(report);
        const std::string written = Read(report);
        QVERIFY(written.find("\"\r\n        Last modified on 12/08/26, 14:45\r\n") !=
                std::string::npos);
        const std::string first = written.substr(0, written.find("\r\n"));
        QCOMPARE(first.size(), std::string("Difference Report - 12/08/26, 14:45").size());
        qputenv("LC_ALL", oldLocale);
        oldZone.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldZone);
        ::tzset();
    }

    void reactivationReloadsChangedFilesOnly() {
        auto shell = Shown("a\r\n", "b\r\n");
        TFilesFrame& frame = shell->FilesFrame();
        const std::string path = frame.Model().FileName(false);
        std::ofstream(path, std::ios::binary) << "a\r\n";
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(3));
        shell->Activate();
        QCOMPARE(shell->Counts.Changed, 0);
        QVERIFY(frame.Model().Blocks().empty());
        frame.LoadSource("obj@lib.pbl", {"z"}, true);
        frame.Compare();
        shell->Activate();
        QCOMPARE(frame.Pane(true).Lines()[0], std::string("z"));
        QVERIFY(frame.Pane(true).ReadOnly());
        QVERIFY(frame.Caption(true).text().endsWith("obj@lib.pbl"));
    }

    void escCancelsALongComparison() {
        auto shell = Shown("a\r\n", "b\r\n");
        TFilesFrame& frame = shell->FilesFrame();
        std::vector<std::string> text1, text2;
        // Two random texts of two kinds of line: a long search for every method of the engine.
        std::srand(7);
        for (int i = 0; i < 200000; ++i) {
            text1.push_back(std::rand() % 2 ? "a" : "b");
            text2.push_back(std::rand() % 2 ? "a" : "b");
        }
        frame.LoadSource("x", text1, true);
        frame.LoadSource("y", text2, false);
        const std::string dropped = Write("dropped.txt", "dropped\r\n");
        bool compareDisabled = false;
        QTimer::singleShot(100, [&] {
            compareDisabled = !shell->Commands().mnuCompare->isEnabled();
            // A file dropped and an object pair opened meanwhile wait for the run to end.
            frame.LoadFile(dropped, true);
            frame.LoadSource("obj@lib", {"dropped"}, false);
            frame.Compare();
            QTest::keyClick(shell.get(), Qt::Key_Escape);
        });
        QElapsedTimer clock;
        clock.start();
        frame.Compare();
        QVERIFY(compareDisabled);
        QVERIFY2(clock.elapsed() < 5000, "cancelled at once");
        QCOMPARE(shell->Panels[3], QString("Compare cancelled."));
        QVERIFY(!frame.Compared());
        QVERIFY(shell->Commands().mnuCompare->isEnabled());
        QVERIFY(!shell->Commands().mnuCancel->isEnabled());
        QCOMPARE(frame.Pane(true).Lines().Count(), 200000);
        QTRY_VERIFY(frame.Compared());
        QCOMPARE(frame.Model().FileName(true), dropped);
        QCOMPARE(frame.Model().FileName(false), std::string("obj@lib"));
        QVERIFY(frame.Model().Blocks().empty());
        QVERIFY(shell->Errors.empty());
    }

    void realObjectAgainstItsExport() {
        const std::string corpus = std::string(TANDREL_REALDATA_DIR) + "/pfc2022";
        const std::string exported =
            corpus + "/ws_objects/demoapp/peat.pbl.src/d_project_category_summary.srd";
        if (!fs::exists(exported))
            QSKIP("no real data");
        TFileStream stream(corpus + "/demoapp/peat.pbl");
        TEntryList entries;
        GetPblEntries(stream, entries);
        std::vector<std::string> lines;
        for (const auto& item : entries)
            if (item.Object && std::string(item.Object->Name) == "d_project_category_summary.srd")
                GetEntrySource(stream, *item.Object, lines);
        QVERIFY(!lines.empty());
        TTestShell shell;
        shell.CreateFilesFrame();
        shell.show();
        shell.ShowFilesView();
        TSourceView& view = shell.SourceView();
        view.LoadSource("d_project_category_summary@" + corpus + "/demoapp/peat.pbl", lines, true);
        shell.FilesFrame().LoadFile(exported, false);
        QVERIFY(shell.FilesFrame().Compared());
        QCOMPARE(shell.Counts.Changed + shell.Counts.Added + shell.Counts.Deleted, 0);
        QVERIFY(shell.FilesFrame().Caption(false).text().contains("[UTF-8]"));
    }
};

} // namespace tandrel::test

QTEST_MAIN(tandrel::test::FilesFrameTest)
#include "FilesFrameTest.moc"
